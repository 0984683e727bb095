// The unattended timed series: three window timers and the scan-complete
// message drive it. Each series scan is stamped with the tick count, saved
// to its own numbered file, and its row appended to the time-stamp file at
// once, so whatever ends the series, every saved scan is in it. With laser
// toggling the laser is off between scans, and a fresh dark spectrum may be
// stored before each warm-up. The settings are read afresh at every step, so
// the operator may change them while the series runs.

#include <algorithm>
#include <cstdio>
#include <string>

#include "MessageBox.h"
#include "TickCount.h"
#include "WindowTimers.h"
#include "Xrt.h"
#include "acquisition/VexlarView.h"
#include "acquisition/ViewHost.h"
#include "files/ExportFormat.h"
#include "files/FileMessages.h"
#include "FileReplace.h"
#include "timed/SeriesNames.h"
#include "timed/SeriesPlan.h"
#include "timed/TimeAcqTexts.h"
#include "timed/TimeStampFile.h"

using namespace vexlar;
using namespace vexlar::timed;

namespace {

// A switching scan runs short and unaveraged: its data is thrown away.
constexpr std::uint16_t kSwitchingIntegrationTimeMs = 50;
constexpr std::int16_t kSwitchingAverage = 1;

// The time-stamp table made at Start: N + 1 entries, up to this many; it
// grows as scans are stamped, so no N sizes it beyond need.
constexpr std::size_t kInitialTableEntries = 4096;

constexpr std::size_t kStatusTextSize = 128;
constexpr char kProgramErrorTitle[] = "Vexlar Error";

// The slot of timerIds that holds each timer's handle.
int TimerSlot(unsigned id)
{
    switch (id) {
    case kFirstDelayTimerId: return 0;
    case kLaserOffTimerId: return 1;
    case kNextSeriesScanTimerId: return 2;
    default: return -1;
    }
}

std::string ScanText(const char* format, unsigned scan, unsigned count)
{
    char text[kStatusTextSize];
    std::snprintf(text, sizeof text, format, scan, count);
    return text;
}

std::string PeriodTooLongText(std::uint64_t seconds)
{
    char text[2 * kStatusTextSize];
    std::snprintf(text, sizeof text,
                  "A time of %llu seconds is longer than the longest timer the system allows (%u seconds).\n"
                  "Shorten the delays or the laser warmup time.",
                  static_cast<unsigned long long>(seconds),
                  static_cast<unsigned>(vexlar::sys::kMaximumTimerPeriodMs / kMillisecondsPerSecond));
    return text;
}

std::string FailureSummary(unsigned failures, const std::string& first)
{
    return std::to_string(failures) + (failures == 1 ? " file" : " files") +
           " of the time acquisition series could not be written.\nThe first was " + first;
}

}  // namespace

void CVexlarView::StartTimeAcquisition()
{
    if (timeAcqRunning)
        return;
    // Settings that only an edited settings file can give are refused here
    // as the dialog refuses them, before anything changes.
    SeriesSettings settings;
    settings.toggleLaser = ToggleLaser == 1;
    settings.laserWarmupTime = LaserWarmupTime;
    settings.delayBeforeFirstAcquisition = DelayBeforeFirstAcquisition;
    settings.delayBetweenAcquisitions = DelayBetweenAcquisitions;
    settings.baseFilename = BaseFilename;
    const StartCheck check = CheckSeriesStart(settings, vexlar::sys::kMaximumTimerPeriodMs);
    switch (check.refusal) {
    case StartRefusal::NoBaseFilename:
        vexlar::sys::ShowOperatorMessage(kNoBaseFilename, kTimeAcqErrorTitle);
        return;
    case StartRefusal::WarmupLongerThanDelay:
        vexlar::sys::ShowOperatorMessage(kWarmupLongerThanDelay, kTimeAcqErrorTitle);
        return;
    case StartRefusal::PeriodTooLong:
        vexlar::sys::ShowOperatorMessage(PeriodTooLongText(check.seconds), kTimeAcqErrorTitle);
        return;
    case StartRefusal::None:
        break;
    }

    // 1, 2.
    seriesStatusNote.clear();
    ShowSeriesStatus("Waiting for first scan");
    timeAcqRunning = 1;
    scanNumber = 0;
    darkPending = 0;
    // Every scan of the series must reach the series step: a stopped
    // acquisition (after Open or a click on Additive) would drop them all.
    if (!scanning) {
        scanning = 1;
        if (!additive && host_)
            host_->SetChecked(IDC_CONTINUOUS, true);
    }
    discardNext = 0;
    // 3.
    const std::size_t entries =
        static_cast<std::size_t>(std::min<std::uint64_t>(std::uint64_t{NumberOfAcquisitions} + 1, kInitialTableEntries));
    timeStamps.assign(entries, 0);
    seriesFileNames.assign(entries, std::string());
    currentFileName.clear();
    timeStampLog_.Start();
    seriesWriteFailures = 0;
    firstSeriesWriteFailure.clear();
    BeginSeriesTable();
    // 4.
    if (DelayBeforeFirstAcquisition != 0) {
        firstDelayPending = 1;
        ArmSeriesTimer(kFirstDelayTimerId, PeriodMs(DelayBeforeFirstAcquisition));
    } else {
        firstDelayPending = 0;
        ArmNextSeriesTimer();
    }
}

