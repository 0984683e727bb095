#include "AllocationCounter.h"

#include <execinfo.h>

#include <cstdlib>
#include <new>

// The C library's own allocator entry points, which the definitions below
// forward to.
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
}

namespace vexlar::bench {

namespace {

thread_local bool counting = false;
thread_local bool tracing = false;
thread_local bool inside = false;  // an allocation made while recording one
thread_local bool inNew = false;   // the malloc underneath an operator new
thread_local std::uint64_t heapCount = 0;
thread_local std::uint64_t newCount = 0;

AllocationTrace traces[kMaxTraces];
std::size_t traceCount = 0;

void Note(std::size_t size, bool viaNew)
{
    if (!counting || inside)
        return;
    if (viaNew) {
        ++newCount;
        return;  // the malloc underneath counts it as a heap allocation
    }
    ++heapCount;
    if (tracing && traceCount < kMaxTraces) {
        inside = true;
        AllocationTrace& t = traces[traceCount++];
        t.depth = backtrace(t.frames, kTraceDepth);
        t.size = size;
        t.viaNew = inNew;
        inside = false;
    }
}

}  // namespace

void BeginCounting()
{
    heapCount = 0;
    newCount = 0;
    counting = true;
}

AllocationCount EndCounting()
{
    counting = false;
    return AllocationCount{heapCount, newCount};
}

void PauseCounting()
{
    counting = false;
}

void ResumeCounting()
{
    counting = true;
}

void BeginTracing()
{
    // The first backtrace loads the unwinder, which allocates: done here,
    // before anything is recorded.
    void* warm[4];
    backtrace(warm, 4);
    traceCount = 0;
    tracing = true;
    BeginCounting();
}

AllocationCount EndTracing()
{
    const AllocationCount counted = EndCounting();
    tracing = false;
    return counted;
}

std::size_t TraceCount()
{
    return traceCount;
}

const AllocationTrace& Trace(std::size_t index)
{
    return traces[index];
}

}  // namespace vexlar::bench

using vexlar::bench::Note;

extern "C" {

void* malloc(std::size_t size)
{
    Note(size, false);
    return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size)
{
    Note(count * size, false);
    return __libc_calloc(count, size);
}

void* realloc(void* pointer, std::size_t size)
{
    // A realloc that may move the block counts as an allocation.
    Note(size, false);
    return __libc_realloc(pointer, size);
}

void* memalign(std::size_t alignment, std::size_t size)
{
    Note(size, false);
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size)
{
    Note(size, false);
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, std::size_t alignment, std::size_t size)
{
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0)
        return 22;  // EINVAL
    Note(size, false);
    void* p = __libc_memalign(alignment, size);
    if (!p)
        return 12;  // ENOMEM
    *out = p;
    return 0;
}

}  // extern "C"

namespace {

void* NewBlock(std::size_t size)
{
    Note(size, true);
    vexlar::bench::inNew = true;
    void* p = std::malloc(size ? size : 1);
    vexlar::bench::inNew = false;
    if (!p)
        throw std::bad_alloc();
    return p;
}

}  // namespace

void* operator new(std::size_t size)
{
    return NewBlock(size);
}
void* operator new[](std::size_t size)
{
    return NewBlock(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    Note(size, true);
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    Note(size, true);
    return std::malloc(size ? size : 1);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
