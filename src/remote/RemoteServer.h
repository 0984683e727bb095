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

#include "remote/DeviceServer.h"

namespace vexlar::remote {

class RemoteLink;

class RemoteServer : public DeviceServer {
public:
    explicit RemoteServer(RemoteLink& link);
    ~RemoteServer() override;
    RemoteServer(const RemoteServer&) = delete;
    RemoteServer& operator=(const RemoteServer&) = delete;

    std::string Start() override;
    void Stop() override;

    class Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace vexlar::remote
