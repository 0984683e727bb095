#include "timed/SeriesPlan.h"

#include <algorithm>

namespace vexlar::timed {

std::uint64_t PeriodMs(unsigned seconds)
{
    return static_cast<std::uint64_t>(seconds) * kMillisecondsPerSecond;
}

unsigned LaserOffSeconds(unsigned delayBetweenAcquisitions, unsigned laserWarmupTime)
{
    return delayBetweenAcquisitions > laserWarmupTime ? delayBetweenAcquisitions - laserWarmupTime : 0;
}

unsigned ArmablePeriodMs(std::uint64_t periodMs, unsigned maxPeriodMs)
{
    return static_cast<unsigned>(std::min<std::uint64_t>(periodMs, maxPeriodMs));
}

bool SeriesComplete(unsigned scanNumber, unsigned numberOfAcquisitions)
{
    return static_cast<std::uint64_t>(scanNumber) >= static_cast<std::uint64_t>(numberOfAcquisitions) + 1;
}

StartCheck CheckSeriesStart(const SeriesSettings& s, unsigned maxPeriodMs)
{
    if (s.BaseFilename.empty())
        return {StartRefusal::NoBaseFilename, 0};
    if (s.ToggleLaser == 1 && s.LaserWarmupTime > s.DelayBetweenAcquisitions)
        return {StartRefusal::WarmupLongerThanDelay, 0};

    const bool toggle = s.ToggleLaser == 1;
    // The periods this series arms: the first delay (0 when there is
    // none), then either the laser-off interval and the warm-up, or the
    // delay between scans.
    const unsigned used[] = {
        s.DelayBeforeFirstAcquisition,
        toggle ? LaserOffSeconds(s.DelayBetweenAcquisitions, s.LaserWarmupTime) : s.DelayBetweenAcquisitions,
        toggle ? s.LaserWarmupTime : 0u,
    };
    for (const unsigned seconds : used) {
        if (PeriodMs(seconds) > maxPeriodMs)
            return {StartRefusal::PeriodTooLong, seconds};
    }
    return {};
}

}  // namespace vexlar::timed
