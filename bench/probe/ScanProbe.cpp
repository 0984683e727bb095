// A probe for measuring the real vexlar executable from outside, loaded with
// LD_PRELOAD. The program is not changed: the probe stands between the
// program and three shared libraries it already calls across, counts what
// passes and forwards every call unchanged.
//
//   QDV_SingleScan                  a scan requested by the view
//   vexlar::sys::PostMessage        WM_SCAN_COMPLETE / WM_DRIVER_NOTIFY posted
//                                   by the driver's thread (scans completed)
//   QCustomPlot::replot             the chart drawn (immediate replots only,
//                                   the only kind the chart library asks for)
//   QDV_BufferEmpty                 the view giving a scan's buffer back
//
// A scan counts as displayed when the chart was drawn between the driver's
// WM_SCAN_COMPLETE and the view's QDV_BufferEmpty for it: that is the view's
// per-scan path (new data attached, one redraw, buffer given back).
//
// Every 500th displayed scan it also notes the bytes the program holds on
// the heap (mallinfo2), so that memory growth can be told from the
// allocator keeping pages.
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

#include <atomic>
#include <cstdint>
#include <cstdlib>

#include "QdvDriver.h"

namespace {

// QCustomPlot::rpImmediateRefresh.
constexpr int kImmediateRefresh = 0;

constexpr std::uint64_t kMagic = 0x31424f5250584556ull;  // "VEXPROB1"
constexpr std::size_t kMappingSize = 4096;

// The layout the benchmark script reads: 64-bit little-endian words in this
// order. Keep in step with bench/wholeprogram.py.
struct Counters {
    std::atomic<std::uint64_t> magic;
    std::atomic<std::uint64_t> loadedNs;          // the probe loaded (before main)
    std::atomic<std::uint64_t> scanRequests;      // QDV_SingleScan calls
    std::atomic<std::uint64_t> scansCompleted;    // WM_SCAN_COMPLETE posted by the driver
    std::atomic<std::uint64_t> driverNotifies;    // WM_DRIVER_NOTIFY posted by the driver
    std::atomic<std::uint64_t> bufferEmpties;     // QDV_BufferEmpty calls
    std::atomic<std::uint64_t> replots;           // immediate chart redraws
    std::atomic<std::uint64_t> replotNs;          // time spent in them
    std::atomic<std::uint64_t> scansDisplayed;    // scans drawn, see above
    std::atomic<std::uint64_t> latencyNs;         // sum over displayed scans: posted -> buffer given back
    std::atomic<std::uint64_t> firstRequestNs;
    std::atomic<std::uint64_t> firstCompletedNs;
    std::atomic<std::uint64_t> firstDisplayedNs;  // end of the redraw of the first displayed scan
    std::atomic<std::uint64_t> lastDisplayedNs;
    std::atomic<std::uint64_t> heapInUse;         // bytes allocated and not freed (malloc's own count)
    std::atomic<std::uint64_t> heapSampledAt;     // the displayed scan it was taken at
};
static_assert(sizeof(Counters) == 16 * 8);

// The heap in use is sampled every this many displayed scans (and at the first).
constexpr std::uint64_t kHeapSampleInterval = 500;

Counters* counters = nullptr;
std::atomic<bool> drawnSinceScan{false};
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
    if (counters) {
        counters->bufferEmpties.fetch_add(1);
        if (drawnSinceScan.exchange(false)) {
            const std::uint64_t drawn = lastReplotEndNs.load();
            const std::uint64_t displayed = counters->scansDisplayed.fetch_add(1) + 1;
            if (displayed == 1 || displayed % kHeapSampleInterval == 0) {
                // On the user-interface thread, between scans: what the
                // program holds on the heap now.
                const struct mallinfo2 heap = mallinfo2();
                counters->heapInUse.store(heap.uordblks + heap.hblkhd);
                counters->heapSampledAt.store(displayed);
            }
            counters->latencyNs.fetch_add(Now() - lastCompletedNs.load());
            SetOnce(counters->firstDisplayedNs, drawn);
            counters->lastDisplayedNs.store(drawn);
        }
    }
    return next(hinst, channel);
}

// bool vexlar::sys::PostMessage(QObject*, unsigned, WPARAM, LPARAM), called by
// the driver library on its own thread.
extern "C" __attribute__((visibility("default"))) bool ProbePostMessage(void* window, unsigned message,
                                                                         std::uintptr_t wParam, std::intptr_t lParam)
    __asm__("_ZN6vexlar3sys11PostMessageEP7QObjectjml");
extern "C" bool ProbePostMessage(void* window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
{
    using Fn = bool (*)(void*, unsigned, std::uintptr_t, std::intptr_t);
    static const Fn next = Next<Fn>("_ZN6vexlar3sys11PostMessageEP7QObjectjml");
    if (counters) {
        if (message == WM_SCAN_COMPLETE) {
            const std::uint64_t now = Now();
            // Stored before the message can be handled on the other thread.
            lastCompletedNs.store(now);
            drawnSinceScan.store(false);
            SetOnce(counters->firstCompletedNs, now);
            counters->scansCompleted.fetch_add(1);
        } else if (message >= WM_DRIVER_NOTIFY_FIRST && message <= WM_DRIVER_NOTIFY_LAST) {
            counters->driverNotifies.fetch_add(1);
        }
    }
    return next(window, message, wParam, lParam);
}

// void QCustomPlot::replot(QCustomPlot::RefreshPriority)
extern "C" __attribute__((visibility("default"))) void ProbeReplot(void* plot, int priority)
    __asm__("_ZN11QCustomPlot6replotENS_15RefreshPriorityE");
extern "C" void ProbeReplot(void* plot, int priority)
{
    using Fn = void (*)(void*, int);
    static const Fn next = Next<Fn>("_ZN11QCustomPlot6replotENS_15RefreshPriorityE");
    if (!counters || priority != kImmediateRefresh) {
        next(plot, priority);
        return;
    }
    const std::uint64_t start = Now();
    next(plot, priority);
    const std::uint64_t end = Now();
    counters->replots.fetch_add(1);
    counters->replotNs.fetch_add(end - start);
    lastReplotEndNs.store(end);
    drawnSinceScan.store(true);
}
