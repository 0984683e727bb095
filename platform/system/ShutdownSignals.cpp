#include "ShutdownSignals.h"

#include <QMetaObject>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

namespace vexlar::sys {

namespace {

// The signals that end the program in order.
constexpr int kEndingSignals[] = {SIGTERM, SIGINT,    SIGHUP,  SIGQUIT, SIGUSR1, SIGUSR2,
                                  SIGALRM, SIGVTALRM, SIGXCPU, SIGIO,   SIGPWR,  SIGSTKFLT};
// Signals whose default also ends the process, but which a profiler or a
// library may have taken for itself: caught only while at their default.
constexpr int kEndingUnlessTaken[] = {SIGPROF};
// The crashes: the instrument made safe, then the crash goes on.
constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGSYS, SIGTRAP};
// A stop from the terminal (Ctrl+Z): the instrument made safe, then the
// process stops as it would have; it goes on, laser off, when continued.
constexpr int kStopSignals[] = {SIGTSTP, SIGTTIN, SIGTTOU};
// Written into the pipe by the destructor: the signal thread ends. No signal
// has the number 0.
constexpr unsigned char kStopWatching = 0;

// Shared with the handlers: only these, of types a handler may touch (the
// atomics are lock-free, and shared with the signal thread too).
int gPipe[2] = {-1, -1};
std::atomic<bool> gEndAtOnce{false};
std::atomic<ShutdownSignals::MakeSafe> gMakeSafe{nullptr};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<ShutdownSignals::MakeSafe>::is_always_lock_free);
// The action each signal had before it was caught, which were caught, and
// with which handler.
struct sigaction gPrevious[NSIG];
bool gCaught[NSIG];
void (*gHandler[NSIG])(int);

bool IsStopSignal(int number)
{
    for (const int stop : kStopSignals) {
        if (stop == number)
            return true;
    }
    return false;
}

// Hands the signal's number to the signal thread. A full pipe means
// signals are already waiting to be read.
void HandOn(int number)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(gPipe[1], &byte, 1);
    errno = savedErrno;
}

extern "C" void OnShutdownSignal(int number)
{
    if (gEndAtOnce)
        _exit(ExitStatusForSignal(number));
    HandOn(number);
}

extern "C" void OnStopSignal(int number)
{
    HandOn(number);
}

extern "C" void OnCrashSignal(int number)
{
    if (const ShutdownSignals::MakeSafe makeSafe = gMakeSafe.load())
        makeSafe();
    // The crash goes on as it would have without us: the handler there was
    // before (a sanitizer's, or the default that ends the process and dumps
    // core), the signal raised again once this handler returns.
    ::sigaction(number, &gPrevious[number], nullptr);
    ::raise(number);
}

void ClosePipe()
{
    for (int& fd : gPipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void Catch(int number, void (*handler)(int))
{
    struct sigaction action { };
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    gCaught[number] = ::sigaction(number, &action, &gPrevious[number]) == 0;
    gHandler[number] = handler;
}

// Whether the signal is at its default action, taken by nobody.
bool AtDefault(int number)
{
    struct sigaction current { };
    return ::sigaction(number, nullptr, &current) == 0 && !(current.sa_flags & SA_SIGINFO) &&
           current.sa_handler == SIG_DFL;
}

// The signal thread takes no signal itself: they go to the threads that
// would have had them.
struct BlockedSignals {
    BlockedSignals()
    {
        sigset_t all;
        sigfillset(&all);
        ::pthread_sigmask(SIG_SETMASK, &all, &before);
    }
    ~BlockedSignals() { ::pthread_sigmask(SIG_SETMASK, &before, nullptr); }
    sigset_t before;
};

}  // namespace

ShutdownSignals::ShutdownSignals(std::function<void(int)> onSignal, MakeSafe makeSafe, int orderlyEndMs,
                                 QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)), makeSafe_(makeSafe), orderlyEndMs_(orderlyEndMs)
{
    gEndAtOnce = false;
    // The handlers write without blocking; the signal thread reads waiting.
    if (::pipe2(gPipe, O_CLOEXEC) != 0 || ::fcntl(gPipe[1], F_SETFL, O_NONBLOCK) != 0) {
        std::perror("Vexlar: cannot catch termination signals");
        ClosePipe();
        return;
    }
    {
        const BlockedSignals blocked;
        watcher_ = std::thread(&ShutdownSignals::Watch, this);
    }
    gMakeSafe = makeSafe_;
    for (const int number : kEndingSignals)
        Catch(number, OnShutdownSignal);
    for (int number = SIGRTMIN; number <= SIGRTMAX; ++number) {
        if (AtDefault(number))
            Catch(number, OnShutdownSignal);
    }
    for (const int number : kEndingUnlessTaken) {
        if (AtDefault(number))
            Catch(number, OnShutdownSignal);
    }
    if (makeSafe_) {
        for (const int number : kCrashSignals)
            Catch(number, OnCrashSignal);
        for (const int number : kStopSignals)
            Catch(number, OnStopSignal);
    }
    active_ = true;
}

