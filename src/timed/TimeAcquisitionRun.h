#pragma once
// The state of the time acquisition: its settings and the run of a series.
// A plain struct owned by the view; the decisions over it are the series
// steps (timed/SeriesSteps.h), and the view carries them out.

#include <cstdint>
#include <string>
#include <vector>

#include "timed/SeriesSettings.h"

namespace vexlar::timed {

struct TimeAcquisitionRun {
    // The settings in force; the run reads them afresh at every step, so
    // the operator may change them while a series runs.
    SeriesSettings settings;

    // From Start until Stop. While false, the timers are ignored and a
    // handled scan does not enter the series step.
    bool timeAcqRunning = false;
    // The first-delay timer is armed.
    bool firstDelayPending = false;
    // A dark scan has been asked for and has not yet completed.
    bool darkPending = false;
    // A dark or series scan has been asked for and has not yet reached the
    // series step: should acquisition have dropped it (stopped meanwhile),
    // it is asked for again when acquisition resumes.
    bool scanAwaited = false;
    // A switching scan is on its way: its data is thrown away, and the
    // acquisition values it displaced come back when it completes.
    bool restorePending = false;
    // The series scan the run waits for: 0 at Start (taken and thrown away),
    // then 1 to NumberOfAcquisitions (saved).
    unsigned scanNumber = 0;
    // The driver's IntegrationTime and Average while a switching scan runs.
    std::uint16_t savedIntegrationTime = 0;
    std::int16_t savedAverage = 0;
    // The handle of each series timer (first delay, laser off, next scan);
    // 0 when it is not armed.
    unsigned timerIds[3] = {0, 0, 0};

    // The tick count of each series scan, by scan number (scan 0 included),
    // made at Start and grown as scans are stamped.
    std::vector<std::uint32_t> timeStamps;
    // The name each saved scan's file was given, by scan number; empty for
    // a scan whose file could not be written, which has no time-stamp row.
    std::vector<std::string> seriesFileNames;
    // The name of the last series file.
    std::string currentFileName;
    // Files of the series that could not be written; the first with its reason.
    unsigned seriesWriteFailures = 0;
    std::string firstSeriesWriteFailure;
    // The run's last status text, and a failure to add to the next one.
    std::string seriesStatus;
    std::string seriesStatusNote;
};

}  // namespace vexlar::timed