void CVexlarView::StopTimeAcquisition()
{
    if (!timeAcqRunning)
        return;
    // 1, 2.
    for (const unsigned id : {kFirstDelayTimerId, kLaserOffTimerId, kNextSeriesScanTimerId}) {
        if (timerIds[TimerSlot(id)] != 0)
            KillSeriesTimer(id);
    }
    firstDelayPending = 0;
    darkPending = 0;
    // 3. The final time-stamp file; only its failure here loses anything.
    std::string path;
    std::string reason;
    if (!WriteTimeStampFile(&path, &reason))
        NoteSeriesWriteFailure(path, reason, true);
    FinishSeriesTable();
    // 4 to 6.
    timeAcqRunning = 0;
    SwitchLaserOff();
    // One scan for the scan cycle, unless one already on its way will do:
    // two in flight would be taken for a later series' switching scan.
    if (!ChainScanComing())
        RequestScan();

    if (!seriesStatusNote.empty())
        ShowSeriesStatus(seriesStatus);
    if (seriesWriteFailures != 0)
        vexlar::sys::ShowOperatorMessage(FailureSummary(seriesWriteFailures, firstSeriesWriteFailure),
                                         kProgramErrorTitle);
}

bool CVexlarView::OnTimeAcqTimer(unsigned id)
{
    if (TimerSlot(id) < 0)
        return false;
    if (!timeAcqRunning)
        return true;
    const unsigned n = NumberOfAcquisitions;
    switch (id) {
    case kFirstDelayTimerId:
        firstDelayPending = 0;
        KillSeriesTimer(id);
        ArmNextSeriesTimer();
        break;
    case kLaserOffTimerId:
        if (StoreDark == 1) {
            ShowSeriesStatus(ScanText("Acquiring dark spectrum for scan %u of %u", scanNumber, n));
            darkPending = 1;
            KillSeriesTimer(id);
            RequestScan();
        } else {
            ShowSeriesStatus(ScanText("Laser warming up for scan %u of %u", scanNumber, n));
            KillSeriesTimer(id);
            SwitchLaserForSeries(1);
            ArmSeriesTimer(kNextSeriesScanTimerId, PeriodMs(LaserWarmupTime));
        }
        break;
    case kNextSeriesScanTimerId:
        if (SeriesComplete(scanNumber, n)) {
            ShowSeriesStatus("Ready");
            StopTimeAcquisition();
            break;
        }
        RequestScan();
        KillSeriesTimer(id);
        break;
    default:
        break;
    }
    return true;
}

void CVexlarView::OnSeriesScanComplete()
{
    if (darkPending) {
        // The dark scan: kept as the dark spectrum, not shown.
        const float* in = LastScan();
        for (int i = 0; i < kPixels; ++i)
            dark[i] = static_cast<double>(in[i]);
        darkStored = 1;
        darkPending = 0;
        ShowSeriesStatus(ScanText("Laser warming up for scan %u of %u", scanNumber, NumberOfAcquisitions));
        SwitchLaserForSeries(1);
        ArmSeriesTimer(kNextSeriesScanTimerId, PeriodMs(LaserWarmupTime));
        return;
    }

    // A series scan: 1, 2.
    if (timeStamps.size() <= scanNumber)
        timeStamps.resize(std::size_t{scanNumber} + 1, 0);
    timeStamps[scanNumber] = vexlar::sys::GetTickCount();
    SaveTimedScan();
    // 3, 4.
    if (ToggleLaser == 1) {
        SwitchLaserForSeries(0);
        if (!firstDelayPending)
            ArmSeriesTimer(kLaserOffTimerId, PeriodMs(LaserOffSeconds(DelayBetweenAcquisitions, LaserWarmupTime)));
    } else if (!firstDelayPending) {
        ArmSeriesTimer(kNextSeriesScanTimerId, PeriodMs(DelayBetweenAcquisitions));
    }
    // 5.
    ShowSeriesStatus(ScanText("Waiting for scan %u of %u", scanNumber, NumberOfAcquisitions));
}

