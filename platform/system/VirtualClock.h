#pragma once
// Virtual time for tests. While a VirtualClock exists it takes over the
// window timers and the tick count: nothing fires and the tick count stands
// still until the test calls Advance(), which moves time forward and delivers
// every timer expiry that falls in that span, in time order (expiries due at
// the same moment in the order their timers were set), each as WM_TIMER with
// its id, before Advance returns. A handler may set or kill timers, its own
// included, and the change takes effect for the rest of the span; during a
// delivery the tick count reads the moment of that expiry.
//
// One clock at a time, created and advanced on the thread of the windows it
// serves. Its timers end with it; the previous timer service and tick source
// come back.

#include <cstddef>
#include <cstdint>
#include <memory>

class QObject;

namespace vexlar::sys {

class VirtualClock {
public:
    explicit VirtualClock(std::uint64_t startMilliseconds = 0);
    ~VirtualClock();
    VirtualClock(const VirtualClock&) = delete;
    VirtualClock& operator=(const VirtualClock&) = delete;

    void Advance(std::uint64_t milliseconds);
    // Virtual milliseconds since the clock's own start (not wrapped).
    std::uint64_t Now() const;

    bool IsTimerSet(const QObject* window, unsigned id) const;
    std::size_t TimerCount() const;

private:
    class Service;
    std::unique_ptr<Service> service_;
};

}  // namespace vexlar::sys