ShutdownSignals::~ShutdownSignals()
{
    if (!active_)
        return;
    for (int number = 1; number < NSIG; ++number) {
        if (gCaught[number])
            ::sigaction(number, &gPrevious[number], nullptr);
        gCaught[number] = false;
    }
    gMakeSafe = nullptr;
    const unsigned char stop = kStopWatching;
    while (::write(gPipe[1], &stop, 1) < 0 && errno == EINTR) { }
    watcher_.join();
    ClosePipe();
    gEndAtOnce = false;
}

void ShutdownSignals::Reassert()
{
    for (int number = 1; number < NSIG; ++number) {
        if (!gCaught[number])
            continue;
        struct sigaction action { };
        action.sa_handler = gHandler[number];
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(number, &action, nullptr);
    }
}

void ShutdownSignals::WhenStopped(std::function<void()> madeSafe)
{
    whenStopped_ = std::move(madeSafe);
}

void ShutdownSignals::EndAtOnceFromNowOn()
{
    gEndAtOnce = true;
}

void ShutdownSignals::Watch()
{
    using Clock = std::chrono::steady_clock;
    int firstSignal = 0;
    Clock::time_point orderlyEndBy{};
    for (;;) {
        int waitMs = -1;
        if (firstSignal != 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(orderlyEndBy - Clock::now());
            if (left.count() <= 0) {
                // The orderly end did not come: the process ends without it,
                // the laser long off.
                std::fprintf(stderr, "Vexlar: did not end within %d ms of signal %d; ending now.\n", orderlyEndMs_,
                             firstSignal);
                _exit(ExitStatusForSignal(firstSignal));
            }
            waitMs = static_cast<int>(left.count());
        }
        struct pollfd ready {
            gPipe[0], POLLIN, 0
        };
        const int polled = ::poll(&ready, 1, waitMs);
        if (polled < 0 && errno != EINTR)
            return;
        if (polled <= 0)
            continue;
        unsigned char number = 0;
        const ssize_t n = ::read(gPipe[0], &number, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || number == kStopWatching)
            return;
        if (IsStopSignal(number)) {
            // The laser off before the process stops; the window learns of
            // it when the process goes on.
            makeSafe_();
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (whenStopped_)
                        whenStopped_();
                },
                Qt::QueuedConnection);
            ::kill(::getpid(), SIGSTOP);
            continue;
        }
        if (makeSafe_) {
            makeSafe_();
            gEndAtOnce = true;
        }
        if (firstSignal == 0) {
            firstSignal = number;
            orderlyEndBy = Clock::now() + std::chrono::milliseconds(orderlyEndMs_);
        }
        QMetaObject::invokeMethod(
            this,
            [this, number] {
                if (onSignal_)
                    onSignal_(number);
            },
            Qt::QueuedConnection);
    }
}

}  // namespace vexlar::sys
