#pragma once
// Window timers with fixed ids: a window (any QObject) asks for a timer with
// its own id and receives a WindowMessageEvent with message WM_TIMER and the
// id in wParam every period until it kills the timer, as with the platform's
// window timers. Setting an id that is already running restarts it with the
// new period. Once KillTimer has returned, the window sees no further WM_TIMER
// for that id.
//
// Behind the calls is a replaceable timer service: by default Qt timers on
// the window's thread; in tests the VirtualClock, which fires timers when the
// test advances its time.

class QObject;

namespace vexlar::sys {

// The period limits of the platform's timers: shorter periods (0 included)
// are raised to the minimum, longer ones lowered to the maximum.
constexpr unsigned kMinimumTimerPeriodMs = 10;
constexpr unsigned kMaximumTimerPeriodMs = 0x7FFFFFFF;

// Starts or restarts timer id of the window. False for a null window, or when
// called from a thread other than the window's with the Qt-backed service.
bool SetTimer(QObject* window, unsigned id, unsigned milliseconds);
// Stops timer id of the window; false when it was not running.
bool KillTimer(QObject* window, unsigned id);

// The period a timer really runs with.
unsigned ClampTimerPeriod(unsigned milliseconds);

class TimerService {
public:
    virtual ~TimerService() = default;
    // The period is already clamped and the window is not null.
    virtual bool Set(QObject* window, unsigned id, unsigned milliseconds) = 0;
    virtual bool Kill(QObject* window, unsigned id) = 0;
};

// Makes service take the timer calls (null restores the Qt-backed service)
// and returns the service it replaces (null for the Qt-backed one). Timers
// already running stay with the service that started them.
TimerService* InstallTimerService(TimerService* service);

}  // namespace vexlar::sys
