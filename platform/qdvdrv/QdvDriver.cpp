// The exported QDV_* calls: each hands over to the simulated spectrometer.

#include "QdvDriver.h"

#include <QWidget>

#include <string>

#include "QdvSimHooks.h"
#include "SimDevice.h"

using vexlar::qdv::SimDevice;

extern "C" {

QDV_API int16_t QDV_Register(const DriverParams* params)
{
    return SimDevice::Instance().Register(params);
}

QDV_API int16_t QDV_ParamSet(const DriverParams* params)
{
    return SimDevice::Instance().ParamSet(params);
}

QDV_API int16_t QDV_SingleScan(void* hinst)
{
    return SimDevice::Instance().SingleScan(hinst);
}

QDV_API int16_t QDV_BufferEmpty(void* hinst, int16_t channel)
{
    return SimDevice::Instance().BufferEmpty(hinst, channel);
}

QDV_API int16_t QDV_Stop(void* hinst)
{
    return SimDevice::Instance().Stop(hinst);
}

QDV_API int16_t QDV_UnRegister(void* hinst)
{
    return SimDevice::Instance().UnRegister(hinst);
}

QDV_API int16_t QDV_Config(void* parentWindow, void* /*hinst*/, intptr_t /*reserved1*/, intptr_t /*reserved2*/)
{
    // The set-up belongs to the device, not to one client.
    return SimDevice::Instance().Configure(static_cast<QWidget*>(parentWindow));
}

QDV_API int16_t QDV_V7400StrobeEnable(int on)
{
    SimDevice::Instance().SetStrobe(on != 0);
    return QDV_OK;
}

QDV_API int16_t QdvSim_ForceFaults(int count)
{
    return SimDevice::Instance().ForceFaults(count);
}

QDV_API int QdvSim_StrobeState(void)
{
    return SimDevice::Instance().Strobe() ? 1 : 0;
}

QDV_API const char* QdvSim_Identity(void)
{
    return QDVSIM_IDENTITY;
}

QDV_API const char* QdvSim_SettingsProblem(void)
{
    // Kept until the next call, so the text outlives the device's lock.
    static std::string problem;
    problem = SimDevice::Instance().SettingsProblem();
    return problem.c_str();
}

}  // extern "C"
