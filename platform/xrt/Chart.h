#pragma once
// One chart: its properties, its text areas and the plot widget that draws
// them.
//
// The chart keeps every property itself and hands them to the plot only when
// it lays out or draws, so the plot can be dropped and made again (when the
// window it lives in is destroyed first) without losing anything. While
// repainting is off nothing reaches the screen; turning it on lays the chart
// out and draws it at once.

#include <QFont>
#include <QPointer>
#include <QSizeF>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CodeTable.h"
#include "Font.h"
#include "HandleTable.h"
#include "Xrt.h"

class QCPPainter;
class QCPGraph;
class QPainter;
class QWidget;

namespace vexlar::xrt {

class ChartPlot;
class DataSet;

// The library's live data set for a handle, or nullptr.
const DataSet* FindDataSet(Handle data);

struct TextArea {
    Handle handle = 0;
    bool shown = false;
    double anchorX = 0.0;
    double anchorY = 0.0;
    Handle fontHandle = 0;  // as set; the font itself is the copy below
    sys::LogFont font;
    QFont qfont;
    std::vector<std::string> lines;
    std::vector<QString> qlines;
    QSizeF blockSize;  // of the unturned lines in qfont
    int attach = XRT_ATTACH_COORDS;
    int dataSet = 0;
    int point = 0;
    int placement = XRT_PLACE_AT_CORNER;
};

class Chart {
public:
    Chart();
    ~Chart();
    Chart(const Chart&) = delete;
    Chart& operator=(const Chart&) = delete;

    // Values arrive checked against the code table (type, range, finite).
    bool Set(const CodeInfo& info, const XrtValue& value, std::string* error);
    bool Get(const CodeInfo& info, XrtValueOut out, std::string* error);
    bool SetNthStyle(int set, const XrtDataStyle& style, std::string* error);
    bool GetNthStyle(int set, XrtDataStyle* style, std::string* error) const;

    void Attach(QWidget* window);
    bool Map(int px, int py, XrtMapResult* result);
    bool Unmap(double x, double y, XrtPoint* point, std::string* error);
    bool DrawTo(QPainter* painter, int left, int top, int width, int height, std::string* error);
    std::uint64_t redrawCount() const { return redrawCount_; }

    // Text areas, owned by the chart.
    TextArea* AddTextArea();
    void RemoveTextArea(const TextArea* area);
    const std::vector<std::unique_ptr<TextArea>>& textAreas() const { return textAreas_; }
    bool SetText(TextArea& area, const CodeInfo& info, const XrtValue& value, std::string* error);
    bool GetText(TextArea& area, const CodeInfo& info, XrtValueOut out, std::string* error);

    // A data set was written to or destroyed: redraw if it is the one shown.
    void DataChanged(Handle data);

    // Called by the plot.
    void DrawOverlay(ChartPlot* plot, QCPPainter* painter);
    // Whether the overlay draws anything (the cursor, a text area shown).
    bool OverlayShown() const;
    void WindowResized();
    void PixelRatioChanged();

private:
    struct SyncedData {
        Handle handle = 0;
        std::uint64_t revision = 0;
        std::uint64_t xRevision = 0;
        int sets = 0;
        int points = 0;
        bool allFinite = false;
        std::vector<int> order;  // per set: 1 ascending x, -1 descending, 0 neither
    };

    // A property changed: the layout may move, and the still parts of the
    // chart (all but its data lines, cursor and text areas) may look new.
    void Changed(bool affectsLayout, bool affectsStill = true);
    void Redraw();
    ChartPlot* EnsurePlot();
    ChartPlot* EnsureLayout();
    void ApplyProperties(ChartPlot* plot);
    // Brings the data onto the plot's lines; their looks too when lines came
    // or went or looks is true. True when lines came or went.
    bool ApplyData(ChartPlot* plot, bool looks = true);
    void ApplyLook(QCPGraph* graph, int set);
    void RebuildGraph(QCPGraph* graph, const double* x, const double* y, int points, int* order, bool* allFinite);
    QSize ChartSize() const;
    const DataSet* ShownData() const;
    bool AnchorPixel(ChartPlot* plot, const TextArea& area, QPointF* pixel) const;

    // Properties.
    bool repaint_ = true;
    bool cursorShown_ = false;
    int cursorPoint_ = 0;
    Handle data_ = 0;
    const XrtDataStyle* secondStylePointer_ = nullptr;  // as set, only read back
    std::optional<XrtDataStyle> secondStyle_;
    std::vector<std::optional<XrtDataStyle>> nthStyles_;
    std::optional<int> width_;
    std::optional<int> height_;
    int originX_ = 0;
    int originY_ = 0;
    double xMin_ = 0.0, xMax_ = 1.0, yMin_ = 0.0, yMax_ = 1.0;
    double xBoundMin_ = 0.0, xBoundMax_ = 1.0;
    std::string xTitle_, yTitle_;
    QString xTitleText_, yTitleText_;
    int marginLeft_ = 0, marginBottom_ = 0, marginTop_ = 0, marginRight_ = 0;
    bool xGrid_ = false, yGrid_ = false, legend_ = false;
    bool topAxis_ = false, rightAxis_ = false;
    bool xMinorTicks_ = false, yMinorTicks_ = false;
    bool antialiased_ = false;
    bool textAreasEnabled_ = true;

    std::vector<std::unique_ptr<TextArea>> textAreas_;

    // Drawing.
    QPointer<QWidget> window_;
    QPointer<ChartPlot> plot_;
    QTimer redrawTimer_;          // coalesces changes made while repainting is on
    std::uint64_t revision_ = 1;  // counts changes that move the layout
    std::uint64_t layoutRevision_ = 0;
    std::uint64_t stillRevision_ = 1;  // counts every change of a property
    std::uint64_t drawnStillRevision_ = 0;
    std::uint64_t redrawCount_ = 0;
    SyncedData synced_;
};

}  // namespace vexlar::xrt
