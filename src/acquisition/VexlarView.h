#pragma once
// The one view of the program. It owns the whole acquisition workspace (the
// driver's buffers, the processed and dark spectra, the three x axes, the
// calibration table, the acquisition flags) and the chart that shows it, and
// is the glue between the driver, the workspace logic and the chart: each
// handler calls them in the order the instrument requires.
//
// The member functions are defined in the folder of the capability they
// belong to: acquisition/ (creation, tear-down, scan cycle), calibration/
// (axes), display/ (plot set-up, resize, readout).

#include <QRect>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Messages.h"
#include "QdvDriver.h"
#include "XrtValue.h"
#include "acquisition/AcquisitionFlags.h"
#include "acquisition/AcquisitionWorkspace.h"
#include "acquisition/AppContext.h"
#include "acquisition/ScanQueue.h"
#include "calibration/CalibrationState.h"
#include "calibration/MeasurementSource.h"
#include "calibration/SettingsFile.h"
#include "cleaning/SpectrumCleaning.h"
#include "display/AnnotationSlots.h"
#include "display/FigureSize.h"
#include "display/FramePacer.h"
#include "display/ShownRange.h"
#include "files/OpenedSpectrum.h"
#include "files/SpectrumMetadata.h"
#include "peaks/PeakTableState.h"
#include "timed/SeriesSteps.h"
#include "timed/SeriesTable.h"
#include "timed/TimeAcquisitionRun.h"
#include "timed/TimeStampFile.h"

class CChart2D;

namespace vexlar {

class ViewHost;

static_assert(settings::kCalibratedChannels == kChannels, "a calibration for every channel");

// Message the view posts to itself to request the next scan once every
// message already waiting (operator input, commands, timers) has been handled.
constexpr unsigned WM_REQUEST_NEXT_SCAN = 0x0400 + 600;

// Full scale of the y axis whenever an x axis is set up.
constexpr double kFullScaleIntensity = 4100.0;

// Time-acquisition timers of the view.
using timed::kFirstDelayTimerId;
using timed::kLaserOffTimerId;
using timed::kNextSeriesScanTimerId;
// The chart's next display frame, when a scan waits to be painted.
constexpr unsigned kChartFrameTimerId = 1092;

}  // namespace vexlar

class CVexlarView : public QWidget {
    Q_OBJECT

public:
    // Constructs the workspace and switches the laser off.
    explicit CVexlarView(QWidget* parent = nullptr);
    // Tears the workspace down: switches the laser off, saves the settings,
    // releases the driver, destroys the chart.
    ~CVexlarView() override;

    // Sets the view up inside parent at rect: loads the settings, computes
    // the axes, sets up the chart, registers with the driver and requests the
    // first scan. False when the view window itself could not be made.
    bool Create(vexlar::AppContext* app, const QRect& rect, QWidget* parent);

    // The program ends without its windows (the display has gone): the
    // laser off, the control-bar texts and the settings saved, the driver
    // stopped and released, as the tear-down does; nothing of it again
    // when the view is destroyed.
    void EndWithoutWindow();

    // The frame around the view; null until the frame exists (and in tests
    // that need none).
    void SetHost(vexlar::ViewHost* host) { host_ = host; }

    // --- Settings ------------------------------------------------------------
    // Reads every working value from the settings file (view creation).
    void LoadSettings();
    // Writes back (view tear-down) the values this run changed and those
    // the file lacks, so that another Vexlar's settings saved meanwhile
    // stay; false when the file could not be written, after the operator
    // has been told why.
    bool SaveSettings();
    // The control bar's texts, in the same way (the frame, as it goes).
    bool SaveControlBarTexts();
    // A settings file that could not be read, or values it holds that
    // could not be used, told on the status bar.
    void ShowSettingsProblem();
    // Adds a settings problem (values replaced, the driver's own settings
    // file unreadable) to what ShowSettingsProblem tells, on a line of its
    // own, and prints it for a terminal.
    void AddSettingsProblem(const std::string& problem);

