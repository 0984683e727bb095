#pragma once
// Ending the program the orderly way when it is asked to from outside:
// SIGTERM (kill, a session ending), SIGINT (Ctrl+C in the terminal that
// started it) and SIGHUP (that terminal closed). Left to their default, each
// would end the process on the spot, with the laser in whatever state it was
// and the operator's settings unsaved.
//
// The handler does only what is safe inside a signal handler: it writes the
// signal's number into a pipe. The event loop reads the pipe (a socket
// notifier) and calls the program's own handler there, which ends the
// program as File > Exit does. Once the program has made itself safe to end
// at once (the laser off), a further signal ends the process immediately,
// with 128 plus its number as the exit status.

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace vexlar::sys {

// The exit status of a program ended by a signal: 128 and the signal's
// number, as a shell reports it.
constexpr int ExitStatusForSignal(int signal)
{
    return 128 + signal;
}

class ShutdownSignals : public QObject {
public:
    // Catches the three signals until destroyed; onSignal runs in the event
    // loop with the signal's number, once for each signal caught. Only one
    // object may exist at a time.
    explicit ShutdownSignals(std::function<void(int)> onSignal, QObject* parent = nullptr);
    ~ShutdownSignals() override;
    ShutdownSignals(const ShutdownSignals&) = delete;
    ShutdownSignals& operator=(const ShutdownSignals&) = delete;

    // False when the pipe or the handlers could not be set up.
    bool active() const { return active_; }

    // From now on a shutdown signal ends the process at once.
    static void EndAtOnceFromNowOn();

private:
    void ReadSignals();

    std::function<void(int)> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
    bool active_ = false;
};

}  // namespace vexlar::sys
