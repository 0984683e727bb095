#pragma once
// The engine that drives the spectrometer: the one object that owns the
// driver and makes every QDV_* call, the chain of scans and what each scan
// makes of the spectrum (the dark, the running sum, spike removal and the
// baseline), the calibration and the three x axes, the laser, and the run of
// a timed series. It needs Qt Core alone, so the window, a remote interface
// or a command-line tool can each drive it.
//
// Its commands take plain values (what a dialog or a field gathered) and
// return the operator's message when they refuse or fail (empty when they
// did what was asked). What changed is told to its listeners through the
// signals below; the driver's posted messages and the series' timers arrive
// as events of this object, on the thread it lives on.

#include <QObject>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Messages.h"
#include "QdvDriver.h"
#include "acquisition/AcquisitionFlags.h"
#include "acquisition/AcquisitionWorkspace.h"
#include "acquisition/AppContext.h"
#include "acquisition/ScanQueue.h"
#include "calibration/CalibrationState.h"
#include "calibration/MeasurementSource.h"
#include "calibration/ScanAverage.h"
#include "calibration/SettingsFile.h"
#include "cleaning/SpectrumCleaning.h"
#include "files/OpenedSpectrum.h"
#include "files/SpectrumMetadata.h"
#include "timed/SeriesSteps.h"
#include "timed/SeriesTable.h"
#include "timed/TimeAcquisitionRun.h"
#include "timed/TimeStampFile.h"

namespace vexlar {

// Message the engine posts to itself to request the next scan once every
// message already waiting (operator input, commands, timers) has been handled.
constexpr unsigned WM_REQUEST_NEXT_SCAN = 0x0400 + 600;

// The timed series' timers, on the engine.
using timed::kFirstDelayTimerId;
using timed::kLaserOffTimerId;
using timed::kNextSeriesScanTimerId;

// The acquisition values of the control bar.
enum class AcquisitionValue { IntegrationTime, Average, Boxcar };

class Instrument : public QObject {
    Q_OBJECT

public:
    // The laser goes off before anything else.
    explicit Instrument(QObject* parent = nullptr);
    // Kills the series' timers; the driver is released by Release().
    ~Instrument() override;
    Instrument(const Instrument&) = delete;
    Instrument& operator=(const Instrument&) = delete;

    // --- Life ------------------------------------------------------------------
    // Takes the working values the settings file gave (once, before Start)
    // and makes the axes of the channel in use. app holds the driver's
    // parameter block and the client identity.
    void Configure(AppContext* app, const settings::WorkingSettings& values);
    // Writes back what the engine owns of the working values.
    void CollectSettings(settings::WorkingSettings* values) const;
    // Registers with the driver, sends the parameters and asks for the first
    // scan: continuous acquisition starts. The operator's message when the
    // driver refused the registration.
    std::string Start();
    bool started() const { return started_; }
    // The end: the driver stopped and released, the series' timers killed
    // and its table brought up to date. Nothing of it again afterwards.
    void Release();

    // --- The control bar ---------------------------------------------------------
    // A value typed or chosen: the refusal when it does not fit the driver's
    // field (nothing then changes), else sent to the driver.
    std::string SetAcquisitionValue(AcquisitionValue which, const std::string& text);
    // The value in force as the control bar shows it (while a switching scan
    // of a timed series is out, the one it put aside).
    long AcquisitionValueShown(AcquisitionValue which) const;
    // Continuous: scans replace the spectrum again, the chain runs.
    void Continuous();
    // The Additive button: acquisition stops at the next scan, the sum's
    // count starts again.
    void StopForAdditive();
    // The channel list: the axes of the channel (0 to 7), the spectrum
    // cleared; anything else changes nothing.
    void SelectChannel(int index);
    // The laser field: the refusal, or the Raman axis made for it.
    std::string SetLaserWavelength(const std::string& text);
    // The x-axis list: 0 wavelength, 1 Raman shift; anything else changes nothing.
    void SetXAxisMode(int index);
    // The Laser On box.
    void SetLaser(bool on);
    // The laser off, shown so.
    void SwitchLaserOff();
    // The strobe line off and nothing else: safe from any thread, for a
    // signal that must make the instrument safe whatever else is going on.
    static void SwitchStrobeOffFromAnyThread();