    // --- Calibration and axes --------------------------------------------------
    void RebuildAxes();
    void ShowXAxis();
    void SelectChannel(int index);
    // False (and nothing changed) when text gives no usable wavelength.
    bool SetLaserWavelength(const char* text);
    void SetXAxisMode(int index);
    // Setup > Calibrate from Lamp: the selected channel's calibration fitted
    // to the lines of a neon lamp; Apply stores it as Configure Spectrometer
    // does and rebuilds the axes, Cancel changes nothing.
    void OnCalibrateFromLamp();
    // Setup > Check Raman Shift: the Raman axis checked against a shift
    // standard; Apply sets the laser wavelength that best removes the error
    // as the control bar's laser field does, Cancel changes nothing.
    void OnCheckRamanShift();

    // --- Scan cycle --------------------------------------------------------------
    void OnScanComplete(vexlar::sys::WPARAM wParam);
    void OnDriverNotify(vexlar::sys::WPARAM wParam);
    void OnReset();

    // --- Acquisition controls ---------------------------------------------------
    // Fills the control bar once the frame is complete.
    void OnInitialUpdate();
    // A control-bar event (a BarParam kind).
    void OnBarParam(int kind);
    void OnStoreDark();
    void OnSubtractDark();
    void OnAdditiveMode();
    void OnConfigureHardware();
    // Setup > Configure Spectrometer: the calibration table and the number of
    // channels edited in their dialog; the axes are rebuilt when it closes.
    void OnConfigureSpectrometer();
    // Switches the laser off and shows it so on the control bar.
    void SwitchLaserOff();
    // Switches the laser's strobe line off and nothing else: safe from any
    // thread, for a signal that must make the instrument safe whatever the
    // window is doing.
    static void SwitchStrobeOffFromAnyThread();

    // --- Scaling and cursor -----------------------------------------------------
    void OnAutoscale();
    void OnSetScale();
    void OnUnscale();
    void OnCursor();
    void MoveCursor(vexlar::display::CursorMove move);
    // The pixel under the cursor, as the chart holds it.
    int CursorPoint() const;

    // --- Peaks (peaks/) -----------------------------------------------------------
    void FindPeaks();
    void MarkAllPeaks();
    void OnPeakSettings();
    // 1 when the peak was entered, 0 when refused (table full, pixel outside).
    int AddPeak(int pixel);
    // 1 when the slot was in use.
    int RemovePeak(int slot);
    void ResetPeakTable();
    void ShowPeakLabels(int on);
    void OnPeakLabels();
    void MarkPeakAtCursor();
    void OnShowPeakTable();
    // Writes path + ".peak" while the labels are shown; false (after telling
    // the operator) when it cannot be written.
    bool SavePeakFile(const char* path);

    // --- Annotations (display/Annotations.cpp) -------------------------------------
    // The context menu of a right-click at screenPoint (global): null when the
    // point lies outside the plot rectangle spanned by the shown ranges, else
    // "annotation_popup" over an annotation and "blank_area_popup" elsewhere.
    // Sets currentAnnotation and contextPoint as the right-click does.
    std::unique_ptr<class QMenu> ContextMenuAt(const QPoint& screenPoint);
    // The right-click: that menu, run at the point, and its choice carried out.
    void OnContextMenu(const QPoint& screenPoint);
    // A context-menu command, by its id.
    void OnContextCommand(int id);
    // Tests put their own operator here: given the menu and the point, it
    // returns the action chosen (null: the menu was dismissed).
    static std::function<class QAction*(class QMenu&, const QPoint&)> contextMenuForTests;
    // The move step: the current annotation to chart-window pixel (x, y).
    void MoveAnnotationTo(int x, int y);
    void OnAnnotateHere();
    void OnAnnotationEdit();
    void OnAnnotationMove();
    void OnAnnotationClear();
    void ClearAllAnnotations();
    // path + ".anno"; false (after telling the operator) when it cannot be
    // written or read as an annotation file.
    bool SaveAnnotations(const char* path);
    bool LoadAnnotations(const char* path);

