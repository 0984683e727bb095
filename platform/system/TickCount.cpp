#include "TickCount.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <utility>

namespace vexlar::sys {

namespace {

struct TickState {
    std::mutex mutex;
    std::shared_ptr<const TickSource> source;  // null: the monotonic clock
};

TickState& State()
{
    static TickState state;
    return state;
}

std::uint64_t MonotonicMilliseconds()
{
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

std::uint32_t GetTickCount()
{
    std::shared_ptr<const TickSource> source;
    {
        std::lock_guard lock(State().mutex);
        source = State().source;
    }
    // Truncation to 32 bits is the wrap-around the callers expect.
    return static_cast<std::uint32_t>(source ? (*source)() : MonotonicMilliseconds());
}

TickSource SetTickSource(TickSource source)
{
    auto replacement = source ? std::make_shared<const TickSource>(std::move(source)) : nullptr;
    std::lock_guard lock(State().mutex);
    auto previous = std::exchange(State().source, std::move(replacement));
    return previous ? *previous : TickSource();
}

}  // namespace vexlar::sys
