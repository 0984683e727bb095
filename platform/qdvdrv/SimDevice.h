#pragma once
// The simulated spectrometer behind the QDV_* calls: the registered clients,
// the device set-up shared by all of them, the laser strobe and the forced
// faults of the test hook.
//
// The QDV_* calls come from the program's user-interface thread; the client
// threads read the set-up, the strobe and the forced faults, which are under
// a lock or atomic.

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "QdvDriver.h"
#include "ScanSession.h"
#include "SimSettings.h"

class QWidget;

namespace vexlar::qdv {

// The values the driver uses from a parameter block.
SessionParams ParamsFromBlock(const DriverParams& block);

class SimDevice {
public:
    static SimDevice& Instance();

    SimDevice();
    ~SimDevice();
    SimDevice(const SimDevice&) = delete;
    SimDevice& operator=(const SimDevice&) = delete;

    int16_t Register(const DriverParams* params);
    int16_t ParamSet(const DriverParams* params);
    int16_t SingleScan(void* hinst);
    int16_t BufferEmpty(void* hinst, int channel);
    int16_t Stop(void* hinst);
    int16_t UnRegister(void* hinst);
    // Runs the set-up dialog (modal); applies and saves what the operator
    // accepts.
    int16_t Configure(QWidget* parent);

    // Switches the strobe line; with VEXLAR_SIM_STROBE_LOG set, the switch
    // is also written to that file ("on" or "off", one a line).
    void SetStrobe(bool on);
    bool Strobe() const { return strobe_.load(); }
    int16_t ForceFaults(int count);
    // Why the set-up last loaded at registration could not be read from the
    // settings file, with its path; empty when it was read or is missing.
    std::string SettingsProblem();

private:
    // Reads the settings file and the environment afresh.
    void LoadSettings();
    void ApplyFileSettings(const SimSettings& fileSettings);
    // The device as a starting scan finds it; called on client threads.
    DeviceState Snapshot();
    bool TakeForcedFault();
    std::uint64_t NextSeed();
    ScanSession* Find(void* hinst);
    bool HasClients();

    std::mutex clientsMutex_;
    std::map<void*, std::unique_ptr<ScanSession>> clients_;

    std::mutex settingsMutex_;
    bool loaded_ = false;
    SimSettings fileSettings_;
    SimSettings effective_;
    std::string settingsProblem_;

    std::atomic<bool> strobe_{false};
    std::string strobeLog_;  // empty: no log
    std::atomic<int> forcedFaults_{0};
    std::uint64_t seedBase_;
    std::uint64_t sessionsStarted_ = 0;
};

}  // namespace vexlar::qdv
