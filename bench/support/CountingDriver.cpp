#include "CountingDriver.h"

namespace vexlar::bench {

DriverCallCounts& DriverCalls()
{
    static DriverCallCounts counts;
    return counts;
}

}  // namespace vexlar::bench

using vexlar::bench::DriverCalls;

extern "C" {

QDV_API int16_t QDV_Register(const DriverParams* params)
{
    DriverCalls().registered = params;
    return QDV_OK;
}

QDV_API int16_t QDV_ParamSet(const DriverParams*)
{
    ++DriverCalls().paramSet;
    return QDV_OK;
}

QDV_API int16_t QDV_SingleScan(void*)
{
    ++DriverCalls().singleScan;
    return QDV_OK;
}

QDV_API int16_t QDV_BufferEmpty(void*, int16_t)
{
    ++DriverCalls().bufferEmpty;
    return QDV_OK;
}

QDV_API int16_t QDV_Stop(void*)
{
    return QDV_OK;
}

QDV_API int16_t QDV_UnRegister(void*)
{
    DriverCalls().registered = nullptr;
    return QDV_OK;
}

QDV_API int16_t QDV_Config(void*, void*, intptr_t, intptr_t)
{
    return QDV_CONFIG_CANCELLED;
}

QDV_API int16_t QDV_V7400StrobeEnable(int)
{
    return QDV_OK;
}

}  // extern "C"
