#pragma once
// The Tango device server as the program sees it. The server itself lives
// in a module of its own (libvexlar_tango.so), loaded only when the device
// is exported, so that a program that is never driven remotely does not
// load the control system's libraries (they cost a third more memory and
// start-up time).

#include <memory>
#include <string>

namespace vexlar::remote {

class RemoteLink;

// The device name a server without a database exports.
inline constexpr char kDeviceNameWithoutDatabase[] = "vexlar/raman/1";

class DeviceServer {
public:
    virtual ~DeviceServer() = default;
    // Starts the device server and waits until it takes calls; the reason
    // when it could not start (the port taken, no database). Only once per
    // process.
    virtual std::string Start() = 0;
    // The device server ends: no call reaches the engine any more.
    virtual void Stop() = 0;
};

// The device server of link, from the module beside the program (in
// ../lib from the executable, else wherever the loader finds it); null, with
// the reason in *problem, when the module cannot be loaded.
std::unique_ptr<DeviceServer> LoadDeviceServer(RemoteLink& link, std::string* problem);

// The name of the module's function that makes a server.
inline constexpr char kCreateServerSymbol[] = "VexlarCreateDeviceServer";

}  // namespace vexlar::remote
