#include "VirtualClock.h"

#include <QCoreApplication>
#include <QObject>
#include <QPointer>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <optional>
#include <vector>

#include "Messages.h"
#include "TickCount.h"
#include "WindowTimers.h"

namespace vexlar::sys {

class VirtualClock::Service : public TimerService {
public:
    explicit Service(std::uint64_t start) : now_(start) { }

    // What the clock took over, given back when it ends.
    TimerService* previousTimers = nullptr;
    TickSource previousTicks;

    bool Set(QObject* window, unsigned id, unsigned milliseconds) override
    {
        std::lock_guard lock(mutex_);
        EraseLocked(window, id);
        timers_.push_back({window, id, milliseconds, now_.load() + milliseconds, nextOrder_++});
        return true;
    }

    bool Kill(QObject* window, unsigned id) override
    {
        std::lock_guard lock(mutex_);
        return EraseLocked(window, id);
    }

    void Advance(std::uint64_t milliseconds)
    {
        const std::uint64_t target = now_.load() + milliseconds;
        while (const auto expiry = TakeNextExpiry(target)) {
            if (!expiry->window)
                continue;
            WindowMessageEvent message(WM_TIMER, expiry->id, 0);
            QCoreApplication::sendEvent(expiry->window, &message);
        }
        // A handler may itself have advanced the clock beyond the target.
        now_.store(std::max(now_.load(), target));
    }

    std::uint64_t Now() const { return now_.load(); }

    bool IsSet(const QObject* window, unsigned id) const
    {
        std::lock_guard lock(mutex_);
        return std::any_of(timers_.begin(), timers_.end(),
                           [&](const Timer& timer) { return timer.window == window && timer.id == id; });
    }

    std::size_t Count() const
    {
        std::lock_guard lock(mutex_);
        return static_cast<std::size_t>(
            std::count_if(timers_.begin(), timers_.end(), [](const Timer& timer) { return !timer.window.isNull(); }));
    }

private:
    struct Timer {
        QPointer<QObject> window;  // becomes null when the window goes away
        unsigned id;
        unsigned period;
        std::uint64_t due;
        std::uint64_t order;  // when it was set: breaks ties between equal due times
    };

    struct Expiry {
        QPointer<QObject> window;
        unsigned id;
    };

    // Removes the window's timer id, and timers of windows that are gone.
    bool EraseLocked(const QObject* window, unsigned id)
    {
        const auto matches = [&](const Timer& timer) {
            return !timer.window.isNull() && timer.window == window && timer.id == id;
        };
        const bool found = std::any_of(timers_.begin(), timers_.end(), matches);
        std::erase_if(timers_, [&](const Timer& timer) { return timer.window.isNull() || matches(timer); });
        return found;
    }

    // The earliest expiry due by target: time moves to it and the timer is
    // rescheduled one period on, before the window hears of it, so that a
    // handler that sets or kills the timer has the last word.
    std::optional<Expiry> TakeNextExpiry(std::uint64_t target)
    {
        std::lock_guard lock(mutex_);
        const auto next = std::min_element(timers_.begin(), timers_.end(), [](const Timer& a, const Timer& b) {
            return a.due != b.due ? a.due < b.due : a.order < b.order;
        });
        if (next == timers_.end() || next->due > target)
            return std::nullopt;
        now_.store(std::max(now_.load(), next->due));
        Expiry expiry{next->window, next->id};
        next->due += next->period;
        if (next->window.isNull())
            timers_.erase(next);
        return expiry;
    }

    mutable std::mutex mutex_;
    std::atomic<std::uint64_t> now_;
    std::vector<Timer> timers_;
    std::uint64_t nextOrder_ = 0;
};

VirtualClock::VirtualClock(std::uint64_t startMilliseconds) : service_(std::make_unique<Service>(startMilliseconds))
{
    service_->previousTimers = InstallTimerService(service_.get());
    service_->previousTicks = SetTickSource([service = service_.get()] { return service->Now(); });
}

VirtualClock::~VirtualClock()
{
    SetTickSource(std::move(service_->previousTicks));
    InstallTimerService(service_->previousTimers);
}

void VirtualClock::Advance(std::uint64_t milliseconds)
{
    service_->Advance(milliseconds);
}

std::uint64_t VirtualClock::Now() const
{
    return service_->Now();
}

bool VirtualClock::IsTimerSet(const QObject* window, unsigned id) const
{
    return service_->IsSet(window, id);
}

std::size_t VirtualClock::TimerCount() const
{
    return service_->Count();
}

}  // namespace vexlar::sys
