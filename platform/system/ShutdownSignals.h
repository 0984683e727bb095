#pragma once
// Ending the program the orderly way when it is asked to from outside:
// SIGTERM (kill, a session ending), SIGINT (Ctrl+C in the terminal that
// started it), SIGHUP (that terminal closed), SIGQUIT (Ctrl+\), and the other
// signals whose default would end the process on the spot (SIGUSR1, SIGUSR2,
// SIGALRM, SIGVTALRM, SIGXCPU, SIGIO, SIGPWR, SIGSTKFLT, and SIGPROF and the
// real-time signals unless something else has taken them): left to their
// default, each would end it with the laser in whatever state it was and the
// operator's settings unsaved.
//
// The handler does only what is safe inside a signal handler: it writes the
// signal's number into a pipe. A thread of this object's own waits on that
// pipe, so that whatever the user-interface thread is doing (a long drawing,
// a write that waits), the moment a signal arrives it makes the instrument
// safe (the laser off), then asks the event loop for the orderly end (the
// program's own handler, which ends it as File > Exit does). Should the
// program not have ended in order a while later, the thread ends the
// process itself, with 128 plus the signal's number as the exit status. Once
// safe, a further signal ends the process at once with that status.
//
// A crash (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGSYS, SIGTRAP) cannot
// be recovered from: the instrument is made safe as best it can be from
// inside the handler, and the crash then goes on as it would have. A stop
// from the terminal (SIGTSTP, Ctrl+Z; SIGTTIN, SIGTTOU) makes the
// instrument safe on the signal thread before the process stops.

#include <QObject>

#include <functional>
#include <thread>

namespace vexlar::sys {

// The exit status of a program ended by a signal: 128 and the signal's
// number, as a shell reports it.
constexpr int ExitStatusForSignal(int signal)
{
    return 128 + signal;
}

// How long the orderly end may take after a signal before the process is
// ended without it.
inline constexpr int kOrderlyEndMs = 5000;

class ShutdownSignals : public QObject {
public:
    // Makes the instrument safe: called on the signal thread as a signal
    // arrives and from inside a crash's handler, so it must be callable
    // from any thread at any time and must not wait.
    using MakeSafe = void (*)();

    // Catches the signals until destroyed; onSignal runs in the event loop
    // with the signal's number, once for each signal caught. With makeSafe,
    // it runs first, on the signal thread, and from then on a further signal
    // ends the process at once. Only one object may exist at a time.
    explicit ShutdownSignals(std::function<void(int)> onSignal, MakeSafe makeSafe = nullptr,
                             int orderlyEndMs = kOrderlyEndMs, QObject* parent = nullptr);
    ~ShutdownSignals() override;
    ShutdownSignals(const ShutdownSignals&) = delete;
    ShutdownSignals& operator=(const ShutdownSignals&) = delete;

    // False when the pipe, the thread or the handlers could not be set up.
    bool active() const { return active_; }

    // Takes the signals back from a library that set its own actions for
    // some of them meanwhile (the control system's device server resets
    // SIGINT and SIGQUIT to their default).
    void Reassert();

    // madeSafe runs in the event loop once a stop from the terminal has made
    // the instrument safe and the process goes on again.
    void WhenStopped(std::function<void()> madeSafe);

    // From now on a shutdown signal ends the process at once.
    static void EndAtOnceFromNowOn();

private:
    // The signal thread: each signal's number as it arrives, until the
    // object goes away.
    void Watch();

    std::function<void(int)> onSignal_;
    std::function<void()> whenStopped_;
    MakeSafe makeSafe_;
    int orderlyEndMs_;
    std::thread watcher_;
    bool active_ = false;
};

}  // namespace vexlar::sys