    // --- Spectrum files (files/) -------------------------------------------------------
    void OnSaveGraph();
    void OnOpenSpectrum();
    void OnExportSpectrum();
    // false (after telling the operator) when the file cannot be written.
    bool WriteExportFile(const char* path);
    // File > Export As...: the spectrum on display as CSV or JCAMP-DX, the
    // format chosen by the dialog's filter (or the name's extension).
    void OnExportAs();
    // File > Save Figure...: the chart as PNG (at a chosen resolution), SVG
    // or PDF, drawn by the chart library as it is on the screen.
    void OnSaveFigure();

    // --- Time acquisition (timed/) ---
    // Time Acquisition > Configure: the eight series settings in their dialog.
    void OnTimeAcqConfigure();
    // Time Acquisition > Start: refuses (telling the operator why) settings a
    // series cannot run with, otherwise arms the first timer.
    void StartTimeAcquisition();
    // Time Acquisition > Stop, and the end of a complete series: writes the
    // time-stamp file, switches the laser off and requests one scan.
    void StopTimeAcquisition();
    // A series runs: Start is disabled and Stop enabled.
    bool IsTimeAcquisitionRunning() const { return timeAcq_.timeAcqRunning; }
    // A window timer of the view; false when id is none of the series' timers.
    bool OnTimeAcqTimer(unsigned id);
    // The series step of a handled scan during a series: a dark scan or a
    // series scan.
    void OnSeriesScanComplete();
    // Saves the spectrum as series scan scanNumber and counts scanNumber up.
    void SaveTimedScan();

    // --- Cleaning (cleaning/CleaningCommands.cpp) -------------------------------------
    // View > Remove Spikes: cosmic-ray spikes taken out of each scan before
    // it reaches the spectrum.
    void OnRemoveSpikes();
    // View > Subtract Baseline: the fluorescence baseline taken off the
    // spectrum as it is shown, searched, saved and exported.
    void OnSubtractBaseline();
    // View > Baseline Settings: the baseline's smoothness, asymmetry and
    // cut-on shift.
    void OnBaselineSettings();
    bool IsRemovingSpikes() const;
    bool IsSubtractingBaseline() const;

    // --- Display -------------------------------------------------------------------
    void UpdateReadout();

    // --- What the menus and the tool bar show --------------------------------------------
    // Additive Mode's check mark.
    bool IsAdditive() const { return flags_.additive; }
    // Subtract Dark's check mark.
    bool IsSubtractingDark() const { return flags_.subtractDark; }
    // The Cursor button's check mark; the cursor moves are enabled with it.
    bool IsCursorShown() const { return flags_.cursorShown; }
    // Peak Labels' check mark.
    bool ArePeakLabelsShown() const { return peakTable_.peakLabelsShown; }

    // --- Printing (display/Printing.cpp) -------------------------------------------
    // File > Print: the print dialog, then the chart on one page.
    void OnFilePrint();
    // The same without the dialog, on the printer set up last.
    void OnFilePrintDirect();
    // File > Print Setup: the page set-up dialog, kept for the next print.
    void OnFilePrintSetup();
    // The printing hooks, in the order of a print job. Preparing shows the
    // print dialog unless printing directly (false: the operator cancelled);
    // beginning and ending do nothing; OnPrint draws the chart on the page of
    // the painter's device (false, with the reason, when it could not).
    bool OnPreparePrinting(class QPrinter& printer, bool direct);
    void OnBeginPrinting(class QPainter& painter, class QPrinter& printer);
    bool OnPrint(class QPainter& painter, std::string* error);
    void OnEndPrinting(class QPainter& painter, class QPrinter& printer);
    // The printer and page set-up the operator chose, kept between prints of
    // this run; made at the first print or set-up.
    class QPrinter& printSetup();
    void ShowDriverError(const char* text, int code);

    XrtHandle chart() const;
    CChart2D* chartWindow() const { return chartWindow_; }

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The driver's buffers, the spectra, the axes and which of them are in
    // use; the driver's parameter block points into workspace_.raw.
    vexlar::acquisition::AcquisitionWorkspace workspace_;
    // What happens to the next scan, and what it brings up to date.
    vexlar::acquisition::AcquisitionFlags flags_;

    void* hinst = nullptr;
    XrtHandle liveData = 0;
    XrtDataStyle seriesStyle{};
    XrtDataStyle secondStyle{};
    XrtHandle openedData = 0;

