#include "WindowTimers.h"

#include <QCoreApplication>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <QTimerEvent>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>

#include "Messages.h"

namespace vexlar::sys {

namespace {

// Runs the Qt timers of one window on the window's thread and hands each
// expiry to the window as WM_TIMER. It is not a child of the window, so the
// window's own children stay as the program made them; it goes away (with its
// timers) when the window does.
class WindowTimerHost : public QObject {
public:
    explicit WindowTimerHost(QObject* window) : window_(window) { }

    bool Set(unsigned id, unsigned milliseconds)
    {
        Kill(id);
        const int qtTimer = startTimer(static_cast<int>(milliseconds), Qt::PreciseTimer);
        if (qtTimer == 0)
            return false;
        qtTimers_[id] = qtTimer;
        return true;
    }

    bool Kill(unsigned id)
    {
        const auto found = qtTimers_.find(id);
        if (found == qtTimers_.end())
            return false;
        killTimer(found->second);
        qtTimers_.erase(found);
        return true;
    }

protected:
    void timerEvent(QTimerEvent* event) override
    {
        const auto found = std::find_if(qtTimers_.begin(), qtTimers_.end(),
                                        [&](const auto& timer) { return timer.second == event->timerId(); });
        if (found == qtTimers_.end() || !window_)
            return;
        // Delivered now rather than queued, so a timer killed in the
        // meantime can never leave a stale WM_TIMER behind.
        WindowMessageEvent message(WM_TIMER, found->first, 0);
        QCoreApplication::sendEvent(window_, &message);
    }

private:
    QPointer<QObject> window_;
    std::map<unsigned, int> qtTimers_;  // window timer id -> Qt timer id
};

class QtTimerService : public TimerService {
public:
    bool Set(QObject* window, unsigned id, unsigned milliseconds) override
    {
        // Qt timers belong to a thread; the window's timers run on its own.
        if (QThread::currentThread() != window->thread())
            return false;
        return HostFor(window)->Set(id, milliseconds);
    }

    bool Kill(QObject* window, unsigned id) override
    {
        if (QThread::currentThread() != window->thread())
            return false;
        std::lock_guard lock(mutex_);
        const auto found = hosts_.find(window);
        return found != hosts_.end() && found->second->Kill(id);
    }

private:
    WindowTimerHost* HostFor(QObject* window)
    {
        std::lock_guard lock(mutex_);
        if (const auto found = hosts_.find(window); found != hosts_.end())
            return found->second;
        auto* host = new WindowTimerHost(window);
        hosts_[window] = host;
        // The host may be the one delivering to the window right now, so it
        // is deleted once control is back in the event loop.
        QObject::connect(window, &QObject::destroyed, host, [this, window, host] {
            {
                std::lock_guard lock(mutex_);
                hosts_.erase(window);
            }
            host->deleteLater();
        });
        return host;
    }

    std::mutex mutex_;
    std::map<QObject*, WindowTimerHost*> hosts_;
};

QtTimerService& QtTimers()
{
    static QtTimerService service;
    return service;
}

std::atomic<TimerService*> gInstalled{nullptr};

TimerService& CurrentService()
{
    TimerService* installed = gInstalled.load();
    return installed ? *installed : QtTimers();
}

}  // namespace

unsigned ClampTimerPeriod(unsigned milliseconds)
{
    return std::clamp(milliseconds, kMinimumTimerPeriodMs, kMaximumTimerPeriodMs);
}

bool SetTimer(QObject* window, unsigned id, unsigned milliseconds)
{
    if (!window)
        return false;
    return CurrentService().Set(window, id, ClampTimerPeriod(milliseconds));
}

bool KillTimer(QObject* window, unsigned id)
{
    if (!window)
        return false;
    return CurrentService().Kill(window, id);
}

TimerService* InstallTimerService(TimerService* service)
{
    return gInstalled.exchange(service);
}

}  // namespace vexlar::sys
