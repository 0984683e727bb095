#pragma once
// The millisecond tick count: milliseconds from the system's monotonic clock
// as an unsigned 32-bit number that wraps to 0 after about 49.7 days, as on
// the platform the program was designed for. Compare ticks by unsigned
// difference (now - then), which stays right across the wrap.

#include <cstdint>
#include <functional>

namespace vexlar::sys {

std::uint32_t GetTickCount();

// A replacement clock: milliseconds from any start. The tick count is its
// value modulo 2^32.
using TickSource = std::function<std::uint64_t()>;

// Makes the tick count read source (an empty function restores the monotonic
// clock) and returns the source it replaces (empty for the monotonic clock).
// Safe from any thread.
TickSource SetTickSource(TickSource source);

}  // namespace vexlar::sys
