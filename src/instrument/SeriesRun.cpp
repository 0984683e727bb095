// The unattended timed series: three window timers and the scan-complete
// message drive it. Each series scan is stamped with the tick count, saved
// to its own numbered file, and its row appended to the time-stamp file at
// once, so whatever ends the series, every saved scan is in it. With laser
// toggling the laser is off between scans, and a fresh dark spectrum may be
// stored before each warm-up. The settings are read afresh at every step, so
// the operator may change them while the series runs.

#include <cstdio>
#include <optional>
#include <string>

#include "FileReplace.h"
#include "TickCount.h"
#include "WindowTimers.h"
#include "files/ExportFormat.h"
#include "files/FileProblems.h"
#include "instrument/Instrument.h"
#include "timed/SeriesNames.h"
#include "timed/SeriesPlan.h"
#include "timed/SeriesSteps.h"
#include "timed/TimeAcqTexts.h"
#include "timed/TimeStampFile.h"

using namespace vexlar;
using namespace vexlar::timed;

namespace {

std::string PeriodTooLongText(std::uint64_t seconds)
{
    char text[256];
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

std::string Instrument::StartSeries()
{
    // Settings that only an edited settings file can give are refused here
    // as the dialog refuses them, before anything changes.
    const SeriesStart start = timed::StartSeries(timeAcq_, sys::kMaximumTimerPeriodMs);
    switch (start.check.refusal) {
    case StartRefusal::NoBaseFilename:
        return kNoBaseFilename;
    case StartRefusal::WarmupLongerThanDelay:
        return kWarmupLongerThanDelay;
    case StartRefusal::PeriodTooLong:
        return PeriodTooLongText(start.check.seconds);
    case StartRefusal::None:
        break;
    }
    RunSeriesActions(start.actions);
    return {};
}

void Instrument::StopSeries()
{
    RunSeriesActions(timed::StopSeries(timeAcq_));
}

bool Instrument::OnSeriesTimer(unsigned id)
{
    const std::optional<SeriesActions> actions = SeriesTimerFired(timeAcq_, id);
    if (!actions)
        return false;
    RunSeriesActions(*actions);
    return true;
}

void Instrument::OnSeriesScanComplete()
{
    RunSeriesActions(SeriesScanCompleted(timeAcq_, vexlar::sys::GetTickCount()));
}

void Instrument::RunSeriesActions(const SeriesActions& actions)
{
    for (const SeriesAction& action : actions) {
        switch (action.kind) {
        case SeriesActionKind::ShowStatus:
            ShowSeriesStatus(action.text);
            break;
        case SeriesActionKind::ArmTimer:
            ArmSeriesTimer(action.timerId, action.periodMs);
            break;
        case SeriesActionKind::KillTimer:
            KillSeriesTimer(action.timerId);
            break;
        case SeriesActionKind::RequestScan:
            RequestScan();
            break;
        case SeriesActionKind::SwitchLaser:
            SwitchLaserForSeries(action.laserOn);
            break;
        case SeriesActionKind::KeepDarkScan:
            KeepSeriesDark();
            break;
        case SeriesActionKind::SaveScan:
            SaveTimedScan();
            break;
        case SeriesActionKind::BeginRecords:
            BeginSeriesRecords();
            break;
        case SeriesActionKind::FinishRecords:
            FinishSeriesRecords();
            break;
        case SeriesActionKind::LaserOff:
            SwitchLaserOff();
            break;
        case SeriesActionKind::ResumeScanCycle:
            // One scan for the scan cycle, unless one already on its way
            // will do: two in flight would be taken for a later series'
            // switching scan.
            if (!ChainScanComing())
                RequestScan();
            break;
        case SeriesActionKind::ReportFailures:
            ReportSeriesWriteFailures();
            break;
        case SeriesActionKind::Stop:
            StopSeries();
            break;
        }
    }
}

void Instrument::BeginSeriesRecords()
{
    // Every scan of the series must reach the series step: a stopped
    // acquisition (after Open or a click on Additive) would drop them all.
    if (!flags_.scanning) {
        flags_.scanning = true;
        if (!flags_.additive)
            Q_EMIT continuousShown(true);
    }
    flags_.discardNext = false;
    timeStampLog_.Start();
    BeginSeriesTable();
}

void Instrument::FinishSeriesRecords()
{
    // The final time-stamp file; only its failure here loses anything.
    std::string path;
    std::string reason;
    if (!WriteTimeStampFile(&path, &reason))
        NoteSeriesWriteFailure(path, reason, true);
    FinishSeriesTable();
}

void Instrument::ReportSeriesWriteFailures()
{
    if (!timeAcq_.seriesStatusNote.empty())
        ShowSeriesStatus(timeAcq_.seriesStatus);
    if (timeAcq_.seriesWriteFailures != 0)
        Q_EMIT operatorMessage(FailureSummary(timeAcq_.seriesWriteFailures, timeAcq_.firstSeriesWriteFailure));
}

void Instrument::KeepSeriesDark()
{
    // The dark scan: kept as the dark spectrum, not shown.
    const float* in = LastScan();
    for (int i = 0; i < kPixels; ++i)
        workspace_.dark[i] = static_cast<double>(in[i]);
    flags_.darkStored = true;
}

void Instrument::SaveTimedScan()
{
    // Scan 0 is thrown away; every other keeps its name for the time-stamp rows.
    const std::optional<std::string> name = NameScanForSaving(timeAcq_);
    if (!name)
        return;
    std::string reason;
    const bool written = WriteSeriesFile(*name, &reason);
    if (!written) {
        NoteSeriesWriteFailure(*name, reason, true);
        // The time-stamp file lists only files there are: this scan gets no row.
        timeAcq_.seriesFileNames[timeAcq_.scanNumber].clear();
    }
    AddScanToSeriesTable();
    CountSavedScan(timeAcq_);
    if (!written)
        return;
    // The time-stamp file holds this scan's row from now on, appended and
    // synced. A failure here is shown but not yet counted: the next write,
    // or the one at Stop, may still succeed.
    std::string path;
    if (!AddTimeStampRow(&path, &reason))
        NoteSeriesWriteFailure(path, reason, false);
}

bool Instrument::WriteSeriesFile(const std::string& path, std::string* reason)
{
    if (timeAcq_.settings.FileFormat == kSpectrumFileFormat) {
        return WriteSpectrumFile(path, reason);
    }
    if (timeAcq_.settings.FileFormat == kExportFileFormat) {
        // The layout of File > Export Spectrum, written without a message
        // box: the series goes on and reports at its end. Only numbers go
        // into it (the chart library refuses anything else in its file).
        const double* x =
            workspace_.xAxisMode == files::kRamanShiftMode ? workspace_.ramanShift : workspace_.wavelength;
        *reason = files::NotFiniteReason(ShownSpectrum(), {x}, kPixels);
        if (!reason->empty())
            return false;
        return vexlar::sys::ReplaceFileWhole(path,
                                             files::FormatExportFile(workspace_.xAxisMode, workspace_.wavelength,
                                                                     workspace_.ramanShift, ShownSpectrum(), kPixels),
                                             reason);
    }
    return true;  // no file for any other format
}

std::vector<TimeStampRow> Instrument::SavedScanRows() const
{
    std::vector<TimeStampRow> rows;
    // Scans 1 to scanNumber − 1 are the saved ones; those without a name
    // have no file.
    const TimeAcquisitionRun& run = timeAcq_;
    for (unsigned i = 1; i < run.scanNumber && i < run.timeStamps.size() && i < run.seriesFileNames.size(); ++i) {
        if (!run.seriesFileNames[i].empty())
            rows.push_back({run.seriesFileNames[i], run.timeStamps[i]});
    }
    return rows;
}

std::uint32_t Instrument::FirstSavedScanTick() const
{
    // Times count from the first saved scan, whether or not its file was written.
    return timeAcq_.timeStamps.size() > 1 ? timeAcq_.timeStamps[1] : 0;
}

bool Instrument::WriteTimeStampFile(std::string* path, std::string* reason)
{
    *path = TimeStampFileName(timeAcq_.settings.BaseFilename);
    return timeStampLog_.WriteWhole(*path, SavedScanRows(), FirstSavedScanTick(), reason);
}

bool Instrument::AddTimeStampRow(std::string* path, std::string* reason)
{
    *path = TimeStampFileName(timeAcq_.settings.BaseFilename);
    const TimeAcquisitionRun& run = timeAcq_;
    const unsigned saved = run.scanNumber - 1;
    return timeStampLog_.AddRow(
        *path, {run.seriesFileNames[saved], run.timeStamps[saved]}, FirstSavedScanTick(),
        [this] { return SavedScanRows(); }, reason);
}

void Instrument::NoteSeriesWriteFailure(const std::string& path, const std::string& reason, bool counted)
{
    const std::string what = "\"" + path + "\": " + reason;
    TimeAcquisitionRun& run = timeAcq_;
    if (counted) {
        if (run.seriesWriteFailures == 0)
            run.firstSeriesWriteFailure = what;
        ++run.seriesWriteFailures;
    }
    run.seriesStatusNote += run.seriesStatusNote.empty() ? " - could not write " + what : "; " + what;
}

void Instrument::ShowSeriesStatus(const std::string& text)
{
    timeAcq_.seriesStatus = text;
    const std::string shown = text + timeAcq_.seriesStatusNote;
    timeAcq_.seriesStatusNote.clear();
    Q_EMIT statusText(shown);
}

void Instrument::ArmSeriesTimer(unsigned id, std::uint64_t periodMs)
{
    // Settings changed during the series are not checked as Start checks
    // them: a period beyond the timers' longest runs at the longest.
    const unsigned period = ArmablePeriodMs(periodMs, vexlar::sys::kMaximumTimerPeriodMs);
    NoteTimerArmed(timeAcq_, id, vexlar::sys::SetTimer(this, id, period));
}

void Instrument::KillSeriesTimer(unsigned id)
{
    vexlar::sys::KillTimer(this, id);
    NoteTimerKilled(timeAcq_, id);
}

void Instrument::SwitchLaserForSeries(bool on)
{
    // A switching scan already on its way straddles this switch as well: it
    // serves for both, and the acquisition values it saved stay saved.
    // Saving again would keep the short switching values for good, and a
    // second switching scan would reach the series as a series scan.
    DriverParams& p = mutableParams();
    const bool switchingScanRequested = BeginSwitchingScan(timeAcq_, p.IntegrationTime, p.Average);
    QDV_V7400StrobeEnable(on ? 1 : 0);
    scanQueue_.AcquisitionSwitched();
    laserOn_ = on;
    Q_EMIT laserChanged(on);
    if (!switchingScanRequested)
        return;
    scanQueue_.SwitchingRequested();
    QDV_SingleScan(hinst_);
}