    // The printer and page set-up the operator chose (printSetup()).
    std::shared_ptr<class QPrinter> printSetup_;

    DriverParams& params() { return app_->driverParams; }
    void SetUpPlot(const QRect& rect);
    // What is known of the spectrum on display, for the files it is written
    // to (files/ExportAs.cpp).
    vexlar::files::SpectrumFacts DescribeDisplayedSpectrum() const;
    // The acquisition settings and calibration in force now.
    vexlar::files::SpectrumFacts DescribeAcquisition() const;
    // The timed series (timed/TimedRun.cpp): the steps the series decides,
    // carried out in their order.
    void RunSeriesActions(const vexlar::timed::SeriesActions& actions);
    // Start: the scan chain made to serve the series, its files begun.
    void BeginSeriesRecords();
    // Stop: the time-stamp file written whole, the series table finished.
    void FinishSeriesRecords();
    // The dark scan just handled becomes the dark spectrum.
    void KeepSeriesDark();
    // The series file in the current format; false with the reason.
    bool WriteSeriesFile(const std::string& path, std::string* reason);
    // The time-stamp file with every scan saved so far; false with its path
    // and the reason.
    bool WriteTimeStampFile(std::string* path, std::string* reason);
    // The row of the scan just saved, added to the time-stamp file; false
    // with its path and the reason.
    bool AddTimeStampRow(std::string* path, std::string* reason);
    // The rows of the saved scans whose files were written, and the tick
    // their times count from.
    std::vector<vexlar::timed::TimeStampRow> SavedScanRows() const;
    std::uint32_t FirstSavedScanTick() const;
    // A file of the series could not be written: the status bar says so, and
    // a counted failure is reported once the series stops.
    void NoteSeriesWriteFailure(const std::string& path, const std::string& reason, bool counted);
    // Files that could not be written, told to the operator as the series stops.
    void ReportSeriesWriteFailures();
    void ShowSeriesStatus(const std::string& text);
    void ArmSeriesTimer(unsigned id, std::uint64_t periodMs);
    void KillSeriesTimer(unsigned id);
    // Switches the laser line and requests a switching scan at 50 ms and one
    // average, the acquisition values saved until it completes.
    void SwitchLaserForSeries(bool on);
    // The series table of a timed series (timed/SeriesTableRun.cpp): started
    // with the series, a scan added as each is saved, brought up to date a
    // last time when the series stops.
    void BeginSeriesTable();
    void AddScanToSeriesTable();
    void FinishSeriesTable();
    // Brings the series table's file up to date; false with the reason.
    bool WriteSeriesTable(std::string* reason);
    // The program ends during a series: its table brought up to date.
    void SaveSeriesTableAtExit();
    // A peak's x and label made from its pixel on the axis in use.
    void LabelPeakAtItsPixel(vexlar::PeakRecord& peak);
    // Every peak in the table labelled again on the axes as they are now:
    // a peak stays at its pixel when the axes change under it.
    void RelabelPeaks();
    // The pixels under the chart's shown x range.
    vexlar::display::PixelRange ShownPixels() const;
    void RequestNextScanAfterPendingMessages();
    // A new scan is attached to the chart, its repainting suspended: it waits
    // to be drawn, at the latest by the frame timer a frame from now.
    void ChartChangeWaits();
    // Draws the waiting scan when a display frame has passed since the last
    // drawing.
    void PaintChartIfDue();
    // The frame timer: the scan attached last is drawn.
    void OnChartFrameDue();
    // Draws the waiting scan now.
    void PaintWaitingChart();
    // Nothing waits to be painted any more.
    void CancelFramePaint();
    // The spectrum as the operator sees it: spectrum itself, or with the
    // baseline subtracted while that is on. What the chart shows, the peak
    // search, the cursor, Autoscale, the files and the export read.
    const double* ShownSpectrum() const;
    // Brings the shown spectrum up to date with spectrum.
    void UpdateShownSpectrum();
    // Gives the live data set the shown spectrum, brought up to date.
    void SetLiveYData();
    // The selected channel's scan as it goes into the spectrum, into
    // *spectrumScan: with its spikes removed while that is on. Null when it
    // is not to be added to an accumulation (spikes are removed, and there
    // was no earlier scan to find them by). False when the scan was one
    // reading of an average not yet complete (AveragesReadings): nothing
    // goes into the spectrum.
    bool ScanForSpectrum(const float** spectrumScan);
    // Spikes are removed from a scan of several averages: the driver is
    // asked for one reading a scan, and the view averages the readings
    // itself, each cleaned.
    bool AveragesReadings() const;
    // QDV_ParamSet with the block as it stands, but one reading a scan
    // while the view averages the readings itself.
    void SendParamsToDriver();
    // The shown spectrum is the spectrum less its baseline: Subtract
    // Baseline is on and the baseline could be drawn.
    bool IsBaselineSubtracted() const;
    // The scan last handled, as it went into the spectrum.
    const float* LastScan() const;
    // The status bar's note of what the display does to the spectrum.
    void ShowCleaningNote();
    // QDV_SingleScan, counted as owed.
    void RequestScan();
    // QDV_Stop: the scan in progress and every request are cancelled, and
    // answers already waiting for the stopped chain are dropped.
    void StopScans();
    // A scan that will be shown and go on with the chain is on its way.
    bool ChainScanComing() const;
    // Continuous or additive acquisition resumed: a scan is asked for
    // unless one that goes on with the chain is on its way already.
    void ResumeScanChain();
    // A scan arrived: a note about failing scans goes.
    void NoteScanDelivered();
    // The x axis of the current mode: X data, shown range and bounds, full
    // y scale, title.
    void ApplyXAxisToChart();
    void ApplyRamanAxisToChart();
    // The spectrum the calibration dialogs measure: the one on display, or
    // fresh scans while acquisition runs.
    vexlar::calibration::MeasurementSource CalibrationSource();

