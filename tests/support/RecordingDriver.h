#pragma once
// A driver library for tests, linked in place of libqdvdrv: it records every
// QDV_* call with its arguments and, for the calls that take the parameter
// block, the block as it was at that moment. A test fills the registered
// buffers and posts scan messages itself, or has the recorder answer the
// requests it keeps count of, cancelled by QDV_Stop as the real driver
// cancels them.

#include <functional>
#include <string>
#include <vector>

#include "QdvDriver.h"

namespace vexlar::test {

struct DriverCall {
    std::string name;       // "QDV_Register", "QDV_SingleScan", ...
    DriverParams block{};   // a copy of the block, for Register and ParamSet
    void* hinst = nullptr;  // for the calls that take the client
    int argument = 0;       // channel of BufferEmpty, state of StrobeEnable
};

class RecordingDriver {
public:
    // The one recorder, emptied by Reset() (every view test starts with it).
    static RecordingDriver& Get();
    void Reset();

    std::vector<DriverCall> calls;
    // What QDV_Register returns.
    std::int16_t registerStatus = 0;
    // Called after each call is recorded (tests observe the program's state
    // at that moment).
    std::function<void(const DriverCall&)> onCall;
    // The block handed to QDV_Register (the program's own, not a copy).
    const DriverParams* registeredBlock = nullptr;

    // Names of the calls so far, in order.
    std::vector<std::string> Names() const;
    // Calls of that name.
    std::vector<DriverCall> CallsNamed(const std::string& name) const;
    std::size_t Count(const std::string& name) const;
    void ClearCalls() { calls.clear(); }

    // Fills the registered buffer of a channel with one value, as a scan would.
    void Fill(int channel, float value) const;
    // Fills it with a value for each pixel, as a scan would.
    void FillPixels(int channel, const float* values) const;
    // Posts WM_SCAN_COMPLETE (or another driver message) for a channel to the
    // registered window, as the driver's thread would.
    void Post(unsigned message, int channel) const;

    // The driver's request queue, for tests that need it kept as the real
    // driver keeps it: every QDV_SingleScan adds a request owed, every
    // answer below takes one, and with stopCancels QDV_Stop cancels them all
    // (the real driver does; nothing is posted for a cancelled request).
    bool stopCancels = false;
    int owed = 0;
    // Answers the oldest request owed: the channel's buffer filled with
    // value and WM_SCAN_COMPLETE posted. False, and nothing posted, when no
    // request is owed.
    bool Answer(int channel, float value);
    // Answers it with a failure: WM_DRIVER_NOTIFY, nothing written.
    bool AnswerWithFailure(int channel);
};

}  // namespace vexlar::test
