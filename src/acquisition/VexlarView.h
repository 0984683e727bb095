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
#include <string>

#include "Font.h"
#include "Messages.h"
#include "QdvDriver.h"
#include "XrtValue.h"
#include "acquisition/AppContext.h"
#include "calibration/Axes.h"
#include "display/AnnotationRecord.h"
#include "peaks/PeakRecord.h"

class CChart2D;

namespace vexlar {

class ViewHost;

constexpr int kPixels = calibration::kPixels;
constexpr int kChannels = QDV_CHANNELS;

// Message the view posts to itself to request the next scan once every
// message already waiting (operator input, commands, timers) has been handled.
constexpr unsigned WM_REQUEST_NEXT_SCAN = 0x0400 + 600;

// Full scale of the y axis whenever an x axis is set up.
constexpr double kFullScaleIntensity = 4100.0;

// Time-acquisition timers of the view.
constexpr unsigned kFirstDelayTimerId = 273;
constexpr unsigned kLaserOffTimerId = 546;
constexpr unsigned kNextSeriesScanTimerId = 819;

}  // namespace vexlar

class CVexlarView : public QWidget {
    Q_OBJECT

public:
    // Constructs the workspace and switches the laser off.
    explicit CVexlarView(QWidget* parent = nullptr);
    // Tears the workspace down: saves the settings, switches the laser off,
    // releases the driver, destroys the chart.
    ~CVexlarView() override;

    // Sets the view up inside parent at rect: loads the settings, computes
    // the axes, sets up the chart, registers with the driver and requests the
    // first scan. False when the view window itself could not be made.
    bool Create(vexlar::AppContext* app, const QRect& rect, QWidget* parent);

    // The frame around the view; null until the frame exists (and in tests
    // that need none).
    void SetHost(vexlar::ViewHost* host) { host_ = host; }

    // --- Settings ------------------------------------------------------------
    // Reads every working value from the settings file (view creation).
    void LoadSettings();
    // Writes them back (view tear-down); false when the file could not be
    // written, after the operator has been told why.
    bool SaveSettings();

    // --- Calibration and axes --------------------------------------------------
    void RebuildAxes();
    void ShowXAxis();
    void SelectChannel(int index);
    // False (and nothing changed) when text gives no usable wavelength.
    bool SetLaserWavelength(const char* text);
    void SetXAxisMode(int index);

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
    // Switches the laser off and shows it so on the control bar.
    void SwitchLaserOff();

    // --- Display -------------------------------------------------------------------
    void UpdateReadout();
    void ShowDriverError(const char* text, int code);

    XrtHandle chart() const;
    CChart2D* chartWindow() const { return chartWindow_; }

    // --- The workspace ---------------------------------------------------------------
    // Plain fixed-size members: nothing is allocated while scanning.
    float raw[vexlar::kChannels][vexlar::kPixels];
    double spectrum[vexlar::kPixels];
    double dark[vexlar::kPixels];
    double wavelength[vexlar::kPixels];
    double wavenumber[vexlar::kPixels];
    double ramanShift[vexlar::kPixels];

    float laserWavelength = 632.8f;
    float laserWavenumber = 0.0f;
    float calFirst[vexlar::kChannels];
    float calSecond[vexlar::kChannels];
    float calThird[vexlar::kChannels];
    float calIntercept[vexlar::kChannels];
    std::int16_t channel = 0;
    int numChannels = 1;
    int xAxisMode = 0;

    int scanning = 0;
    int additive = 0;
    long additions = 0;
    int darkStored = 0;
    int subtractDark = 0;
    int discardNext = 0;
    int annotationRefresh = 0;

    void* hinst = nullptr;
    XrtHandle liveData = 0;
    XrtDataStyle seriesStyle{};
    XrtDataStyle secondStyle{};
    XrtHandle openedData = 0;

    vexlar::AnnotationRecord annotations[vexlar::kAnnotationSlots];
    int annotationMoving = 0;
    int currentAnnotation = -1;

    vexlar::PeakRecord peaks[vexlar::kPeakSlots];
    int peakLabelsShown = 0;
    int peakSearchDone = 0;
    double peakThreshold = 100.0;
    double peakSlope = 10.0;
    int peakWidth = 1;

    int cursorShown = 0;

    // Time-acquisition settings and run state.
    int StoreDark = 0;
    unsigned ToggleLaser = 0;
    unsigned LaserWarmupTime = 10;
    unsigned DelayBeforeFirstAcquisition = 60;
    unsigned DelayBetweenAcquisitions = 60;
    unsigned NumberOfAcquisitions = 100;
    unsigned FileFormat = 0;
    char BaseFilename[260] = "Temp";
    int timeAcqRunning = 0;
    int firstDelayPending = 0;
    int darkPending = 0;
    int restorePending = 0;
    unsigned scanNumber = 0;
    std::uint16_t savedIntegrationTime = 0;
    std::int16_t savedAverage = 0;
    unsigned timerIds[3] = {0, 0, 0};

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    DriverParams& params() { return app_->driverParams; }
    void SetUpPlot(const QRect& rect);
    void RequestNextScanAfterPendingMessages();
    // The x axis of the current mode: X data, shown range and bounds, full
    // y scale, title.
    void ApplyXAxisToChart();
    void ApplyRamanAxisToChart();

    vexlar::AppContext* app_ = nullptr;
    vexlar::ViewHost* host_ = nullptr;
    CChart2D* chartWindow_ = nullptr;
    bool created_ = false;
};
