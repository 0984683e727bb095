#pragma once
// Counting heap allocations in a benchmark binary. Linking AllocationCounter.cpp
// replaces the global operator new and stands in front of the C library's
// malloc, calloc, realloc and the aligned forms (forwarding to them), so
// every allocation of the process passes through here: the C++ ones and
// Qt's own (its strings and arrays call malloc directly).
//
// Counting is per thread: only the thread that began counting is counted,
// so the driver's or Qt's helper threads do not disturb a figure of the
// user-interface thread.

#include <cstddef>
#include <cstdint>

namespace vexlar::bench {

struct AllocationCount {
    std::uint64_t heap = 0;  // every allocation (malloc level, operator new included)
    std::uint64_t news = 0;  // those made by operator new
};

// Counts the calling thread's allocations from now on.
void BeginCounting();
// Stops counting and gives what was counted since BeginCounting.
AllocationCount EndCounting();
// Leaves out what happens in between (the driver's part of a scan), keeping
// the counts and traces so far.
void PauseCounting();
void ResumeCounting();

// One traced allocation: its call stack, innermost first.
constexpr int kTraceDepth = 48;
struct AllocationTrace {
    void* frames[kTraceDepth];
    int depth = 0;
    std::size_t size = 0;
    bool viaNew = false;
};
constexpr std::size_t kMaxTraces = 8192;

// Counts as BeginCounting does and records the call stack of each
// allocation (up to kMaxTraces); slow, for finding where allocations come
// from.
void BeginTracing();
// Stops; what was counted since BeginTracing. TraceCount() stacks were kept.
AllocationCount EndTracing();
std::size_t TraceCount();
const AllocationTrace& Trace(std::size_t index);

}  // namespace vexlar::bench
