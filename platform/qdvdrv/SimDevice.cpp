#include "SimDevice.h"

#include <QApplication>
#include <QObject>

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <random>

#include <fcntl.h>
#include <unistd.h>

#include "ConfigDialog.h"
#include "MessageBox.h"
#include "Messages.h"
#include "ModalDialog.h"

namespace vexlar::qdv {

namespace {

constexpr const char* kEnvSeed = "VEXLAR_SIM_SEED";             // makes the noise repeatable between runs
constexpr const char* kEnvStrobeLog = "VEXLAR_SIM_STROBE_LOG";  // a file that records every strobe switch
constexpr mode_t kLogFileMode = 0644;
constexpr const char* kErrorTitle = "Simulated Spectrometer";

std::uint64_t InitialSeed()
{
    if (const char* text = std::getenv(kEnvSeed)) {
        std::uint64_t seed = 0;
        const char* end = text + std::strlen(text);
        if (std::from_chars(text, end, seed).ec == std::errc())
            return seed;
    }
    std::random_device entropy;
    return (static_cast<std::uint64_t>(entropy()) << 32) ^ entropy();
}

void PostToWindow(void* window, unsigned message, std::uintptr_t wParam)
{
    sys::PostMessage(static_cast<QObject*>(window), message, wParam, 0);
}

int16_t CheckBlock(const DriverParams* params)
{
    if (!params)
        return QDV_ERR_NULL_BLOCK;
    if (params->size != sizeof(DriverParams))
        return QDV_ERR_BLOCK_SIZE;
    if (!params->hinst)
        return QDV_ERR_NO_CLIENT;
    if (!params->window)
        return QDV_ERR_NO_WINDOW;
    return QDV_OK;
}

}  // namespace

SessionParams ParamsFromBlock(const DriverParams& block)
{
    SessionParams p;
    p.window = block.window;
    for (int ch = 0; ch < kChannels; ++ch) {
        p.buffers[ch] = block.buffer[ch];
        p.enabled[ch] = block.channelEnable[ch] != 0;
    }
    p.integrationMs = block.IntegrationTime;
    p.average = block.Average;
    p.boxcar = block.Boxcar;
    p.correctDark = block.CorrectDark != 0;
    return p;
}

SimDevice& SimDevice::Instance()
{
    static SimDevice device;
    return device;
}

SimDevice::SimDevice() : seedBase_(InitialSeed())
{
    if (const char* log = std::getenv(kEnvStrobeLog))
        strobeLog_ = log;
}

void SimDevice::SetStrobe(bool on)
{
    strobe_.store(on);
    if (strobeLog_.empty())
        return;
    // Written straight to the file, so that it is there whatever ends the
    // program next; a file that cannot be written is no reason to fail.
    const int fd = ::open(strobeLog_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, kLogFileMode);
    if (fd < 0)
        return;
    const char* line = on ? "on\n" : "off\n";
    [[maybe_unused]] const ssize_t written = ::write(fd, line, std::strlen(line));
    ::close(fd);
}

SimDevice::~SimDevice()
{
    // A client that never unregistered: end its thread before the library
    // goes away.
    std::map<void*, std::unique_ptr<ScanSession>> remaining;
    {
        std::lock_guard<std::mutex> lock(clientsMutex_);
        remaining.swap(clients_);
    }
    for (auto& [hinst, session] : remaining)
        session->Shutdown();
}

bool SimDevice::HasClients()
{
    std::lock_guard<std::mutex> lock(clientsMutex_);
    return !clients_.empty();
}

ScanSession* SimDevice::Find(void* hinst)
{
    std::lock_guard<std::mutex> lock(clientsMutex_);
    const auto it = clients_.find(hinst);
    return it == clients_.end() ? nullptr : it->second.get();
}

int16_t SimDevice::Register(const DriverParams* params)
{
    if (const int16_t status = CheckBlock(params); status != QDV_OK)
        return status;
    DriverParams block;
    std::memcpy(&block, params, sizeof block);
    if (Find(block.hinst))
        return QDV_ERR_ALREADY_REGISTERED;

    LoadSettings();
    auto session = std::make_unique<ScanSession>(
        ParamsFromBlock(block), [this] { return Snapshot(); }, PostToWindow, NextSeed());
    if (!session->Start())
        return QDV_ERR_DEVICE;
    std::lock_guard<std::mutex> lock(clientsMutex_);
    clients_.emplace(block.hinst, std::move(session));
    return QDV_OK;
}

int16_t SimDevice::ParamSet(const DriverParams* params)
{
    if (const int16_t status = CheckBlock(params); status != QDV_OK)
        return status;
    DriverParams block;
    std::memcpy(&block, params, sizeof block);
    ScanSession* session = Find(block.hinst);
    if (!session)
        return QDV_ERR_NOT_REGISTERED;
    session->SetParams(ParamsFromBlock(block));
    return QDV_OK;
}

int16_t SimDevice::SingleScan(void* hinst)
{
    ScanSession* session = Find(hinst);
    if (!session)
        return QDV_ERR_NOT_REGISTERED;
    session->RequestScan();
    return QDV_OK;
}

int16_t SimDevice::BufferEmpty(void* hinst, int channel)
{
    ScanSession* session = Find(hinst);
    if (!session)
        return QDV_ERR_NOT_REGISTERED;
    if (channel < 0 || channel >= kChannels)
        return QDV_ERR_BAD_CHANNEL;
    session->ReleaseBuffer(channel);
    return QDV_OK;
}

int16_t SimDevice::Stop(void* hinst)
{
    ScanSession* session = Find(hinst);
    if (!session)
        return QDV_ERR_NOT_REGISTERED;
    session->Cancel();
    return QDV_OK;
}

int16_t SimDevice::UnRegister(void* hinst)
{
    std::unique_ptr<ScanSession> session;
    {
        std::lock_guard<std::mutex> lock(clientsMutex_);
        const auto it = clients_.find(hinst);
        if (it == clients_.end())
            return QDV_ERR_NOT_REGISTERED;
        session = std::move(it->second);
        clients_.erase(it);
    }
    session->Shutdown();
    return QDV_OK;
}

int16_t SimDevice::ForceFaults(int count)
{
    if (count < 0)
        return QDV_ERR_BAD_VALUE;
    forcedFaults_.store(count);
    return QDV_OK;
}

int16_t SimDevice::Configure(QWidget* parent)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return QDV_ERR_NO_DISPLAY;
    // The set-up in use while a client is registered (it may hold a choice
    // whose saving failed); otherwise the file as it is now.
    std::optional<SimSettings> inUse;
    {
        std::lock_guard<std::mutex> lock(settingsMutex_);
        if (loaded_)
            inUse = fileSettings_;
    }
    const SimSettings current = inUse && HasClients() ? *inUse : LoadSimSettings(kSettingsFileName);
    SimSettings scratch = current;
    const std::vector<std::string> overrides = ApplyEnvironmentOverrides(scratch);
    if (!parent)
        parent = QApplication::activeWindow();

