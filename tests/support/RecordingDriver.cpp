#include "support/RecordingDriver.h"

#include <algorithm>

#include "Messages.h"

namespace vexlar::test {

RecordingDriver& RecordingDriver::Get()
{
    static RecordingDriver driver;
    return driver;
}

void RecordingDriver::Reset()
{
    calls.clear();
    onCall = nullptr;
    registerStatus = 0;
    registeredBlock = nullptr;
    stopCancels = false;
    owed = 0;
}

std::vector<std::string> RecordingDriver::Names() const
{
    std::vector<std::string> names;
    for (const DriverCall& c : calls)
        names.push_back(c.name);
    return names;
}

std::vector<DriverCall> RecordingDriver::CallsNamed(const std::string& name) const
{
    std::vector<DriverCall> out;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(out),
                 [&](const DriverCall& c) { return c.name == name; });
    return out;
}

std::size_t RecordingDriver::Count(const std::string& name) const
{
    return CallsNamed(name).size();
}

void RecordingDriver::Fill(int channel, float value) const
{
    if (!registeredBlock || channel < 0 || channel >= QDV_CHANNELS || !registeredBlock->buffer[channel])
        return;
    std::fill_n(registeredBlock->buffer[channel], QDV_PIXELS, value);
}

void RecordingDriver::FillPixels(int channel, const float* values) const
{
    if (!registeredBlock || channel < 0 || channel >= QDV_CHANNELS || !registeredBlock->buffer[channel])
        return;
    std::copy_n(values, QDV_PIXELS, registeredBlock->buffer[channel]);
}

void RecordingDriver::Post(unsigned message, int channel) const
{
    if (!registeredBlock)
        return;
    vexlar::sys::PostMessage(static_cast<QObject*>(registeredBlock->window), message,
                             static_cast<vexlar::sys::WPARAM>(channel), 0);
}

bool RecordingDriver::Answer(int channel, float value)
{
    if (owed == 0)
        return false;
    --owed;
    Fill(channel, value);
    Post(WM_SCAN_COMPLETE, channel);
    return true;
}

bool RecordingDriver::AnswerWithFailure(int channel)
{
    if (owed == 0)
        return false;
    --owed;
    Post(WM_DRIVER_NOTIFY, channel);
    return true;
}

}  // namespace vexlar::test

using vexlar::test::DriverCall;
using vexlar::test::RecordingDriver;

namespace {

void Record(const char* name, const DriverParams* block, void* hinst, int argument)
{
    DriverCall call;
    call.name = name;
    if (block)
        call.block = *block;
    call.hinst = hinst;
    call.argument = argument;
    RecordingDriver& driver = RecordingDriver::Get();
    driver.calls.push_back(call);
    if (driver.onCall)
        driver.onCall(call);
}

}  // namespace

extern "C" {

int16_t QDV_Register(const DriverParams* params)
{
    Record("QDV_Register", params, nullptr, 0);
    RecordingDriver::Get().registeredBlock = params;
    return RecordingDriver::Get().registerStatus;
}

int16_t QDV_ParamSet(const DriverParams* params)
{
    Record("QDV_ParamSet", params, nullptr, 0);
    return 0;
}

int16_t QDV_SingleScan(void* hinst)
{
    ++RecordingDriver::Get().owed;
    Record("QDV_SingleScan", nullptr, hinst, 0);
    return 0;
}

int16_t QDV_BufferEmpty(void* hinst, int16_t channel)
{
    Record("QDV_BufferEmpty", nullptr, hinst, channel);
    return 0;
}

int16_t QDV_Stop(void* hinst)
{
    if (RecordingDriver::Get().stopCancels)
        RecordingDriver::Get().owed = 0;
    Record("QDV_Stop", nullptr, hinst, 0);
    return 0;
}

int16_t QDV_UnRegister(void* hinst)
{
    Record("QDV_UnRegister", nullptr, hinst, 0);
    return 0;
}

int16_t QDV_Config(void* parentWindow, void* hinst, intptr_t, intptr_t)
{
    Record("QDV_Config", nullptr, hinst, parentWindow ? 1 : 0);
    return 0;
}

int16_t QDV_V7400StrobeEnable(int on)
{
    Record("QDV_V7400StrobeEnable", nullptr, nullptr, on);
    return 0;
}

}  // extern "C"
