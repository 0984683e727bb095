// A probe for measuring the real vexlar executable from outside, loaded with
// LD_PRELOAD. The program is not changed: the probe stands between the
// program and three shared libraries it already calls across, counts what
// passes and forwards every call unchanged.
//
//   QDV_SingleScan                  a scan requested by the view
//   vexlar::sys::PostMessage        WM_SCAN_COMPLETE / WM_DRIVER_NOTIFY posted
//                                   by the driver's thread (scans completed)
//   QWidget::repaint(QRect)         the chart drawn onto the screen (only the
//                                   chart's plot counts; the chart library
//                                   draws each frame so, at once)
//   QDV_BufferEmpty                 the view giving a scan's buffer back
//
// A scan counts as handled when the view gives its buffer back after the
// driver's WM_SCAN_COMPLETE (its data are in the view and on the chart by
// then). A drawing of the chart counts as a displayed frame when a scan was
// completed since the last drawing: the chart is drawn at most once per
// display frame, so at a fast pace several scans share one frame and only
// the last of them is seen, as on any screen.
//
// Every 500th handled scan it also notes the bytes the program holds on the
// heap (mallinfo2), so that memory growth can be told from the allocator
// keeping pages.
//
// VEXLAR_PROBE_COMMANDS (optional) names commands to give as the operator
// would, once the first scan has been handed back: a comma-separated list of
// store-dark, subtract-dark, additive and cursor, run in that order through
// the main window's own actions (the menu and tool bar commands), so a live
// run can be measured in every display mode.
//
// The counters live in a shared file mapping named by VEXLAR_PROBE_FILE, so
// the benchmark script reads them while the program runs and the program can
// be ended with a signal. Times are CLOCK_MONOTONIC nanoseconds, the clock
// Python's time.monotonic_ns() reads. Without VEXLAR_PROBE_FILE the probe
// only forwards.

#include <dlfcn.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "QdvDriver.h"
#include "commands/CommandIds.h"

namespace {

constexpr std::uint64_t kMagic = 0x31424f5250584556ull;  // "VEXPROB1"
constexpr std::size_t kMappingSize = 4096;

// The layout the benchmark script reads: 64-bit little-endian words in this
// order. Keep in step with bench/wholeprogram.py.
struct Counters {
    std::atomic<std::uint64_t> magic;
    std::atomic<std::uint64_t> loadedNs;        // the probe loaded (before main)
    std::atomic<std::uint64_t> scanRequests;    // QDV_SingleScan calls
    std::atomic<std::uint64_t> scansCompleted;  // WM_SCAN_COMPLETE posted by the driver
    std::atomic<std::uint64_t> driverNotifies;  // WM_DRIVER_NOTIFY posted by the driver
    std::atomic<std::uint64_t> bufferEmpties;   // QDV_BufferEmpty calls
    std::atomic<std::uint64_t> replots;         // immediate chart redraws
    std::atomic<std::uint64_t> replotNs;        // time spent in them
    std::atomic<std::uint64_t> scansDisplayed;  // frames drawn with a new scan, see above
    std::atomic<std::uint64_t> latencyNs;       // sum over handled scans: posted -> buffer given back
    std::atomic<std::uint64_t> firstRequestNs;
    std::atomic<std::uint64_t> firstCompletedNs;
    std::atomic<std::uint64_t> firstDisplayedNs;  // end of the redraw of the first displayed scan
    std::atomic<std::uint64_t> lastDisplayedNs;
    std::atomic<std::uint64_t> heapInUse;      // bytes allocated and not freed (malloc's own count)
    std::atomic<std::uint64_t> heapSampledAt;  // the handled scan it was taken at
    std::atomic<std::uint64_t> commandsGiven;  // operator commands of VEXLAR_PROBE_COMMANDS carried out
    std::atomic<std::uint64_t> scansHandled;   // buffers given back after a completed scan
};
static_assert(sizeof(Counters) == 18 * 8);

// The heap in use is sampled every this many handled scans (and at the first).
constexpr std::uint64_t kHeapSampleInterval = 500;

Counters* counters = nullptr;
std::atomic<bool> scanAwaitingHandling{false};
std::atomic<bool> scanSinceDrawing{false};
std::atomic<std::uint64_t> lastCompletedNs{0};
std::atomic<std::uint64_t> lastReplotEndNs{0};

std::uint64_t Now()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<std::uint64_t>(t.tv_sec) * 1'000'000'000ull + static_cast<std::uint64_t>(t.tv_nsec);
}

void SetOnce(std::atomic<std::uint64_t>& field, std::uint64_t value)
{
    std::uint64_t expected = 0;
    field.compare_exchange_strong(expected, value);
}

template <class F>
F Next(const char* name)
{
    void* f = dlsym(RTLD_NEXT, name);
    if (!f)
        std::abort();  // the library the probe stands before is missing
    return reinterpret_cast<F>(f);
}