    // --- Commands ------------------------------------------------------------------
    void StoreDark();
    void ToggleSubtractDark();
    // Additive Mode: the refusal when no dark is stored.
    std::string ToggleAdditiveMode();
    // Reset: one average at 100 ms and the chain started again (a running
    // series ends).
    void Reset();
    // Setup > Configure Hardware: the driver's own set-up dialog, over parentWindow.
    void ConfigureHardware(void* parentWindow);
    void ToggleRemoveSpikes();
    void ToggleSubtractBaseline();
    // The baseline's settings; false (nothing changed) when they cannot be used.
    bool SetBaselineSettings(const cleaning::BaselineSettings& settings);
    // The calibration table and the number of channels: the axes of the
    // selected channel are made again and the spectrum cleared.
    void ApplyCalibration(const calibration::CalibrationTable& table, int numChannels);
    // The selected channel's coefficients, as a lamp calibration fitted them.
    void ApplyChannelCalibration(const calibration::Coefficients& coefficients);
    // Where a calibration from standards takes its spectrum.
    calibration::MeasurementSource CalibrationSource();

    // --- Spectrum files -------------------------------------------------------------
    // File > Export As's formats, in the order of the dialog's filters, and
    // the extensions that name each.
    static constexpr int kCsvFormat = 0;
    static constexpr int kJcampFormat = 1;
    static const std::vector<std::vector<std::string>>& ExportAsExtensions();
    // The spectrum on display, as drawn (the x axis of the mode), to the
    // spectrum file at path.
    std::string SaveSpectrumFile(const std::string& path) const;
    // The spectrum on display as tab-separated text (File > Export Spectrum).
    std::string WriteExportFile(const std::string& path) const;
    // File > Export As: CSV or JCAMP-DX (files/FormatChoice).
    std::string ExportAs(const std::string& path, int format) const;
    // A spectrum file read and put on display against the axis its x values
    // indicate, acquisition stopped; the reason (nothing changed) when it is
    // refused.
    std::string OpenSpectrumFile(const std::string& path);

    // --- The timed series ---------------------------------------------------------------
    // The refusal when the settings cannot run.
    std::string StartSeries();
    void StopSeries();
    bool IsSeriesRunning() const { return timeAcq_.timeAcqRunning; }
    const timed::SeriesSettings& seriesSettings() const { return timeAcq_.settings; }
    void SetSeriesSettings(const timed::SeriesSettings& settings) { timeAcq_.settings = settings; }
    unsigned seriesTableSetting() const { return seriesTable_.setting; }
    void SetSeriesTableSetting(unsigned setting) { seriesTable_.setting = setting; }

    // --- What the front-ends read -----------------------------------------------------------
    const acquisition::AcquisitionWorkspace& workspace() const { return workspace_; }
    const acquisition::AcquisitionFlags& flags() const { return flags_; }
    const calibration::CalibrationState& calibration() const { return calibration_; }
    const DriverParams& params() const { return app_->driverParams; }
    bool IsLaserOn() const { return laserOn_; }
    // The spectrometer has failed the last few scans asked for.
    bool IsDeliveryFailing() const;
    bool IsRemovingSpikes() const { return cleaning_.removeSpikes == 1; }
    bool IsSubtractingBaseline() const { return cleaning_.subtractBaseline == 1; }
    // The baseline was taken off what is shown: on, and it could be drawn.
    bool IsBaselineSubtracted() const;
    const cleaning::BaselineSettings& baselineSettings() const { return cleaning_.baseline.Settings(); }
    // The spectrum as the operator sees it (less its baseline while that is
    // on and could be drawn) and the x axis of the mode in use.
    const double* ShownSpectrum() const;
    const double* ShownX() const;
    // What is known of the spectrum on display, for the files it is written to.
    files::SpectrumFacts DescribeDisplayedSpectrum() const;
    // The acquisition settings and calibration in force now.
    files::SpectrumFacts DescribeAcquisition() const;
    // The status bar's note of what the display does to the spectrum.
    std::string CleaningNote() const;

Q_SIGNALS:
    // A scan went into the spectrum; shown false for a series' dark scan,
    // which is not to be drawn.
    void scanProcessed(bool shown);
    // The next scan was asked for (or none follows): the chart may draw the
    // scan waiting now.
    void chartMayDraw();
    // The shown spectrum changed outside a scan (the baseline switched or
    // set, the laser line moved it).
    void shownSpectrumChanged();
    // The axes were made again (channel, calibration, an opened file) or the
    // x-axis mode changed: the chart's x axis, the spectrum and what is
    // marked on it follow. modeChanged: the operator chose another axis.
    void axesChanged(bool modeChanged);
    // The laser line moved the Raman axis (x values of marks follow).
    void ramanAxisMoved();
    void laserChanged(bool on);
    // The Continuous button's check mark.
    void continuousShown(bool checked);
    // The integration time, averages and boxcar changed (Reset).
    void acquisitionValuesChanged();
    void statusText(const std::string& text);
    void cleaningNoteChanged(const std::string& text);
    // For the operator, in the error box.
    void operatorMessage(const std::string& text);

protected:
    bool event(QEvent* event) override;

private:
    DriverParams& mutableParams() { return app_->driverParams; }

