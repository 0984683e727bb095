#pragma once
// The one view of the program: the chart that shows the spectrum the engine
// makes, the cursor and its readout, the scaling, the control bar's glue and
// the capabilities of the window (peak marks, annotations, spectrum files,
// printing and figures, the set-up dialogs). It makes no driver call: the
// engine (Instrument) drives the spectrometer, and the view listens to what
// it says changed.

#include <QRect>
#include <QWidget>

#include <memory>
#include <optional>
#include <string>

#include "XrtValue.h"
#include "acquisition/AppContext.h"
#include "calibration/SettingsFile.h"
#include "display/ShownRange.h"
#include "instrument/Instrument.h"

class CChart2D;

namespace vexlar {

class AnnotationBoard;
class ChartOutput;
class ChartPacer;
class FileCommands;
class PeakMarks;
class SetupCommands;
class ViewHost;

// Full scale of the y axis whenever an x axis is set up.
constexpr double kFullScaleIntensity = 4100.0;

}  // namespace vexlar

class CVexlarView : public QWidget {
    Q_OBJECT

public:
    // Constructs the engine, which switches the laser off.
    explicit CVexlarView(QWidget* parent = nullptr);
    // Tears everything down: the laser off, the settings saved, the driver
    // released, the chart destroyed.
    ~CVexlarView() override;

    // Sets the view up inside parent at rect: loads the settings, hands them
    // to their owners, sets up the chart and starts the engine. False when
    // the view window itself could not be made.
    bool Create(vexlar::AppContext* app, const QRect& rect, QWidget* parent);
    // The program ends without its windows (the display has gone): the
    // laser off, the control-bar texts and the settings saved, the driver
    // stopped and released, as the tear-down does; nothing of it again
    // when the view is destroyed.
    void EndWithoutWindow();
    // The frame around the view; null until the frame exists (and in tests
    // that need none).
    void SetHost(vexlar::ViewHost* host) { host_ = host; }

    // --- What the view holds ---------------------------------------------------------
    vexlar::Instrument& instrument() const { return *instrument_; }
    vexlar::PeakMarks& peaks() { return *peaks_; }
    vexlar::AnnotationBoard& annotations() { return *annotations_; }
    vexlar::FileCommands& files() { return *files_; }
    vexlar::ChartOutput& output() { return *output_; }
    vexlar::SetupCommands& setup() { return *setup_; }
    XrtHandle chart() const;
    CChart2D* chartWindow() const { return chartWindow_; }
    // The chart's live data set: the spectrum on display against its x axis.
    XrtHandle liveData() const { return liveData_; }
    vexlar::ViewHost* host() const { return host_; }

    // --- Settings ------------------------------------------------------------------------
    // Writes back (at tear-down) the values this run changed and those the
    // file lacks, gathered from their owners; false when the file could not
    // be written, after the operator has been told why.
    bool SaveSettings();
    // The control bar's texts, in the same way (the frame, as it goes).
    bool SaveControlBarTexts();
    // The remote control's settings, as read and to be written back.
    vexlar::settings::RemoteSettings& remoteSettings() { return remote_; }

    // --- The control bar -------------------------------------------------------------------
    // Fills the control bar once the frame is complete.
    void OnInitialUpdate();
    // A control-bar event (a BarParam kind).
    void OnBarParam(int kind);

    // --- Scaling and cursor ----------------------------------------------------------------
    void OnAutoscale();
    void OnSetScale();
    void OnUnscale();
    void OnCursor();
    void MoveCursor(vexlar::display::CursorMove move);
    // The pixel under the cursor, as the chart holds it.
    int CursorPoint() const;
    // The Cursor button's check mark; the cursor moves are enabled with it.
    bool IsCursorShown() const { return cursorShown_; }
    // The status bar's readout: the additive scan count and the cursor.
    void UpdateReadout();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void SetUpPlot(const QRect& rect);
    // The x axis of the current mode: X data, shown range and bounds, full
    // y scale, title.
    void ApplyXAxisToChart();
    // The chart shows the shown spectrum now, and the readout follows.
    void ShowSpectrum();
    // The readout (scan count, cursor) and the chart's data set take the
    // shown spectrum.
    void TakeShownSpectrum();
    // The engine's news: a scan went into the spectrum, the axes changed.
    void OnScanProcessed(bool shown);
    enum class AxisChange {
        Rebuilt,     // the axes made again (channel, calibration)
        Mode,        // the operator chose the other x axis
        RamanMoved,  // the laser line moved the Raman axis
    };
    void FollowAxes(AxisChange change);

    std::unique_ptr<vexlar::Instrument> instrument_;
    std::unique_ptr<vexlar::PeakMarks> peaks_;
    std::unique_ptr<vexlar::AnnotationBoard> annotations_;
    std::unique_ptr<vexlar::FileCommands> files_;
    std::unique_ptr<vexlar::ChartOutput> output_;
    std::unique_ptr<vexlar::SetupCommands> setup_;
    std::unique_ptr<vexlar::ChartPacer> pacer_;

    vexlar::AppContext* app_ = nullptr;
    vexlar::ViewHost* host_ = nullptr;
    CChart2D* chartWindow_ = nullptr;
    XrtHandle liveData_ = 0;
    XrtDataStyle seriesStyle_{};
    XrtDataStyle secondStyle_{};
    bool created_ = false;
    // The cursor is shown: its readout is rewritten with each scan.
    bool cursorShown_ = false;
    // The annotations' screen rectangles are re-read at the next scan (after
    // a resize or a change of scale).
    bool annotationRefresh_ = false;
    // A scan is in whose shown spectrum the chart takes when it draws.
    bool spectrumWaiting_ = false;
    // What the settings file held when this run read it, and why it could
    // not be read or which of its values were replaced (empty when none).
    vexlar::settings::LoadedSettings loadedSettings_;
    vexlar::settings::RemoteSettings remote_;
    std::optional<vexlar::settings::ControlBarTexts> loadedBarTexts_;
    std::string settingsProblem_;
};
