#pragma once
// When the chart may be painted: at most once per display frame, and a
// change that comes sooner is painted when its frame is due, so the last
// state always reaches the screen within one frame. Changes that come a frame
// or more apart (10 scans a second on a 60 Hz screen) are each painted at
// once.
//
// Plain arithmetic on the millisecond tick count, which wraps (differences are
// taken unsigned); no clock and no timer of its own.

#include <cstdint>

namespace vexlar::display {

// The length of a display frame in whole milliseconds, rounded up so that no
// two paints come within one frame: 17 ms at 60 Hz. A rate that is unknown (0,
// negative or not a number) counts as 60 Hz.
unsigned FrameIntervalMs(double refreshRateHz);

class FramePacer {
public:
    enum class Paint {
        Now,    // paint now, then call Painted
        Later,  // a paint is due in DelayMs(now); nothing to do until then
    };

    // Something new to show at tick `now`, with frames frameMs long. Now also
    // when a paint was waiting and its frame is due: it is done with this one.
    Paint Changed(std::uint32_t now, unsigned frameMs);
    // A paint waits for its frame.
    bool Pending() const { return pending_; }
    // Milliseconds from now until the waiting paint is due (0 when it is due).
    unsigned DelayMs(std::uint32_t now) const;
    // The chart was painted at tick now (whoever asked for it).
    void Painted(std::uint32_t now);

    // For a caller that paints at moments of its own choosing (the chart,
    // right after the next scan is asked for) rather than at once:
    // something new waits to be shown since tick `now`.
    void Waiting(std::uint32_t now, unsigned frameMs);
    // A change waits and a frame has passed since the last paint.
    bool Due(std::uint32_t now) const;
    // Milliseconds from now until the waiting change has waited a whole
    // frame, the latest it may be painted (0 when that has passed).
    unsigned DeadlineMs(std::uint32_t now) const;
    // Nothing waits any more (the state was painted some other way, or must
    // not be shown).
    void Cancel() { pending_ = false; }

private:
    bool paintedOnce_ = false;
    bool pending_ = false;
    std::uint32_t lastPaint_ = 0;
    std::uint32_t waitingSince_ = 0;
    unsigned frameMs_ = 17;
};

}  // namespace vexlar::display