__attribute__((constructor)) void OpenCounters()
{
    const char* path = std::getenv("VEXLAR_PROBE_FILE");
    if (!path || !*path)
        return;
    const int fd = open(path, O_RDWR | O_CREAT | O_TRUNC, 0600);
    if (fd < 0)
        return;
    if (ftruncate(fd, kMappingSize) != 0) {
        close(fd);
        return;
    }
    void* mapped = mmap(nullptr, kMappingSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (mapped == MAP_FAILED)
        return;
    counters = static_cast<Counters*>(mapped);
    counters->loadedNs.store(Now());
    counters->magic.store(kMagic);
}

// The operator's commands of VEXLAR_PROBE_COMMANDS, as command ids.
std::vector<int> OperatorCommands()
{
    const char* text = std::getenv("VEXLAR_PROBE_COMMANDS");
    std::vector<int> ids;
    if (!text)
        return ids;
    const std::string list = text;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = std::min(list.find(',', start), list.size());
        const std::string name = list.substr(start, end - start);
        if (name == "store-dark")
            ids.push_back(vexlar::ID_STORE_DARK);
        else if (name == "subtract-dark")
            ids.push_back(vexlar::ID_SUBTRACT_DARK);
        else if (name == "additive")
            ids.push_back(vexlar::ID_ADDITIVE_MODE);
        else if (name == "cursor")
            ids.push_back(vexlar::ID_CURSOR);
        else if (name == "remove-spikes")
            ids.push_back(vexlar::ID_REMOVE_SPIKES);
        else if (name == "subtract-baseline")
            ids.push_back(vexlar::ID_SUBTRACT_BASELINE);
        start = end + 1;
    }
    return ids;
}

std::atomic<bool> commandsGiven{false};

// Triggers each command's action in the program's windows, later, from the
// event loop (not inside the view's scan handler).
void GiveOperatorCommands()
{
    const std::vector<int> ids = OperatorCommands();
    if (ids.empty() || !QCoreApplication::instance())
        return;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [ids] {
            for (const int id : ids) {
                for (QWidget* window : QApplication::topLevelWidgets()) {
                    for (QAction* action : window->findChildren<QAction*>()) {
                        if (action->data().toInt() == id && action->isEnabled()) {
                            action->trigger();
                            if (counters)
                                counters->commandsGiven.fetch_add(1);
                            break;
                        }
                    }
                }
            }
        },
        Qt::QueuedConnection);
}

}  // namespace

// --- The interposed calls ------------------------------------------------------

extern "C" QDV_API int16_t QDV_SingleScan(void* hinst)
{
    using Fn = std::int16_t (*)(void*);
    static const Fn next = Next<Fn>("QDV_SingleScan");
    if (counters) {
        SetOnce(counters->firstRequestNs, Now());
        counters->scanRequests.fetch_add(1);
    }
    return next(hinst);
}

extern "C" QDV_API int16_t QDV_BufferEmpty(void* hinst, int16_t channel)
{
    using Fn = std::int16_t (*)(void*, std::int16_t);
    static const Fn next = Next<Fn>("QDV_BufferEmpty");
    if (!commandsGiven.exchange(true))
        GiveOperatorCommands();
    if (counters) {
        counters->bufferEmpties.fetch_add(1);
        if (scanAwaitingHandling.exchange(false)) {
            const std::uint64_t handled = counters->scansHandled.fetch_add(1) + 1;
            if (handled == 1 || handled % kHeapSampleInterval == 0) {
                // On the user-interface thread, between scans: what the
                // program holds on the heap now.
                const struct mallinfo2 heap = mallinfo2();
                counters->heapInUse.store(heap.uordblks + heap.hblkhd);
                counters->heapSampledAt.store(handled);
            }
            counters->latencyNs.fetch_add(Now() - lastCompletedNs.load());
        }
    }
    return next(hinst, channel);
}

// bool vexlar::sys::PostMessage(QObject*, unsigned, WPARAM, LPARAM), called by
// the driver library on its own thread.
extern "C" __attribute__((visibility("default"))) bool
ProbePostMessage(void* window, unsigned message, std::uintptr_t wParam,
                 std::intptr_t lParam) __asm__("_ZN6vexlar3sys11PostMessageEP7QObjectjml");
extern "C" bool ProbePostMessage(void* window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
{
    using Fn = bool (*)(void*, unsigned, std::uintptr_t, std::intptr_t);
    static const Fn next = Next<Fn>("_ZN6vexlar3sys11PostMessageEP7QObjectjml");
    if (counters) {
        if (message == WM_SCAN_COMPLETE) {
            const std::uint64_t now = Now();
            // Stored before the message can be handled on the other thread.
            lastCompletedNs.store(now);
            scanAwaitingHandling.store(true);
            scanSinceDrawing.store(true);
            SetOnce(counters->firstCompletedNs, now);
            counters->scansCompleted.fetch_add(1);
        } else if (message >= WM_DRIVER_NOTIFY_FIRST && message <= WM_DRIVER_NOTIFY_LAST) {
            counters->driverNotifies.fetch_add(1);
        }
    }
    return next(window, message, wParam, lParam);
}

// Counts one drawing of the chart: its time and whether a new scan was in it.
void CountChartDrawn(std::uint64_t start, std::uint64_t end)
{
    counters->replots.fetch_add(1);
    counters->replotNs.fetch_add(end - start);
    lastReplotEndNs.store(end);
    if (scanSinceDrawing.exchange(false)) {
        counters->scansDisplayed.fetch_add(1);
        SetOnce(counters->firstDisplayedNs, end);
        counters->lastDisplayedNs.store(end);
    }
}

// void QWidget::repaint(const QRect&): the chart's plot draws its frame onto
// the screen this way (other widgets' repaints pass through uncounted).
extern "C" __attribute__((visibility("default"))) void
ProbeRepaint(void* widget, const void* rect) __asm__("_ZN7QWidget7repaintERK5QRect");
extern "C" void ProbeRepaint(void* widget, const void* rect)
{
    using Fn = void (*)(void*, const void*);
    static const Fn next = Next<Fn>("_ZN7QWidget7repaintERK5QRect");
    if (!counters || !static_cast<QObject*>(static_cast<QWidget*>(widget))->inherits("QCustomPlot")) {
        next(widget, rect);
        return;
    }
    const std::uint64_t start = Now();
    next(widget, rect);
    CountChartDrawn(start, Now());
}