void CVexlarView::SaveTimedScan()
{
    // The first scan of every series is thrown away: it may have been under
    // way when the series was started.
    if (scanNumber == 0) {
        scanNumber = 1;
        return;
    }
    // 1. The name is kept as saved, for the time-stamp rows.
    currentFileName = SeriesFileName(BaseFilename, scanNumber, FileFormat);
    if (seriesFileNames.size() <= scanNumber)
        seriesFileNames.resize(std::size_t{scanNumber} + 1);
    seriesFileNames[scanNumber] = currentFileName;
    // 2.
    std::string reason;
    if (!WriteSeriesFile(currentFileName, &reason))
        NoteSeriesWriteFailure(currentFileName, reason, true);
    AddScanToSeriesTable();
    // 3.
    ++scanNumber;
    // The time-stamp file holds this scan's row from now on, appended and
    // synced. A failure here is shown but not yet counted: the next write,
    // or the one at Stop, may still succeed.
    std::string path;
    if (!AddTimeStampRow(&path, &reason))
        NoteSeriesWriteFailure(path, reason, false);
}

bool CVexlarView::WriteSeriesFile(const std::string& path, std::string* reason)
{
    if (FileFormat == kSpectrumFileFormat) {
        if (!XrtDataSaveToFile(liveData, path.c_str(), XRT_FILE_DEFAULT)) {
            *reason = files::ChartLibraryReason();
            return false;
        }
        return true;
    }
    if (FileFormat == kExportFileFormat) {
        // The layout of File > Export Spectrum, written without a message
        // box: the series goes on and reports at its end.
        return vexlar::sys::ReplaceFileWhole(
            path, files::FormatExportFile(xAxisMode, wavelength, ramanShift, ShownSpectrum(), kPixels), reason);
    }
    return true;  // no file for any other format
}

std::vector<TimeStampRow> CVexlarView::SavedScanRows() const
{
    std::vector<TimeStampRow> rows;
    // Scans 1 to scanNumber − 1 are the saved ones.
    for (unsigned i = 1; i < scanNumber && i < timeStamps.size() && i < seriesFileNames.size(); ++i)
        rows.push_back({seriesFileNames[i], timeStamps[i]});
    return rows;
}

bool CVexlarView::WriteTimeStampFile(std::string* path, std::string* reason)
{
    *path = TimeStampFileName(BaseFilename);
    return timeStampLog_.WriteWhole(*path, SavedScanRows(), reason);
}

bool CVexlarView::AddTimeStampRow(std::string* path, std::string* reason)
{
    *path = TimeStampFileName(BaseFilename);
    const unsigned saved = scanNumber - 1;
    return timeStampLog_.AddRow(*path, saved, {seriesFileNames[saved], timeStamps[saved]}, timeStamps[1],
                                [this] { return SavedScanRows(); }, reason);
}

void CVexlarView::NoteSeriesWriteFailure(const std::string& path, const std::string& reason, bool counted)
{
    const std::string what = "\"" + path + "\": " + reason;
    if (counted) {
        if (seriesWriteFailures == 0)
            firstSeriesWriteFailure = what;
        ++seriesWriteFailures;
    }
    seriesStatusNote += seriesStatusNote.empty() ? " - could not write " + what : "; " + what;
}

void CVexlarView::ShowSeriesStatus(const std::string& text)
{
    seriesStatus = text;
    const std::string shown = text + seriesStatusNote;
    seriesStatusNote.clear();
    if (host_)
        host_->SetStatusText(shown);
}

void CVexlarView::ArmNextSeriesTimer()
{
    if (ToggleLaser == 1)
        ArmSeriesTimer(kLaserOffTimerId, PeriodMs(LaserOffSeconds(DelayBetweenAcquisitions, LaserWarmupTime)));
    else
        ArmSeriesTimer(kNextSeriesScanTimerId, PeriodMs(DelayBetweenAcquisitions));
}

void CVexlarView::ArmSeriesTimer(unsigned id, std::uint64_t periodMs)
{
    // Settings changed during the series are not checked as Start checks
    // them: a period beyond the timers' longest runs at the longest.
    const unsigned period = ArmablePeriodMs(periodMs, vexlar::sys::kMaximumTimerPeriodMs);
    timerIds[TimerSlot(id)] = vexlar::sys::SetTimer(this, id, period) ? id : 0;
}

void CVexlarView::KillSeriesTimer(unsigned id)
{
    vexlar::sys::KillTimer(this, id);
    timerIds[TimerSlot(id)] = 0;
}

void CVexlarView::SwitchLaserForSeries(int on)
{
    // A switching scan already on its way straddles this switch as well: it
    // serves for both, and the acquisition values it saved stay saved.
    // Saving again would keep the short switching values for good, and a
    // second switching scan would reach the series as a series scan.
    const bool switchingScanOutstanding = restorePending != 0;
    if (!switchingScanOutstanding) {
        DriverParams& p = params();
        savedIntegrationTime = p.IntegrationTime;
        savedAverage = p.Average;
        p.IntegrationTime = kSwitchingIntegrationTimeMs;
        p.Average = kSwitchingAverage;
    }
    QDV_V7400StrobeEnable(on);
    scanQueue_.AcquisitionSwitched();
    if (host_)
        host_->SetChecked(IDC_LASER, on != 0);
    if (switchingScanOutstanding)
        return;
    restorePending = 1;
    scanQueue_.SwitchingRequested();
    QDV_SingleScan(hinst);
}
