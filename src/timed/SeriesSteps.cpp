#include "timed/SeriesSteps.h"

#include <algorithm>
#include <cstdio>

#include "timed/SeriesNames.h"

namespace vexlar::timed {

namespace {

constexpr std::size_t kStatusTextSize = 128;

std::string ScanText(const char* format, unsigned scan, unsigned count)
{
    char text[kStatusTextSize];
    std::snprintf(text, sizeof text, format, scan, count);
    return text;
}

SeriesAction Show(std::string text)
{
    SeriesAction a;
    a.kind = SeriesActionKind::ShowStatus;
    a.text = std::move(text);
    return a;
}

SeriesAction Arm(unsigned id, std::uint64_t periodMs)
{
    SeriesAction a;
    a.kind = SeriesActionKind::ArmTimer;
    a.timerId = id;
    a.periodMs = periodMs;
    return a;
}

SeriesAction Kill(unsigned id)
{
    SeriesAction a;
    a.kind = SeriesActionKind::KillTimer;
    a.timerId = id;
    return a;
}

SeriesAction SwitchLaser(bool on)
{
    SeriesAction a;
    a.kind = SeriesActionKind::SwitchLaser;
    a.laserOn = on;
    return a;
}

SeriesAction Do(SeriesActionKind kind)
{
    SeriesAction a;
    a.kind = kind;
    return a;
}

// With laser toggling the laser-off interval comes next, otherwise the
// delay between scans.
SeriesAction ArmNextTimer(const SeriesSettings& s)
{
    if (s.ToggleLaser == 1)
        return Arm(kLaserOffTimerId, PeriodMs(LaserOffSeconds(s.DelayBetweenAcquisitions, s.LaserWarmupTime)));
    return Arm(kNextSeriesScanTimerId, PeriodMs(s.DelayBetweenAcquisitions));
}

std::string WarmingUpText(const TimeAcquisitionRun& run)
{
    return ScanText("Laser warming up for scan %u of %u", run.scanNumber, run.settings.NumberOfAcquisitions);
}

}  // namespace

int TimerSlot(unsigned id)
{
    switch (id) {
    case kFirstDelayTimerId:
        return 0;
    case kLaserOffTimerId:
        return 1;
    case kNextSeriesScanTimerId:
        return 2;
    default:
        return -1;
    }
}

SeriesStart StartSeries(TimeAcquisitionRun& run, unsigned maxPeriodMs)
{
    SeriesStart start;
    if (run.timeAcqRunning)
        return start;
    start.check = CheckSeriesStart(run.settings, maxPeriodMs);
    if (start.check.refusal != StartRefusal::None)
        return start;

    const SeriesSettings& s = run.settings;
    run.seriesStatusNote.clear();
    run.timeAcqRunning = true;
    run.scanNumber = 0;
    run.darkPending = false;
    run.scanAwaited = false;
    const std::size_t entries = static_cast<std::size_t>(
        std::min<std::uint64_t>(std::uint64_t{s.NumberOfAcquisitions} + 1, kInitialTableEntries));
    run.timeStamps.assign(entries, 0);
    run.seriesFileNames.assign(entries, std::string());
    run.currentFileName.clear();
    run.seriesWriteFailures = 0;
    run.firstSeriesWriteFailure.clear();

    start.actions.push_back(Show("Waiting for first scan"));
    start.actions.push_back(Do(SeriesActionKind::BeginRecords));
    run.firstDelayPending = s.DelayBeforeFirstAcquisition != 0;
    if (run.firstDelayPending)
        start.actions.push_back(Arm(kFirstDelayTimerId, PeriodMs(s.DelayBeforeFirstAcquisition)));
    else
        start.actions.push_back(ArmNextTimer(s));
    return start;
}

SeriesActions StopSeries(TimeAcquisitionRun& run)
{
    SeriesActions actions;
    if (!run.timeAcqRunning)
        return actions;
    for (const unsigned id : {kFirstDelayTimerId, kLaserOffTimerId, kNextSeriesScanTimerId}) {
        if (run.timerIds[TimerSlot(id)] != 0)
            actions.push_back(Kill(id));
    }
    run.firstDelayPending = false;
    run.darkPending = false;
    run.scanAwaited = false;
    run.timeAcqRunning = false;
    // The time-stamp file is written with the scans saved so far, then the
    // laser goes off whatever the settings say, and the ordinary scan cycle
    // takes over.
    actions.push_back(Do(SeriesActionKind::FinishRecords));
    actions.push_back(Do(SeriesActionKind::LaserOff));
    actions.push_back(Do(SeriesActionKind::ResumeScanCycle));
    actions.push_back(Do(SeriesActionKind::ReportFailures));
    return actions;
}

std::optional<SeriesActions> SeriesTimerFired(TimeAcquisitionRun& run, unsigned id)
{
    if (TimerSlot(id) < 0)
        return std::nullopt;
    SeriesActions actions;
    if (!run.timeAcqRunning)
        return actions;
    const SeriesSettings& s = run.settings;
    switch (id) {
    case kFirstDelayTimerId:
        run.firstDelayPending = false;
        actions.push_back(Kill(id));
        actions.push_back(ArmNextTimer(s));
        break;
    case kLaserOffTimerId:
        if (SeriesComplete(run.scanNumber, s.NumberOfAcquisitions)) {
            // The last spectrum is in: no dark and no warm-up for a scan that
            // will not come. The laser stays off and the series ends here.
            actions.push_back(Show("Ready"));
            actions.push_back(Do(SeriesActionKind::Stop));
        } else if (s.StoreDark == 1) {
            actions.push_back(
                Show(ScanText("Acquiring dark spectrum for scan %u of %u", run.scanNumber, s.NumberOfAcquisitions)));
            run.darkPending = true;
            actions.push_back(Kill(id));
            actions.push_back(Do(SeriesActionKind::RequestScan));
            run.scanAwaited = true;
        } else {
            actions.push_back(Show(WarmingUpText(run)));
            actions.push_back(Kill(id));
            actions.push_back(SwitchLaser(true));
            actions.push_back(Arm(kNextSeriesScanTimerId, PeriodMs(s.LaserWarmupTime)));
        }
        break;
    default:  // kNextSeriesScanTimerId
        if (SeriesComplete(run.scanNumber, s.NumberOfAcquisitions)) {
            actions.push_back(Show("Ready"));
            actions.push_back(Do(SeriesActionKind::Stop));
        } else {
            actions.push_back(Do(SeriesActionKind::RequestScan));
            run.scanAwaited = true;
            actions.push_back(Kill(id));
        }
        break;
    }
    return actions;
}

SeriesActions SeriesScanCompleted(TimeAcquisitionRun& run, std::uint32_t tick)
{
    SeriesActions actions;
    const SeriesSettings& s = run.settings;
    run.scanAwaited = false;
    if (run.darkPending) {
        // The dark scan: kept as the dark spectrum, then the warm-up.
        run.darkPending = false;
        actions.push_back(Do(SeriesActionKind::KeepDarkScan));
        actions.push_back(Show(WarmingUpText(run)));
        actions.push_back(SwitchLaser(true));
        actions.push_back(Arm(kNextSeriesScanTimerId, PeriodMs(s.LaserWarmupTime)));
        return actions;
    }

    // A series scan: stamped, saved, and the next one prepared. While the
    // first delay runs (a scan under way at Start came in), its timer
    // decides when the next comes.
    if (run.timeStamps.size() <= run.scanNumber)
        run.timeStamps.resize(std::size_t{run.scanNumber} + 1, 0);
    run.timeStamps[run.scanNumber] = tick;
    actions.push_back(Do(SeriesActionKind::SaveScan));
    if (s.ToggleLaser == 1) {
        actions.push_back(SwitchLaser(false));
        if (!run.firstDelayPending)
            actions.push_back(
                Arm(kLaserOffTimerId, PeriodMs(LaserOffSeconds(s.DelayBetweenAcquisitions, s.LaserWarmupTime))));
    } else if (!run.firstDelayPending) {
        actions.push_back(Arm(kNextSeriesScanTimerId, PeriodMs(s.DelayBetweenAcquisitions)));
    }
    // The text names the scan waited for next: saving counts scanNumber up
    // (scan 0 to 1 as well).
    actions.push_back(Show(ScanText("Waiting for scan %u of %u", run.scanNumber + 1, s.NumberOfAcquisitions)));
    return actions;
}

std::optional<std::string> NameScanForSaving(TimeAcquisitionRun& run)
{
    // The first scan of every series is thrown away: it may have been under
    // way when the series was started.
    if (run.scanNumber == 0) {
        run.scanNumber = 1;
        return std::nullopt;
    }
    run.currentFileName = SeriesFileName(run.settings.BaseFilename, run.scanNumber, run.settings.FileFormat);
    if (run.seriesFileNames.size() <= run.scanNumber)
        run.seriesFileNames.resize(std::size_t{run.scanNumber} + 1);
    run.seriesFileNames[run.scanNumber] = run.currentFileName;
    return run.currentFileName;
}

void CountSavedScan(TimeAcquisitionRun& run)
{
    ++run.scanNumber;
}

bool BeginSwitchingScan(TimeAcquisitionRun& run, std::uint16_t& integrationTime, std::int16_t& average)
{
    if (run.restorePending)
        return false;
    run.savedIntegrationTime = integrationTime;
    run.savedAverage = average;
    integrationTime = kSwitchingIntegrationTimeMs;
    average = kSwitchingAverage;
    run.restorePending = true;
    return true;
}

bool EndSwitchingScan(TimeAcquisitionRun& run, std::uint16_t& integrationTime, std::int16_t& average)
{
    if (!run.restorePending)
        return false;
    integrationTime = run.savedIntegrationTime;
    average = run.savedAverage;
    run.restorePending = false;
    return true;
}

void NoteTimerArmed(TimeAcquisitionRun& run, unsigned id, bool armed)
{
    const int slot = TimerSlot(id);
    if (slot >= 0)
        run.timerIds[slot] = armed ? id : 0;
}

void NoteTimerKilled(TimeAcquisitionRun& run, unsigned id)
{
    NoteTimerArmed(run, id, false);
}

}  // namespace vexlar::timed
