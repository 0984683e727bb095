#pragma once
// One registered client of the driver: its copy of the parameters, its queue
// of scan requests and the driver thread that serves them one at a time.
//
// The buffer contract: after a scan is posted for a channel, the buffers
// that scan wrote are held for the program until QDV_BufferEmpty for that
// channel or the next scan request; a scan that needs a held buffer waits
// for it (and Stop or shutdown end the wait). The program may read any
// channel's buffer (its selected channel need not be the reported one), so
// every buffer the scan wrote is held, not only the reported one.
//
// Every public call comes from the program's user-interface thread; the
// worker thread touches only this object's state (under its lock), the
// generator, the staging area and, at the moment it posts, the buffers.

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "ScanGenerator.h"

namespace vexlar::qdv {

// What the driver keeps from the parameter block.
struct SessionParams {
    void* window = nullptr;
    std::array<float*, kChannels> buffers{};
    std::array<bool, kChannels> enabled{};
    int integrationMs = 100;
    int average = 1;
    int boxcar = 0;
    bool correctDark = false;
};

// The device as a scan finds it when it starts.
struct DeviceState {
    std::array<ChannelSetup, kChannels> channels;
    bool laserOn = false;
    double speedFactor = 1.0;
    double readoutMs = 3.0;
    double faultRate = 0.0;
    bool forceFault = false;  // this scan fails, whatever the fault rate
};

// The channel a scan is reported for: the lowest enabled one, the master
// when none is enabled.
int ReportedChannel(const SessionParams& params);

// How long the device takes for a scan: the integration time (at least the
// detector's minimum) times the readings averaged, plus the readout, divided
// by the speed factor.
double ScanDurationMs(const ScanSettings& scan, double speedFactor, double readoutMs = 3.0);

class ScanSession {
public:
    // Called on the worker thread, without the session's lock held.
    using DeviceSource = std::function<DeviceState()>;
    // Called on the worker thread with the session's lock held, so that
    // Cancel() and Shutdown() returning means nothing more is posted.
    using Poster = std::function<void(void* window, unsigned message, std::uintptr_t wParam)>;

    ScanSession(const SessionParams& params, DeviceSource device, Poster post, std::uint64_t seed);
    ~ScanSession();
    ScanSession(const ScanSession&) = delete;
    ScanSession& operator=(const ScanSession&) = delete;

    // Starts the worker thread; false when it cannot be started.
    bool Start();

    void SetParams(const SessionParams& params);
    // Queues one request and gives back any held buffers.
    void RequestScan();
    // Gives back the buffers of the scan posted for channel, if they are held.
    void ReleaseBuffer(int channel);
    // Cancels the scan in progress and every queued request.
    void Cancel();
    // Ends the worker thread; nothing is written or posted afterwards.
    void Shutdown();

private:
    void Run();
    // Serves one request; false when the session is shutting down.
    bool ServeOne(std::unique_lock<std::mutex>& lock);
    bool Interrupted(std::uint64_t epoch) const { return stopping_ || epoch_ != epoch; }

    DeviceSource device_;
    Poster post_;

    std::mutex mutex_;
    std::condition_variable wake_;
    SessionParams params_;
    int pending_ = 0;
    std::uint64_t epoch_ = 0;  // advanced by Cancel: a scan of an older epoch is dropped
    bool held_ = false;
    int heldChannel_ = 0;
    bool stopping_ = false;
    std::atomic<bool> abort_{false};  // stops a long averaging run early

    // Worker-only state.
    ScanGenerator generator_;
    std::mt19937_64 faultRandom_;
    std::unique_ptr<std::array<std::array<float, kPixels>, kChannels>> staging_;
    std::thread worker_;
};

}  // namespace vexlar::qdv
