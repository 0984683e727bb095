#pragma once
// What the window needs of Vexlar's Tango device: to start and stop it, to
// let clients switch the laser on or not, and to know when a client holds
// the laser. The program provides it when it is built with the device;
// without it, Setup > Remote Control stays disabled.

#include <algorithm>
#include <cctype>
#include <functional>
#include <string>

namespace vexlar {

// Whether name is a Tango device's name: domain/family/member, each part
// given, no spaces.
inline bool IsTangoDeviceName(const std::string& name)
{
    const bool spaced = std::any_of(name.begin(), name.end(), [](unsigned char c) { return std::isspace(c) != 0; });
    const std::size_t first = name.find('/');
    const std::size_t second = first == std::string::npos ? first : name.find('/', first + 1);
    return !spaced && first > 0 && second != std::string::npos && second > first + 1 && second + 1 < name.size() &&
           name.find('/', second + 1) == std::string::npos;
}

struct RemoteStart {
    int port = 0;            // without a database
    std::string deviceName;  // with the database TANGO_HOST names
    bool allowLaser = false;
    int watchdogSeconds = 10;
};

class RemoteAccess {
public:
    virtual ~RemoteAccess() = default;
    // The reason when the device could not be exported.
    virtual std::string StartDevice(const RemoteStart& start) = 0;
    virtual void StopDevice() = 0;
    virtual bool DeviceRunning() const = 0;
    virtual void AllowRemoteLaser(bool allowed) = 0;
    virtual bool RemoteLaserAllowed() const = 0;
    // A client's silence that switches its laser off, from now on.
    virtual void SetWatchdogSeconds(int seconds) = 0;
    // How a client reaches the device; empty while none runs.
    virtual std::string Address() const = 0;
    // Told whenever a client starts or stops holding the laser on.
    std::function<void(bool held)> onLaserHeld;
};

}  // namespace vexlar
