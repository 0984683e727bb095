// The long run: the whole program (application, main window, view, chart)
// offscreen on the simulated spectrometer at 4 ms integration with the laser
// on, for 100,000 scans through the real scan cycle. It checks, and reports:
//
// - resident memory does not grow after the first thousand scans;
// - no scan is lost: every scan request is answered (a scan or a failure
//   notice) and acquisition never stalls;
// - no scan is shown twice, and each is shown exactly as the driver wrote
//   it, with one redraw of the chart;
// - the laser is on while scanning and off once the program has ended.
//
//   vexlar_longrun [--scans N] [--speed S] [--quiet]
//
// --speed is the simulated spectrometer's speed factor (1, real time, by
// default); exit status 0 when every check holds.

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "MessageBox.h"
#include "Messages.h"
#include "Profile.h"
#include "QdvDriver.h"
#include "QdvSimHooks.h"
#include "Xrt.h"
#include "app/AcquisitionBar.h"
#include "app/MainFrame.h"
#include "app/VexlarApp.h"
#include "window/ControlCommands.h"
#include "window/VexlarView.h"
#include "window/ViewHost.h"

using namespace vexlar;

namespace {

constexpr long kDefaultScans = 100'000;
constexpr long kWarmUpScans = 1'000;      // resident memory is measured from here on
constexpr long kSampleEvery = 1'000;      // scans between two memory samples
constexpr long kAllowedGrowthKiB = 2048;  // allocator noise, not a leak
constexpr int kStallMs = 10'000;          // no scan for this long: acquisition has stalled
constexpr int kReportEveryMs = 30'000;

long g_requests = 0;

long ResidentKiB()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

struct Options {
    long scans = kDefaultScans;
    double speed = 1.0;
    bool quiet = false;
};

bool ParseOptions(int argc, char** argv, Options* options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--scans" && i + 1 < argc) {
            options->scans = std::atol(argv[++i]);
        } else if (arg == "--speed" && i + 1 < argc) {
            options->speed = std::atof(argv[++i]);
        } else if (arg == "--quiet") {
            options->quiet = true;
        } else {
            std::fprintf(stderr, "usage: %s [--scans N] [--speed S] [--quiet]\n", argv[0]);
            return false;
        }
    }
    return options->scans > kWarmUpScans && options->speed > 0.0;
}

// Watches the engine's messages from the driver: lets the engine handle each
// scan and checks that the view then shows what the driver wrote into the
// buffer the parameter block gives it.
class ScanWatcher : public QObject {
public:
    ScanWatcher(CVexlarView* view, const DriverParams& params)
        : view_(view), engine_(&view->instrument()), params_(params)
    {
        view_->installEventFilter(this);
        engine_->installEventFilter(this);
    }

    long completed = 0;
    long failed = 0;
    long shownOtherwise = 0;  // scans not shown exactly as written
    long shownTwice = 0;
    long redrawsWrong = 0;  // scans that did not cause exactly one redraw
    bool laserSeenOn = false;
    bool laserOnThroughout = true;  // once switched on, on for every scan
    bool stopping = false;          // acquisition stopped: scans are dropped, not shown
    std::function<void()> onScan;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const sys::WindowMessageEvent* message = sys::AsWindowMessage(event);
        if (watched == view_ && event->type() == QEvent::Resize)
            resized_ = true;
        if (watched != engine_ || !message)
            return false;
        if (message->message() >= WM_DRIVER_NOTIFY_FIRST && message->message() <= WM_DRIVER_NOTIFY_LAST)
            ++failed;
        if (message->message() != WM_SCAN_COMPLETE)
            return false;
        ++completed;
        if (stopping)
            return false;  // the engine drops it
        const auto channel = static_cast<int>(message->wParam());
        written_.assign(params_.buffer[channel], params_.buffer[channel] + kPixels);
        std::uint64_t redrawsBefore = 0;
        XrtGetRedrawCount(view_->chart(), &redrawsBefore);
        engine_->event(event);
        std::uint64_t redrawsAfter = 0;
        XrtGetRedrawCount(view_->chart(), &redrawsAfter);
        // A scan after a resize also lays the chart out once for the
        // annotations' rectangles (the first scan may follow the set-up's).
        const std::uint64_t redraws = redrawsAfter - redrawsBefore;
        const bool right = resized_ ? redraws == 2 : redraws == 1 || (firstScan_ && redraws == 2);
        redrawsWrong += right ? 0 : 1;
        resized_ = false;
        firstScan_ = false;

