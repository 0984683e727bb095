#pragma once
// A driver library for the view benchmarks, linked in place of libqdvdrv: it
// answers every QDV_* call with success and only counts the calls, so that
// it neither allocates nor takes time on the path being measured. The
// benchmark plays the driver's part itself: it fills the buffer and hands the
// view its WM_SCAN_COMPLETE.

#include <cstdint>

#include "QdvDriver.h"

namespace vexlar::bench {

struct DriverCallCounts {
    std::uint64_t singleScan = 0;
    std::uint64_t bufferEmpty = 0;
    std::uint64_t paramSet = 0;
    const DriverParams* registered = nullptr;
};

DriverCallCounts& DriverCalls();

}  // namespace vexlar::bench