    ConfigDialog dialog(current, overrides, parent);
    if (sys::RunModal(dialog) != QDialog::Accepted)
        return QDV_CONFIG_CANCELLED;
    const SimSettings chosen = dialog.Settings();
    ApplyFileSettings(chosen);

    std::string error;
    if (!SaveSimSettings(chosen, kSettingsFileName, &error)) {
        sys::ShowOperatorMessage("The new set-up is in use but could not be saved.\n" + error, kErrorTitle);
        return QDV_ERR_SETTINGS_FILE;
    }
    return QDV_OK;
}

void SimDevice::LoadSettings()
{
    std::string error;
    ApplyFileSettings(LoadSimSettings(kSettingsFileName, &error));
    std::lock_guard<std::mutex> lock(settingsMutex_);
    settingsProblem_ = error.empty() ? std::string() : "The simulated spectrometer uses its default set-up. " + error;
}

std::string SimDevice::SettingsProblem()
{
    std::lock_guard<std::mutex> lock(settingsMutex_);
    return settingsProblem_;
}

void SimDevice::ApplyFileSettings(const SimSettings& fileSettings)
{
    SimSettings effective = fileSettings;
    ApplyEnvironmentOverrides(effective);
    std::lock_guard<std::mutex> lock(settingsMutex_);
    fileSettings_ = fileSettings;
    effective_ = effective;
    loaded_ = true;
}

DeviceState SimDevice::Snapshot()
{
    DeviceState state;
    {
        std::lock_guard<std::mutex> lock(settingsMutex_);
        for (int ch = 0; ch < kChannels; ++ch)
            state.channels[ch] = effective_.Channel(ch);
        state.speedFactor = effective_.speedFactor;
        state.readoutMs = effective_.readoutMs;
        state.faultRate = effective_.faultRate;
    }
    state.laserOn = strobe_.load();
    state.forceFault = TakeForcedFault();
    return state;
}

bool SimDevice::TakeForcedFault()
{
    int outstanding = forcedFaults_.load();
    while (outstanding > 0 && !forcedFaults_.compare_exchange_weak(outstanding, outstanding - 1)) { }
    return outstanding > 0;
}

std::uint64_t SimDevice::NextSeed()
{
    // Golden-ratio steps keep the clients' noise apart.
    return seedBase_ + 0x9E3779B97F4A7C15ull * ++sessionsStarted_;
}

}  // namespace vexlar::qdv
