// Vexlar's entry point. On a desktop it opens the main window; on a machine
// without a display it says so, runs a short demonstration offscreen and
// writes a picture of the main window.

#include <cstdio>
#include <cstdlib>

#include "app/CommandLine.h"
#include "app/MainFrame.h"
#include "app/NoWindow.h"
#include "app/RemoteSession.h"
#include "app/VexlarApp.h"
#include "window/PeakMarks.h"
#include "window/VexlarView.h"

namespace {

constexpr char kDemonstrationPicture[] = "vexlar-screenshot.png";
constexpr int kDemonstrationMs = 3000;

int DemonstrationMs()
{
    // Tests shorten the demonstration.
    const char* text = std::getenv("VEXLAR_DEMO_MS");
    const int ms = text ? std::atoi(text) : 0;
    return ms > 0 ? ms : kDemonstrationMs;
}

bool HasDisplay()
{
    return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY") || std::getenv("QT_QPA_PLATFORM");
}

// The Tango device of the window's engine, when the command line or the
// settings ask for it from the start.
void ExportDevice(CVexlarApp& app, vexlar::RemoteSession& session, const vexlar::CommandLine& options)
{
    CVexlarView* view = app.frame()->view();
    const vexlar::settings::RemoteSettings& kept = view->remoteSettings();
    session.defaults.criteria = view->peaks().criteria();
    if (kept.watchdogSeconds > 0)
        session.defaults.watchdogSeconds = kept.watchdogSeconds;
    vexlar::remote::RemoteOptions start = session.defaults;
    start.allowLaser = options.allowRemoteLaser;
    if (options.Exported()) {
        start.port = options.tangoPort;
        start.deviceName = options.tangoDevice;
    } else if (kept.control == 1 && !kept.device.empty()) {
        start.deviceName = kept.device;
    } else if (kept.control == 1 && kept.port > 0) {
        start.port = kept.port;
    } else {
        return;
    }
    const std::string problem = session.Start(start);
    if (!problem.empty())
        std::fprintf(stderr, "Vexlar: the Tango device could not start: %s\n", problem.c_str());
    else
        std::printf("Vexlar's Tango device: %s\n", session.Address().c_str());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    const vexlar::ParsedCommandLine parsed = vexlar::ParseCommandLine(argc, argv);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "vexlar: %s\n%s", parsed.error.c_str(), vexlar::CommandLineUsage().c_str());
        return 2;
    }
    if (parsed.options.help) {
        std::printf("%s", vexlar::CommandLineUsage().c_str());
        return 0;
    }
    if (parsed.options.noWindow)
        return vexlar::RunWithoutWindow(parsed.options, argc, argv);
    const bool headless = !HasDisplay();
    if (headless) {
        std::printf("No display: running Vexlar offscreen for %.1f seconds and writing a picture of its window to %s\n",
                    DemonstrationMs() / 1000.0, kDemonstrationPicture);
        std::fflush(stdout);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    CVexlarApp app(argc, argv);
    if (!app.InitInstance())
        return 1;
    if (headless)
        return app.RunHeadlessDemonstration(kDemonstrationPicture, DemonstrationMs());
    vexlar::RemoteSession session(app.frame()->view()->instrument(), app.shutdownSignals());
    app.frame()->SetRemoteAccess(&session);
    ExportDevice(app, session, parsed.options);
    const int status = app.exec();
    // The device ends before the window: no client reaches a program that
    // is going away.
    app.frame()->SetRemoteAccess(nullptr);
    session.Stop();
    return status;
}
