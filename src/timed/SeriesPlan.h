#pragma once
// The timing of a time-acquisition series: the timer periods the settings
// give, the test for a finished series, and the check of the settings before
// a series starts. Periods are computed in 64 bits so that no number of
// seconds wraps around into a short period.

#include <cstdint>
#include <string>

#include "timed/SeriesSettings.h"

namespace vexlar::timed {

constexpr std::uint64_t kMillisecondsPerSecond = 1000;

// seconds × 1000, exact.
std::uint64_t PeriodMs(unsigned seconds);

// The laser-off interval between a series scan and the next warm-up:
// delay − warm-up, or 0 when the warm-up takes the whole delay or more.
unsigned LaserOffSeconds(unsigned delayBetweenAcquisitions, unsigned laserWarmupTime);

// A period the window timers can run: longer ones are held to maxPeriodMs.
unsigned ArmablePeriodMs(std::uint64_t periodMs, unsigned maxPeriodMs);

// True when every one of the numberOfAcquisitions scans after the thrown-away
// first one has been taken, that is scanNumber ≥ N + 1 (computed without
// wrapping, so even N = 4294967295 is a series that ends).
bool SeriesComplete(unsigned scanNumber, unsigned numberOfAcquisitions);

enum class StartRefusal {
    None,
    NoBaseFilename,         // the base file name is empty
    WarmupLongerThanDelay,  // laser toggling with warm-up > delay between scans
    PeriodTooLong,          // a timer period beyond what the timers can run
};

struct StartCheck {
    StartRefusal refusal = StartRefusal::None;
    // For PeriodTooLong: the number of seconds that cannot be timed.
    std::uint64_t seconds = 0;
};

// Whether a series may start with these settings. The checks, in order: a
// base file name, the warm-up within the delay when the laser is toggled
// (the same rule the dialog enforces), and every timer period the series
// will use no longer than maxPeriodMs.
StartCheck CheckSeriesStart(const SeriesSettings& settings, unsigned maxPeriodMs);

}  // namespace vexlar::timed
