#include "display/FramePacer.h"

#include <cmath>

namespace vexlar::display {

namespace {

constexpr double kDefaultRefreshRateHz = 60.0;
constexpr double kMsPerSecond = 1000.0;

}  // namespace

unsigned FrameIntervalMs(double refreshRateHz)
{
    const double rate = std::isfinite(refreshRateHz) && refreshRateHz > 0.0 ? refreshRateHz : kDefaultRefreshRateHz;
    // A screen faster than 1000 Hz still gets one paint per millisecond.
    const double ms = std::ceil(kMsPerSecond / rate);
    return ms < 1.0 ? 1u : static_cast<unsigned>(ms);
}

FramePacer::Paint FramePacer::Changed(std::uint32_t now, unsigned frameMs)
{
    frameMs_ = frameMs;
    // A paint that waits and is overdue (its timer late behind other work)
    // is done with this change.
    if (!paintedOnce_ || now - lastPaint_ >= frameMs_) {
        pending_ = false;
        return Paint::Now;
    }
    if (pending_)
        return Paint::Later;
    waitingSince_ = now;
    pending_ = true;
    return Paint::Later;
}

unsigned FramePacer::DelayMs(std::uint32_t now) const
{
    const std::uint32_t since = now - lastPaint_;
    return since >= frameMs_ ? 0u : frameMs_ - since;
}

void FramePacer::Painted(std::uint32_t now)
{
    paintedOnce_ = true;
    pending_ = false;
    lastPaint_ = now;
}

void FramePacer::Waiting(std::uint32_t now, unsigned frameMs)
{
    frameMs_ = frameMs;
    if (!pending_)
        waitingSince_ = now;
    pending_ = true;
}

bool FramePacer::Due(std::uint32_t now) const
{
    return pending_ && (!paintedOnce_ || now - lastPaint_ >= frameMs_);
}

unsigned FramePacer::DeadlineMs(std::uint32_t now) const
{
    const std::uint32_t waited = now - waitingSince_;
    return waited >= frameMs_ ? 0u : frameMs_ - waited;
}

}  // namespace vexlar::display
