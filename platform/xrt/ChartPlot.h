#pragma once
// The QCustomPlot widget a chart draws on, and the layer that draws the
// chart's cursor and text areas above the data.

// QCustomPlot's header spells Qt's keywords, which this project keeps off
// (QT_NO_KEYWORDS); they are lent to it for the one include.
#define signals Q_SIGNALS
#define foreach Q_FOREACH
#include <qcustomplot.h>
#undef foreach
#undef signals

namespace vexlar::xrt {

class Chart;
class ChartOverlay;

// A line of the chart's data, drawn by the plot onto the screen by itself,
// over the rest of the chart kept as a picture.
class ChartGraph : public QCPGraph {
public:
    using QCPGraph::QCPGraph;
    // Draws the line as its layer would, clipped to the plot area. A plain
    // line (solid, one pixel, no symbols, no antialiasing, linear axes) is
    // drawn straight from the points, through every one of them, with no
    // containers made per frame; any other look as the plot library draws it.
    void DrawNow(QCPPainter* painter);

private:
    bool IsPlainLine() const;
    std::vector<QPointF> points_;  // the line's pixels, kept between frames
};

class ChartPlot : public QCustomPlot {
public:
    ChartPlot(Chart* chart, QWidget* parent);

    // Lays the plot out for its viewport without drawing.
    void LayOut() { updateLayout(); }
    // A new line of data, drawn by the plot itself (see Render).
    ChartGraph* AddGraph();
    // Draws onto the screen at once. The only way the plot draws: nothing
    // reaches the screen that the chart did not ask for. Everything but the
    // data lines and the cursor and text areas above them (paper, axes,
    // labels, grid, legend) is kept as a picture made again only when
    // stillChanged; a new scan draws its lines and the overlay over it.
    void Render(bool stillChanged);

protected:
    // QCustomPlot starts a replot by itself only from its widget event
    // handlers: on a resize, on a paint that finds the screen's pixel ratio
    // changed, and on the mouse and the wheel. The plot handles each of them
    // without calling into QCustomPlot's replot, so that while the chart's
    // repainting is off the screen keeps what the chart last drew.

    // The chart decides the viewport and when to draw.
    void resizeEvent(QResizeEvent*) override { }
    // Shows what the chart last drew; a change of pixel ratio is left to the
    // chart to draw again.
    void paintEvent(QPaintEvent* event) override;
    // The chart takes no input: the pointer falls through to the window, as
    // it does past a plain widget.
    void mousePressEvent(QMouseEvent* event) override { QWidget::mousePressEvent(event); }
    void mouseReleaseEvent(QMouseEvent* event) override { QWidget::mouseReleaseEvent(event); }
    void mouseDoubleClickEvent(QMouseEvent* event) override { QWidget::mouseDoubleClickEvent(event); }
    void mouseMoveEvent(QMouseEvent* event) override { QWidget::mouseMoveEvent(event); }
    void wheelEvent(QWheelEvent* event) override { QWidget::wheelEvent(event); }
    // Follows the resizes of the window the plot lives in.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetUpLook();
    // Paints the kept picture of the chart's still parts, then the data lines
    // and the overlay over it.
    void PaintLayers(QCPPainter* painter, const QRect& changed);
    // Makes the picture of the still parts at the plot's size and pixel ratio.
    void KeepStillParts();

    Chart* chart_;
    ChartOverlay* overlay_ = nullptr;
    QPixmap still_;                 // the chart without its data lines and overlay, as last drawn
    QPixmap frame_;                 // the whole chart as last drawn
    bool frameWhole_ = false;       // frame_ holds a whole drawing (else nothing yet)
    bool overlayWasShown_ = false;  // the last frame drew an overlay, to be wiped
};

class ChartOverlay : public QCPLayerable {
public:
    ChartOverlay(ChartPlot* plot, Chart* chart, const QString& layer);
    // Draws the overlay as its layer would.
    void DrawNow(QCPPainter* painter);

protected:
    void applyDefaultAntialiasingHint(QCPPainter* painter) const override;
    void draw(QCPPainter* painter) override;
    QRect clipRect() const override;

private:
    ChartPlot* plot_;
    Chart* chart_;
};

}  // namespace vexlar::xrt
