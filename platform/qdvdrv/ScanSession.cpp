#include "ScanSession.h"

#include <chrono>
#include <cstring>
#include <system_error>

#include "QdvDriver.h"

namespace vexlar::qdv {

int ReportedChannel(const SessionParams& params)
{
    for (int ch = 0; ch < kChannels; ++ch) {
        if (params.enabled[ch])
            return ch;
    }
    return 0;
}

double ScanDurationMs(const ScanSettings& scanIn, double speedFactor, double readoutMs)
{
    const ScanSettings scan = Normalized(scanIn);
    const double speed = speedFactor > 0.0 ? speedFactor : 1.0;
    return (static_cast<double>(scan.integrationMs) * scan.average + readoutMs) / speed;
}

ScanSession::ScanSession(const SessionParams& params, DeviceSource device, Poster post, std::uint64_t seed)
    : device_(std::move(device)),
      post_(std::move(post)),
      params_(params),
      generator_(seed),
      faultRandom_(seed ^ 0x5DEECE66Dull),
      staging_(std::make_unique<std::array<std::array<float, kPixels>, kChannels>>())
{ }

ScanSession::~ScanSession()
{
    Shutdown();
}

bool ScanSession::Start()
{
    try {
        worker_ = std::thread(&ScanSession::Run, this);
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void ScanSession::SetParams(const SessionParams& params)
{
    std::lock_guard<std::mutex> lock(mutex_);
    params_ = params;
}

void ScanSession::RequestScan()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        held_ = false;
        ++pending_;
    }
    wake_.notify_all();
}

void ScanSession::ReleaseBuffer(int channel)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (held_ && channel == heldChannel_)
            held_ = false;
    }
    wake_.notify_all();
}

void ScanSession::Cancel()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_ = 0;
        ++epoch_;
        abort_.store(true);
    }
    wake_.notify_all();
}

void ScanSession::Shutdown()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        abort_.store(true);
    }
    wake_.notify_all();
    if (worker_.joinable())
        worker_.join();
}

void ScanSession::Run()
{
    std::unique_lock<std::mutex> lock(mutex_);
    while (ServeOne(lock)) { }
}

bool ScanSession::ServeOne(std::unique_lock<std::mutex>& lock)
{
    // Wait for a request and for the program to give back the last scan's
    // buffers.
    wake_.wait(lock, [this] { return stopping_ || (pending_ > 0 && !held_); });
    if (stopping_)
        return false;
    --pending_;
    const std::uint64_t epoch = epoch_;
    const SessionParams params = params_;
    abort_.store(false);
    lock.unlock();

    // The scan starts: parameters, laser and device set-up are taken now.
    const auto started = std::chrono::steady_clock::now();
    const DeviceState device = device_();
    const ScanSettings scan{params.integrationMs, params.average, params.boxcar, device.laserOn, params.correctDark};
    const auto duration =
        std::chrono::duration<double, std::milli>(ScanDurationMs(scan, device.speedFactor, device.readoutMs));
    const auto deadline = started + std::chrono::duration_cast<std::chrono::steady_clock::duration>(duration);
    const bool fail = device.forceFault || (device.faultRate > 0.0 &&
                                            std::uniform_real_distribution<double>()(faultRandom_) < device.faultRate);

    lock.lock();
    wake_.wait_until(lock, deadline, [&] { return Interrupted(epoch); });
    if (stopping_)
        return false;
    if (epoch_ != epoch)
        return true;
    lock.unlock();

    std::array<bool, kChannels> generated{};
    if (!fail) {
        for (int ch = 0; ch < kChannels; ++ch) {
            if (!params.buffers[ch])
                continue;
            if (!generator_.Generate(device.channels[ch], scan, (*staging_)[ch].data(), &abort_))
                break;
            generated[ch] = true;
        }
    }

    // Deliver under the lock, so a Stop or UnRegister that has returned sees
    // nothing written and nothing posted after it.
    lock.lock();
    if (stopping_)
        return false;
    if (epoch_ != epoch)
        return true;
    const int channel = ReportedChannel(params_);
    if (fail || !generated[channel] || !params_.buffers[channel]) {
        post_(params_.window, WM_DRIVER_NOTIFY, static_cast<std::uintptr_t>(channel));
        return true;
    }
    for (int ch = 0; ch < kChannels; ++ch) {
        if (generated[ch] && params_.buffers[ch])
            std::memcpy(params_.buffers[ch], (*staging_)[ch].data(), sizeof(float) * kPixels);
    }
    held_ = true;
    heldChannel_ = channel;
    post_(params_.window, WM_SCAN_COMPLETE, static_cast<std::uintptr_t>(channel));
    return true;
}

}  // namespace vexlar::qdv
