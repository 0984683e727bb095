#include "ShutdownSignals.h"

#include <QMetaObject>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace vexlar::sys {

namespace {

// The signals that end the program in order.
constexpr int kEndingSignals[] = {SIGTERM, SIGINT,    SIGHUP,  SIGQUIT, SIGUSR1, SIGUSR2,
                                  SIGALRM, SIGVTALRM, SIGXCPU, SIGIO,   SIGPWR};
// The crashes: the instrument made safe, then the crash goes on.
constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGSYS};
// Written into the pipe by the destructor: the signal thread ends. No signal
// has the number 0.
constexpr unsigned char kStopWatching = 0;

// Shared with the handlers: only these, of types a handler may touch (the
// atomics are lock-free, and shared with the signal thread too).
int gPipe[2] = {-1, -1};
std::atomic<bool> gEndAtOnce{false};
std::atomic<ShutdownSignals::MakeSafe> gMakeSafe{nullptr};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<ShutdownSignals::MakeSafe>::is_always_lock_free);
struct sigaction gPreviousEnding[std::size(kEndingSignals)];
struct sigaction gPreviousCrash[std::size(kCrashSignals)];

extern "C" void OnShutdownSignal(int number)
{
    if (gEndAtOnce)
        _exit(ExitStatusForSignal(number));
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    // A full pipe means signals are already waiting to be read.
    [[maybe_unused]] const ssize_t written = ::write(gPipe[1], &byte, 1);
    errno = savedErrno;
}

extern "C" void OnCrashSignal(int number)
{
    if (const ShutdownSignals::MakeSafe makeSafe = gMakeSafe.load())
        makeSafe();
    // The crash goes on as it would have without us: the handler there was
    // before (a sanitizer's, or the default that ends the process and dumps
    // core), the signal raised again once this handler returns.
    for (std::size_t i = 0; i < std::size(kCrashSignals); ++i) {
        if (kCrashSignals[i] == number)
            ::sigaction(number, &gPreviousCrash[i], nullptr);
    }
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

void Catch(const int* numbers, std::size_t count, void (*handler)(int), struct sigaction* previous)
{
    for (std::size_t i = 0; i < count; ++i) {
        struct sigaction action { };
        action.sa_handler = handler;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(numbers[i], &action, &previous[i]);
    }
}

void Restore(const int* numbers, std::size_t count, const struct sigaction* previous)
{
    for (std::size_t i = 0; i < count; ++i)
        ::sigaction(numbers[i], &previous[i], nullptr);
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
    Catch(kEndingSignals, std::size(kEndingSignals), OnShutdownSignal, gPreviousEnding);
    if (makeSafe_)
        Catch(kCrashSignals, std::size(kCrashSignals), OnCrashSignal, gPreviousCrash);
    active_ = true;
}

ShutdownSignals::~ShutdownSignals()
{
    if (!active_)
        return;
    Restore(kEndingSignals, std::size(kEndingSignals), gPreviousEnding);
    if (makeSafe_)
        Restore(kCrashSignals, std::size(kCrashSignals), gPreviousCrash);
    gMakeSafe = nullptr;
    const unsigned char stop = kStopWatching;
    while (::write(gPipe[1], &stop, 1) < 0 && errno == EINTR) { }
    watcher_.join();
    ClosePipe();
    gEndAtOnce = false;
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
