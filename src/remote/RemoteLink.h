#pragma once
// What a remote client reaches of the engine, on the engine's own thread.
// A client's call arrives on a thread of the control system's library; it is
// handed to the engine's thread as a queued call and its result waited for,
// never longer than the call may take, so a client never drives the engine
// from another thread and never waits forever. The link also keeps what the
// device reports between calls (the scans shown, the state, the last status
// text, the peaks found, a calibration waiting to be applied), and the laser's
// safety over the wire: a client may switch the laser on only when the
// operator allowed it, and a laser a client switched on goes off when no
// client has called for the watchdog's time.

#include <QObject>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "peaks/PeakCriteria.h"

namespace vexlar {

class Instrument;

namespace remote {

// A command or a write the engine refused: what carries its message to the
// client.
class Refused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct RemoteOptions {
    // Without a database: the port the device server listens on.
    int port = 0;
    // With the database TANGO_HOST names: the device's name there.
    std::string deviceName;
    // Clients may switch the laser on (the operator's choice; never kept).
    bool allowLaser = false;
    int watchdogSeconds = 10;
    // What FindPeaks looks for.
    peaks::PeakCriteria criteria;
};

// The device's state, as a control system knows it.
enum class DeviceState { On, Running, Fault, Alarm };

class RemoteLink : public QObject {
    Q_OBJECT

public:
    RemoteLink(Instrument& engine, const RemoteOptions& options, QObject* parent = nullptr);
    ~RemoteLink() override;

    // Runs work (returning T) on the engine's thread and returns what it
    // returned; throws Refused when it threw it, or when the engine did not
    // answer within waitMs (or is going away). Every call counts as a
    // client's call for the watchdog.
    template <class T, class Work>
    T Run(Work work, int waitMs = kCallWaitMs);
    void RunVoid(std::function<void()> work, int waitMs = kCallWaitMs);

    // From now on no call reaches the engine (the server is going away).
    void Close();

    // The longest a client's call waits for the engine.
    static constexpr int kCallWaitMs = 10000;

    // --- On the engine's thread -----------------------------------------------
    Instrument& engine() { return engine_; }
    const RemoteOptions& options() const { return options_; }
    void SetLaserAllowed(bool allowed) { options_.allowLaser = allowed; }
    void SetWatchdogSeconds(int seconds) { options_.watchdogSeconds = seconds; }
    // A client starts a series; one that switches the laser is the
    // client's, as a laser it switched on: the watchdog ends it.
    void StartSeries(bool togglesLaser);
    // A client's Stop: acquisition stopped and a series under way ended.
    void Stop();
    // A client switches the laser: refused unless the operator allowed it.
    void SetLaser(bool on);
    // Whether a client holds the laser on.
    bool laserHeld() const { return laserHeld_; }
    std::int32_t scanCount() const { return scanCount_; }
    DeviceState State() const;
    const std::string& status() const { return status_; }
    // n scans added into a fresh sum, the acquisition stopped when they are
    // in; the result is ready when they are.
    std::shared_future<void> StartAcquire(int scans);
    void FindPeaks();
    // The peaks found, x on the axis shown now.
    std::vector<double> peakPositions() const;
    std::vector<double> peakHeights() const;
    // The calibrations from standards, kept to be applied; JSON results.
    std::string CalibrateFromLamp();
    std::string CheckRamanShift(const std::string& standard);
    void ApplyCalibration();

    // What each scan shown tells subscribers: the spectrum and the count,
    // delivered on the engine's thread (the device pushes its events).
    std::function<void(const double* spectrum, int pixels, std::int32_t count)> onScanShown;

Q_SIGNALS:
    // A client holds the laser on, or no longer does.
    void laserHeldChanged(bool held);

private:
    void NoteCall();
    void OnScanProcessed(bool shown);
    void CheckWatchdog();
    void ReleaseLaser();

    Instrument& engine_;
    RemoteOptions options_;
    std::atomic<bool> closed_{false};
    std::atomic<std::uint32_t> lastCallMs_{0};
    QTimer watchdog_;
    bool laserHeld_ = false;
    std::int32_t scanCount_ = 0;
    bool saturated_ = false;
    std::string status_ = "Ready";
    // The pixels of the peaks FindPeaks found, and their heights then.
    std::vector<int> peakPixels_;
    std::vector<double> peakHeights_;
    // A series a client started that switches the laser.
    bool seriesHeld_ = false;
    // An Acquire under way: the scans it adds, and its promise.
    long acquireScans_ = 0;
    std::shared_ptr<std::promise<void>> acquireDone_;
    // A calibration from standards waiting for ApplyCalibration.
    struct PendingCalibration {
        bool lamp = false;  // else a laser wavelength from a shift standard
        double coefficients[4] = {};
        double laserNm = 0.0;
    };
    std::optional<PendingCalibration> pending_;
};

template <class T, class Work>
T RemoteLink::Run(Work work, int waitMs)
{
    if (closed_.load())
        throw Refused("Vexlar is ending: the call was not made.");
    NoteCall();
    auto task = std::make_shared<std::packaged_task<T()>>(std::move(work));
    std::future<T> result = task->get_future();
    QMetaObject::invokeMethod(
        this, [task] { (*task)(); }, Qt::QueuedConnection);
    if (result.wait_for(std::chrono::milliseconds(waitMs)) != std::future_status::ready)
        throw Refused("Vexlar did not answer within " + std::to_string(waitMs / 1000) + " s.");
    return result.get();
}

}  // namespace remote
}  // namespace vexlar