        bool asWritten = true;
        bool sameAsLast = !last_.empty();
        shown_.resize(kPixels);
        XrtHandle live = 0;
        XrtGetValues(view_->chart(), XRT_DATA, &live);
        for (int i = 0; i < kPixels; ++i) {
            XrtDataGetYElementIndirect(live, 0, i, &shown_[i]);
            asWritten = asWritten && shown_[i] == static_cast<double>(written_[i]);
            sameAsLast = sameAsLast && shown_[i] == last_[i];
        }
        shownOtherwise += asWritten ? 0 : 1;
        shownTwice += sameAsLast ? 1 : 0;
        last_.swap(shown_);
        // The control bar's click reaches the view as a posted message, so
        // the first scans may still be taken with the laser off.
        const bool laserOn = QdvSim_StrobeState() == 1;
        laserOnThroughout = laserOnThroughout && (laserOn || !laserSeenOn);
        laserSeenOn = laserSeenOn || laserOn;
        if (onScan)
            onScan();
        return true;
    }

private:
    CVexlarView* view_;
    QObject* engine_;
    const DriverParams& params_;
    bool resized_ = false;
    bool firstScan_ = true;
    std::vector<float> written_;
    std::vector<double> shown_;
    std::vector<double> last_;
};

// A settings folder of the run's own, with 4 ms scans of one reading.
std::string PrepareSettings()
{
    std::string folder = (std::filesystem::temp_directory_path() / "vexlar-longrun-XXXXXX").string();
    if (!::mkdtemp(folder.data()))
        return {};
    setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    sys::WritePrivateProfileString("Acquisition", "IntegrationTime", "4", "vexlar.ini");
    sys::WritePrivateProfileString("Acquisition", "Average", "1", "vexlar.ini");
    sys::WritePrivateProfileString("Acquisition", "Boxcar", "0", "vexlar.ini");
    return folder;
}

}  // namespace

