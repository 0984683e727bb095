#include "app/RemoteSession.h"

#include <QObject>

#include <unistd.h>

#include "ShutdownSignals.h"
#include "instrument/Instrument.h"
#include "remote/DeviceServer.h"
#include "remote/RemoteLink.h"

namespace vexlar {

namespace {

std::string HostName()
{
    char name[256] = {};
    return ::gethostname(name, sizeof name - 1) == 0 ? std::string(name) : std::string("localhost");
}

}  // namespace

RemoteSession::RemoteSession(Instrument& engine, sys::ShutdownSignals* signals) : engine_(engine), signals_(signals) { }

RemoteSession::~RemoteSession()
{
    Stop();
}

std::string RemoteSession::Start(const remote::RemoteOptions& options)
{
    if (server_)
        return {};
    if (startedOnce_)
        return "The Tango device was stopped in this run: it can be exported again only when Vexlar starts again.";
    startedOnce_ = true;
    link_ = std::make_unique<remote::RemoteLink>(engine_, options);
    std::string loadProblem;
    server_ = remote::LoadDeviceServer(*link_, &loadProblem);
    if (!server_) {
        link_.reset();
        return loadProblem;
    }
    QObject::connect(link_.get(), &remote::RemoteLink::laserHeldChanged, [this](bool held) {
        if (onLaserHeld)
            onLaserHeld(held);
    });
    const std::string problem = server_->Start();
    // The device server set its own actions for some signals: the laser's
    // safety takes them back.
    if (signals_)
        signals_->Reassert();
    if (!problem.empty()) {
        server_.reset();
        link_.reset();
    }
    return problem;
}

void RemoteSession::Stop()
{
    if (!server_)
        return;
    if (link_->laserHeld())
        engine_.SwitchLaserOff();
    server_->Stop();
    server_.reset();
    link_.reset();
}

std::string RemoteSession::StartDevice(const RemoteStart& start)
{
    remote::RemoteOptions options = defaults;
    options.port = start.deviceName.empty() ? start.port : 0;
    options.deviceName = start.deviceName;
    options.allowLaser = start.allowLaser;
    if (start.watchdogSeconds > 0)
        options.watchdogSeconds = start.watchdogSeconds;
    return Start(options);
}

void RemoteSession::AllowRemoteLaser(bool allowed)
{
    if (!link_)
        return;
    link_->SetLaserAllowed(allowed);
    // Taken back: a laser a client holds goes off.
    if (!allowed && link_->laserHeld())
        engine_.SwitchLaserOff();
}

void RemoteSession::SetWatchdogSeconds(int seconds)
{
    if (link_ && seconds > 0)
        link_->SetWatchdogSeconds(seconds);
}

std::string RemoteSession::Address() const
{
    if (!link_)
        return {};
    const remote::RemoteOptions& o = link_->options();
    if (o.port > 0)
        return "tango://" + HostName() + ":" + std::to_string(o.port) + "/" + remote::kDeviceNameWithoutDatabase +
               "#dbase=no";
    return o.deviceName;
}

}  // namespace vexlar
