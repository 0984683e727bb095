#pragma once
// Vexlar's Tango device for a running program: the link to the engine and
// the device server, started when the command line or the operator (Setup >
// Remote Control) asks for it. The control system's library allows one
// device server per process: once stopped, it starts again only in a new
// run of Vexlar.

#include <memory>
#include <string>

#include "app/RemoteAccess.h"
#include "remote/RemoteLink.h"

namespace vexlar {

class Instrument;

namespace sys {
class ShutdownSignals;
}

namespace remote {
class DeviceServer;
}

class RemoteSession : public RemoteAccess {
public:
    // signals: the program's own, taken back from the device server, which
    // sets its own actions for some of them as it starts.
    RemoteSession(Instrument& engine, sys::ShutdownSignals* signals);
    ~RemoteSession() override;

    // The device exported; the reason when it could not be.
    std::string Start(const remote::RemoteOptions& options);
    // The device ends; a laser a client holds goes off.
    void Stop();
    bool running() const { return server_ != nullptr; }
    // Null while no device runs.
    remote::RemoteLink* link() const { return link_.get(); }
    // How a client reaches the device, for the operator.
    std::string Address() const override;

    // RemoteAccess, for the window.
    std::string StartDevice(const RemoteStart& start) override;
    void StopDevice() override { Stop(); }
    bool DeviceRunning() const override { return running(); }
    void AllowRemoteLaser(bool allowed) override;
    void SetWatchdogSeconds(int seconds) override;
    bool RemoteLaserAllowed() const override { return link_ && link_->options().allowLaser; }
    // What FindPeaks looks for, and the laser's watchdog by default.
    remote::RemoteOptions defaults;

private:
    Instrument& engine_;
    sys::ShutdownSignals* signals_;
    std::unique_ptr<remote::RemoteLink> link_;
    std::unique_ptr<remote::DeviceServer> server_;
    bool startedOnce_ = false;
};

}  // namespace vexlar