    // The channels' calibration table and the laser line.
    vexlar::calibration::CalibrationState calibration_;
    // The annotation slots, the current one and a pending move.
    vexlar::display::AnnotationSlots annotationSlots_;
    // The peak table, its labels' switch and the peak finder's criteria.
    vexlar::peaks::PeakTable peakTable_;
    // The spectrum File > Open put on display.
    vexlar::files::OpenedSpectrum openedSpectrum_;
    // How the live spectrum was made, noted as each scan goes into it: the
    // switches may change afterwards (leaving additive mode keeps the sum on
    // display, Subtract Dark may be switched while acquisition is stopped),
    // and the files written describe the spectrum, not the switches.
    struct SpectrumMaking {
        bool darkSubtracted = false;
        long additiveScans = 0;  // scans in the sum; 0 for a single scan
    };
    SpectrumMaking spectrumMade_;
    // The last resolution chosen for a PNG figure.
    int figureDpi_ = vexlar::display::kDefaultFigureDpi;
    // The time acquisition: its settings and the run of a series.
    vexlar::timed::TimeAcquisitionRun timeAcq_;
    // The "SeriesTable" setting and the table of the running series.
    vexlar::timed::SeriesTableRun seriesTable_;

    vexlar::AppContext* app_ = nullptr;
    vexlar::ViewHost* host_ = nullptr;
    // Spike removal and the baseline: their switches, the previous scan and
    // the baseline's workspace.
    vexlar::cleaning::SpectrumCleaning cleaning_;
    // The scans asked for and not yet received.
    vexlar::acquisition::ScanQueue scanQueue_;
    // Failed scans since the last one that arrived.
    int failedScansInARow_ = 0;
    // The series' time-stamp file, row by row.
    vexlar::timed::TimeStampLog timeStampLog_;
    // What the settings file held when this run read it, with the values
    // used in place of those it held; and the settings problems to tell.
    vexlar::settings::LoadedSettings loadedSettings_;
    std::optional<vexlar::settings::ControlBarTexts> loadedBarTexts_;
    std::string settingsProblem_;
    CChart2D* chartWindow_ = nullptr;
    bool created_ = false;
    // Fresh scans for a calibration dialog: every scan shown is offered.
    vexlar::calibration::ScanAverage freshScans_;
    // The chart is painted at most once per display frame.
    vexlar::display::FramePacer framePacer_;
    bool frameTimerSet_ = false;
};
