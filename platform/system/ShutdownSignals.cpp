#include "ShutdownSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace vexlar::sys {

namespace {

constexpr int kCaughtSignals[] = {SIGTERM, SIGINT, SIGHUP};

// Shared with the handler: only these, of types a handler may touch.
int gPipe[2] = {-1, -1};
volatile sig_atomic_t gEndAtOnce = 0;
struct sigaction gPrevious[std::size(kCaughtSignals)];

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

void ClosePipe()
{
    for (int& fd : gPipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

}  // namespace

ShutdownSignals::ShutdownSignals(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal))
{
    gEndAtOnce = 0;
    if (::pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("Vexlar: cannot catch termination signals");
        return;
    }
    notifier_ = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &ShutdownSignals::ReadSignals);
    for (std::size_t i = 0; i < std::size(kCaughtSignals); ++i) {
        struct sigaction action { };
        action.sa_handler = OnShutdownSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(kCaughtSignals[i], &action, &gPrevious[i]);
    }
    active_ = true;
}

ShutdownSignals::~ShutdownSignals()
{
    if (!active_)
        return;
    for (std::size_t i = 0; i < std::size(kCaughtSignals); ++i)
        ::sigaction(kCaughtSignals[i], &gPrevious[i], nullptr);
    delete notifier_;
    ClosePipe();
    gEndAtOnce = 0;
}

void ShutdownSignals::EndAtOnceFromNowOn()
{
    gEndAtOnce = 1;
}

void ShutdownSignals::ReadSignals()
{
    unsigned char byte = 0;
    while (::read(gPipe[0], &byte, 1) == 1) {
        if (onSignal_)
            onSignal_(byte);
    }
}

}  // namespace vexlar::sys