    // The scan chain.
    void OnScanComplete(sys::WPARAM wParam);
    void OnDriverNotify(sys::WPARAM wParam);
    void RequestScan();
    void RequestNextScanAfterPendingMessages();
    void StopScans();
    bool ChainScanComing() const;
    void ResumeScanChain();
    void NoteScanDelivered();
    void SendParamsToDriver();
    void RebuildAxes();

    // Cleaning.
    void UpdateShownSpectrum();
    void RefreshCorrected() const;
    bool AveragesReadings() const;
    bool ScanForSpectrum(const float** spectrumScan);
    const float* LastScan() const;
    void ShowCleaningNote();

    // The spectrum file of the spectrum on display; false with the reason.
    bool WriteSpectrumFile(const std::string& path, std::string* reason) const;

    // The timed series.
    bool OnSeriesTimer(unsigned id);
    void OnSeriesScanComplete();
    void RunSeriesActions(const timed::SeriesActions& actions);
    void BeginSeriesRecords();
    void FinishSeriesRecords();
    void KeepSeriesDark();
    void SaveTimedScan();
    bool WriteSeriesFile(const std::string& path, std::string* reason);
    std::vector<timed::TimeStampRow> SavedScanRows() const;
    std::uint32_t FirstSavedScanTick() const;
    bool WriteTimeStampFile(std::string* path, std::string* reason);
    bool AddTimeStampRow(std::string* path, std::string* reason);
    void NoteSeriesWriteFailure(const std::string& path, const std::string& reason, bool counted);
    void ReportSeriesWriteFailures();
    void ShowSeriesStatus(const std::string& text);
    void ArmSeriesTimer(unsigned id, std::uint64_t periodMs);
    void KillSeriesTimer(unsigned id);
    void SwitchLaserForSeries(bool on);
    void BeginSeriesTable();
    void AddScanToSeriesTable();
    void FinishSeriesTable();
    bool WriteSeriesTable(std::string* reason);

    AppContext* app_ = nullptr;
    void* hinst_ = nullptr;
    bool started_ = false;
    bool laserOn_ = false;
    acquisition::AcquisitionWorkspace workspace_;
    acquisition::AcquisitionFlags flags_;
    // How the live spectrum was made, noted as each scan goes into it: the
    // switches may change afterwards, and the files written describe the
    // spectrum, not the switches.
    struct SpectrumMaking {
        bool darkSubtracted = false;
        long additiveScans = 0;  // scans in the sum; 0 for a single scan
    };
    SpectrumMaking spectrumMade_;
    calibration::CalibrationState calibration_;
    cleaning::SpectrumCleaning cleaning_;
    acquisition::ScanQueue scanQueue_;
    int failedScansInARow_ = 0;
    files::OpenedSpectrum openedSpectrum_;
    timed::TimeAcquisitionRun timeAcq_;
    timed::SeriesTableRun seriesTable_;
    timed::TimeStampLog timeStampLog_;
    // Fresh scans for a calibration dialog: every scan shown is offered.
    calibration::ScanAverage freshScans_;
};

}  // namespace vexlar
