// Vexlar's entry point. On a desktop it opens the main window; on a machine
// without a display it says so, runs a short demonstration offscreen and
// writes a picture of the main window.

#include <cstdio>
#include <cstdlib>

#include "app/VexlarApp.h"

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

}  // namespace

int main(int argc, char** argv)
{
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
    return app.exec();
}