// Every scan request of the program passes here (linked with
// --wrap=QDV_SingleScan), so each can be matched with its answer.
extern "C" std::int16_t __real_QDV_SingleScan(void* hinst);
extern "C" std::int16_t __wrap_QDV_SingleScan(void* hinst)
{
    ++g_requests;
    return __real_QDV_SingleScan(hinst);
}

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, &options))
        return 2;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string speed = std::to_string(options.speed);
    setenv("VEXLAR_SIM_SPEED", speed.c_str(), 1);
    setenv("VEXLAR_SIM_SAMPLE", "cyclohexane", 1);
    const std::string folder = PrepareSettings();
    if (folder.empty()) {
        std::perror("vexlar_longrun: no settings folder");
        return 2;
    }

    sys::MessageRecorder messages;  // an operator message would stop an unattended run
    auto app = std::make_unique<CVexlarApp>(argc, argv);
    if (!app->InitInstance()) {
        std::fprintf(stderr, "vexlar_longrun: the main window could not be created\n");
        return 1;
    }
    CMainFrame* frame = app->frame();
    CVexlarView* view = frame->view();
    const int integrationMs = app->context().driverParams.IntegrationTime;

    // The operator switches the laser on at the control bar.
    auto* laser = qobject_cast<QAbstractButton*>(frame->controlBar()->Control(IDC_LASER));
    if (!laser) {
        std::fprintf(stderr, "vexlar_longrun: no laser button on the control bar\n");
        return 1;
    }
    laser->click();

    ScanWatcher watcher(view, app->context().driverParams);
    std::vector<long> residentKiB;  // at scan kWarmUpScans, then every kSampleEvery
    QElapsedTimer clock;
    clock.start();
    QElapsedTimer sinceLastScan;
    sinceLastScan.start();
    qint64 lastReportMs = 0;
    bool stalled = false;

    watcher.onScan = [&] {
        sinceLastScan.restart();
        if (watcher.completed >= kWarmUpScans && watcher.completed % kSampleEvery == 0)
            residentKiB.push_back(ResidentKiB());
        if (!options.quiet && clock.elapsed() - lastReportMs >= kReportEveryMs) {
            lastReportMs = clock.elapsed();
            std::printf("  %ld scans, %ld failed, %.0f s, resident %ld KiB\n", watcher.completed, watcher.failed,
                        lastReportMs / 1000.0, ResidentKiB());
            std::fflush(stdout);
        }
        if (watcher.completed >= options.scans)
            app->quit();
    };
    QTimer stallCheck;
    QObject::connect(&stallCheck, &QTimer::timeout, [&] {
        if (sinceLastScan.elapsed() > kStallMs) {
            stalled = true;
            app->quit();
        }
    });
    stallCheck.start(kStallMs / 10);

    std::printf("vexlar_longrun: %ld scans at %d ms integration, speed factor %g, laser on\n", options.scans,
                integrationMs, options.speed);
    std::fflush(stdout);
    app->exec();
    const double seconds = clock.elapsed() / 1000.0;

    // Stop: the scan in flight is answered, then nothing more is asked for.
    const long shownScans = watcher.completed;
    watcher.stopping = true;
    view->OnBarParam(BAR_ADDITIVE);  // the Additive button stops acquisition
    QElapsedTimer drain;
    drain.start();
    while (drain.elapsed() < 500)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    const long requests = g_requests;
    const long answered = watcher.completed + watcher.failed;
    view->removeEventFilter(&watcher);

    app.reset();  // the program ends: settings saved, laser off, driver released
    const int strobeAfter = QdvSim_StrobeState();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);

    // The figures.
    const long first = residentKiB.empty() ? 0 : residentKiB.front();
    long peak = first;
    for (long kib : residentKiB)
        peak = std::max(peak, kib);
    const long last = residentKiB.empty() ? 0 : residentKiB.back();
    std::printf("scans shown        %ld in %.1f s (%.0f per second)\n", shownScans, seconds, shownScans / seconds);
    std::printf("scan requests      %ld, answered %ld (%ld scans, %ld failure notices)\n", requests, answered,
                watcher.completed, watcher.failed);
    std::printf("resident memory    %ld KiB at scan %ld, %ld KiB at the end, %ld KiB at most (%zu samples)\n", first,
                kWarmUpScans, last, peak, residentKiB.size());
    std::printf("shown otherwise    %ld, shown twice %ld, redraws not one per scan %ld\n", watcher.shownOtherwise,
                watcher.shownTwice, watcher.redrawsWrong);
    std::printf("laser              %s while scanning, %s after the end\n",
                !watcher.laserSeenOn        ? "never on"
                : watcher.laserOnThroughout ? "on"
                                            : "NOT always on",
                strobeAfter == 0 ? "off" : "ON");

    std::vector<std::string> failures;
    if (stalled)
        failures.push_back("acquisition stalled (no scan for " + std::to_string(kStallMs / 1000) + " s)");
    if (shownScans < options.scans)
        failures.push_back("only " + std::to_string(shownScans) + " scans");
    if (integrationMs != 4)
        failures.push_back("integration time " + std::to_string(integrationMs) + " ms, not 4");
    if (requests != answered)
        failures.push_back(std::to_string(requests - answered) + " scan requests never answered");
    if (peak - first > kAllowedGrowthKiB)
        failures.push_back("resident memory grew by " + std::to_string(peak - first) + " KiB after scan " +
                           std::to_string(kWarmUpScans));
    if (watcher.shownOtherwise != 0 || watcher.shownTwice != 0 || watcher.redrawsWrong != 0)
        failures.push_back("scans not shown exactly once as written");
    if (!watcher.laserSeenOn || !watcher.laserOnThroughout)
        failures.push_back("the laser was not on throughout");
    if (strobeAfter != 0)
        failures.push_back("the laser is still on after the end");
    if (!messages.messages().empty())
        failures.push_back("the operator was shown: " + messages.messages().front().text);
    for (const std::string& failure : failures)
        std::printf("FAIL: %s\n", failure.c_str());
    std::printf("%s\n", failures.empty() ? "long run passed" : "long run FAILED");
    return failures.empty() ? 0 : 1;
}
