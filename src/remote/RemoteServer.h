#pragma once
// Vexlar as a Tango device: the device server of class VexlarRaman, run on
// a thread of its own beside the engine. Without a database the device is
// tango://HOST:PORT/vexlar/raman/1#dbase=no; with the database TANGO_HOST
// names, it is the device registered for the server vexlar/vexlar.
//
// Every client's call goes through the RemoteLink to the engine's thread;
// the scans shown are pushed to subscribers as change events of Spectrum
// and ScanCount, in order, from a thread of their own so that the engine
// never waits for a client.

#include <memory>
#include <string>

namespace vexlar::remote {

class RemoteLink;

// The device name a server without a database exports.
inline constexpr char kDeviceNameWithoutDatabase[] = "vexlar/raman/1";

class RemoteServer {
public:
    explicit RemoteServer(RemoteLink& link);
    ~RemoteServer();
    RemoteServer(const RemoteServer&) = delete;
    RemoteServer& operator=(const RemoteServer&) = delete;

    // Starts the device server and waits until it takes calls; the reason
    // when it could not start (the port taken, no database). Only once per
    // process.
    std::string Start();
    // The device server ends: no call reaches the engine any more.
    void Stop();

    class Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace vexlar::remote
