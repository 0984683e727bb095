#pragma once
// The decisions of a time-acquisition series, over its state and nothing
// else: what happens at Start and Stop, when each of the three timers fires
// and when a scan of the series completes. Each step changes the run state
// and returns what the view is to do, in the order the instrument requires:
// the status texts, the timers to arm (with their periods) and kill, the
// scans to ask for, when to switch the laser and when to save.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "timed/SeriesPlan.h"
#include "timed/TimeAcquisitionRun.h"

namespace vexlar::timed {

// The three window timers of the series.
constexpr unsigned kFirstDelayTimerId = 273;      // the delay before the first acquisition
constexpr unsigned kLaserOffTimerId = 546;        // the end of the laser-off interval
constexpr unsigned kNextSeriesScanTimerId = 819;  // the next series scan, or the series' end

// A switching scan runs short and unaveraged: its data is thrown away.
constexpr std::uint16_t kSwitchingIntegrationTimeMs = 50;
constexpr std::int16_t kSwitchingAverage = 1;

// The time-stamp table made at Start: N + 1 entries, up to this many; it
// grows as scans are stamped, so no N sizes it beyond need.
constexpr std::size_t kInitialTableEntries = 4096;

enum class SeriesActionKind {
    ShowStatus,       // text on the status bar
    ArmTimer,         // timerId with periodMs
    KillTimer,        // timerId
    RequestScan,      // a dark scan or a series scan
    SwitchLaser,      // the laser line to laserOn, with a switching scan
    KeepDarkScan,     // the scan just handled becomes the dark spectrum
    SaveScan,         // the scan just handled saved as the next series file
    BeginRecords,     // Start: the scan chain made to serve the series, its files begun
    FinishRecords,    // Stop: the time-stamp file written whole, the series table finished
    LaserOff,         // the laser line off, without a switching scan
    ResumeScanCycle,  // one scan for the ordinary scan cycle, unless one is on its way
    ReportFailures,   // files that could not be written, told to the operator
    Stop,             // the series is complete: Stop
};

struct SeriesAction {
    SeriesActionKind kind = SeriesActionKind::ShowStatus;
    std::string text;
    unsigned timerId = 0;
    std::uint64_t periodMs = 0;
    bool laserOn = false;

    bool operator==(const SeriesAction&) const = default;
};

using SeriesActions = std::vector<SeriesAction>;

// The slot of timerIds that holds a series timer's handle; -1 for any other id.
int TimerSlot(unsigned id);

// Start: the settings checked as the dialog checks them, then the run
// begun and its first timer chosen. Nothing (and no refusal) while a series
// runs already; nothing changes on a refusal.
struct SeriesStart {
    StartCheck check;
    SeriesActions actions;
};
SeriesStart StartSeries(TimeAcquisitionRun& run, unsigned maxPeriodMs);

// Stop, by the operator or at the series' end: every armed timer killed, the
// records finished, the laser off and the scan cycle given a scan. Nothing
// while no series runs.
SeriesActions StopSeries(TimeAcquisitionRun& run);

// A window timer fired. Nothing when id is none of the series' timers (it is
// not the series' to handle); no action while no series runs.
std::optional<SeriesActions> SeriesTimerFired(TimeAcquisitionRun& run, unsigned id);

// A scan of the running series has been handled (shown, unless it was the
// dark scan): the dark scan kept, or the series scan stamped with tick,
// saved, and the next step armed.
SeriesActions SeriesScanCompleted(TimeAcquisitionRun& run, std::uint32_t tick);

// Saving the scan just handled: nothing for scan 0 (counted as 1, thrown
// away), otherwise the name of its file, kept for the time-stamp rows.
// CountSavedScan then counts scanNumber up.
std::optional<std::string> NameScanForSaving(TimeAcquisitionRun& run);
void CountSavedScan(TimeAcquisitionRun& run);

// The laser is about to be switched: true when a switching scan is to be
// asked for, the acquisition values saved in run and replaced by the short
// ones. A switching scan already on its way serves this switch as well: its
// saved values stay, and false.
bool BeginSwitchingScan(TimeAcquisitionRun& run, std::uint16_t& integrationTime, std::int16_t& average);
// The switching scan came back or was cancelled: the values it displaced put
// back. False when none was on its way.
bool EndSwitchingScan(TimeAcquisitionRun& run, std::uint16_t& integrationTime, std::int16_t& average);

// A timer was armed (or could not be) and killed: its handle noted.
void NoteTimerArmed(TimeAcquisitionRun& run, unsigned id, bool armed);
void NoteTimerKilled(TimeAcquisitionRun& run, unsigned id);

}  // namespace vexlar::timed
