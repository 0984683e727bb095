#include "app/NoWindow.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

#include "ShutdownSignals.h"
#include "app/NumberConventions.h"
#include "app/RemoteSession.h"
#include "calibration/SettingsFile.h"
#include "instrument/DriverIdentity.h"
#include "instrument/Instrument.h"

namespace vexlar {

int RunWithoutWindow(const CommandLine& options, int argc, char** argv)
{
    QCoreApplication core(argc, argv);
    UseDecimalPointForNumbers();

    // The settings file, read once, as the window reads it.
    settings::LoadedSettings loaded = settings::ReadWorkingSettings(settings::kFileName);
    if (!loaded.error.empty())
        std::fprintf(stderr, "Vexlar: %s; starting with the default settings.\n", loaded.error.c_str());
    const std::string replaced = settings::ReplacedValuesNotice(loaded.replaced, settings::kFileName);
    if (!replaced.empty())
        std::fprintf(stderr, "Vexlar: %s\n", replaced.c_str());

    AppContext app;
    app.hinst = &app;
    Instrument engine;
    // However the program is ended from outside, the laser goes off first.
    int endingSignal = 0;
    sys::ShutdownSignals signals(
        [&](int signal) {
            endingSignal = signal;
            engine.SwitchLaserOff();
            QCoreApplication::exit(sys::ExitStatusForSignal(signal));
        },
        &Instrument::SwitchStrobeOffFromAnyThread);
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);

    engine.Configure(&app, loaded.values);
    QObject::connect(&engine, &Instrument::operatorMessage,
                     [](const std::string& text) { std::fprintf(stderr, "Vexlar: %s\n", text.c_str()); });
    const std::string refusal = engine.Start();
    if (!refusal.empty())
        std::fprintf(stderr, "Vexlar: %s\n", refusal.c_str());
    const std::string driverProblem = DriverSettingsProblem();
    if (!driverProblem.empty())
        std::fprintf(stderr, "Vexlar: %s\n", driverProblem.c_str());

    remote::RemoteOptions remote;
    remote.port = options.tangoPort;
    remote.deviceName = options.tangoDevice;
    remote.allowLaser = options.allowRemoteLaser;
    if (loaded.values.remote.watchdogSeconds > 0)
        remote.watchdogSeconds = loaded.values.remote.watchdogSeconds;
    remote.criteria = loaded.values.peakCriteria;
    RemoteSession session(engine, &signals);
    const std::string problem = session.Start(remote);
    int status = 1;
    if (!problem.empty()) {
        std::fprintf(stderr, "Vexlar: %s\n", problem.c_str());
    } else {
        std::printf("Vexlar's Tango device: %s\n", session.Address().c_str());
        std::fflush(stdout);
        status = core.exec();
    }

    // The end, in order: the laser off, the device gone, the settings saved,
    // the driver released.
    engine.SwitchLaserOff();
    session.Stop();
    settings::WorkingSettings values = loaded.values;
    engine.CollectSettings(&values);
    std::string error;
    if (!settings::WriteChangedWorkingSettings(values, loaded, &error, settings::kFileName))
        std::fprintf(stderr, "Vexlar: the settings could not be saved. %s\n", error.c_str());
    engine.Release();
    return endingSignal != 0 ? sys::ExitStatusForSignal(endingSignal) : status;
}

}  // namespace vexlar
