// The spectrometer failing scans, with the real driver library (its
// simulated spectrometer set to fail a share of its scans) and the real
// view: every failed scan comes back as WM_DRIVER_NOTIFY and is asked for
// again, acquisition goes on, every scan that does arrive is shown exactly
// once, and no request is left unanswered.

#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "MessageBox.h"
#include "Profile.h"
#include "QdvDriver.h"
#include "QdvSimHooks.h"
#include "Xrt.h"
#include "acquisition/AppContext.h"
#include "app/MainFrame.h"
#include "app/VexlarDoc.h"
#include "instrument/DriverIdentity.h"
#include "support/TempDir.h"
#include "support/TestFiles.h"
#include "support/ViewFixture.h"
#include "window/ControlCommands.h"
#include "window/VexlarView.h"

using namespace vexlar;

namespace {

// Every scan request the program makes goes through here (the test is
// linked with --wrap=QDV_SingleScan), so each one can be matched with its
// answer.
int g_requests = 0;

constexpr int kScansToShow = 150;
constexpr int kForcedFaultsInARow = 40;
constexpr int kWaitMs = 60000;  // a ceiling for the slowest sanitizer build
constexpr char kFaultRate[] = "0.25";
constexpr char kSpeed[] = "4";  // scans four times faster than real time

}  // namespace

extern "C" std::int16_t __real_QDV_SingleScan(void* hinst);
extern "C" std::int16_t __wrap_QDV_SingleScan(void* hinst)
{
    ++g_requests;
    return __real_QDV_SingleScan(hinst);
}

namespace {

// Watches the engine's messages from the driver: lets the engine handle each
// scan, then checks that what the view shows is exactly what the driver
// wrote into the buffer the parameter block gives it.
class ScanWatcher : public QObject {
public:
    ScanWatcher(CVexlarView* view, const DriverParams& params)
        : view_(view), engine_(&view->instrument()), params_(params)
    {
        view_->installEventFilter(this);
        engine_->installEventFilter(this);
    }
    ~ScanWatcher() override
    {
        view_->removeEventFilter(this);
        engine_->removeEventFilter(this);
    }

    int completed = 0;
    int failed = 0;
    int shownAsWritten = 0;
    int shownTwice = 0;
    int redrawsPerScanWrong = 0;

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
        const auto channel = static_cast<int>(message->wParam());
        const float* buffer = params_.buffer[channel];
        const std::vector<float> written(buffer, buffer + kPixels);
        std::uint64_t redrawsBefore = 0;
        XrtGetRedrawCount(view_->chart(), &redrawsBefore);
        engine_->event(event);  // the engine's own handling
        std::uint64_t redrawsAfter = 0;
        XrtGetRedrawCount(view_->chart(), &redrawsAfter);
        // A scan after a resize also lays the chart out once for the
        // annotations' rectangles (the first scan may follow the set-up's).
        // The chart is drawn at most once per display frame: a scan that
        // follows the last drawing within a frame is drawn with the frame,
        // after its handler.
        const std::uint64_t most = resized_ || firstScan_ ? 2 : 1;
        if (redrawsAfter > redrawsBefore + most)
            ++redrawsPerScanWrong;
        resized_ = false;
        firstScan_ = false;

        const std::vector<double> shown = test::ShownYs(view_->chart());
        bool asWritten = shown.size() == written.size();
        for (std::size_t i = 0; asWritten && i < shown.size(); ++i)
            asWritten = shown[i] == static_cast<double>(written[i]);
        shownAsWritten += asWritten ? 1 : 0;
        shownTwice += shown == lastShown_ ? 1 : 0;
        lastShown_ = shown;
        return true;
    }

private:
    CVexlarView* view_;
    QObject* engine_;
    const DriverParams& params_;
    bool resized_ = false;
    bool firstScan_ = true;
    std::vector<double> lastShown_;
};

class DriverFaults : public testing::Test {
protected:
    void SetUp() override
    {
        // Short scans, so a few hundred take a few seconds.
        ASSERT_TRUE(sys::WritePrivateProfileString("Acquisition", "IntegrationTime", "4", "vexlar.ini"));
        setenv("VEXLAR_SIM_FAULT_RATE", kFaultRate, 1);
        setenv("VEXLAR_SIM_SPEED", kSpeed, 1);
        g_requests = 0;
        app.hinst = &app;
        window = std::make_unique<QWidget>();
        window->resize(800, 500);
        view = std::make_unique<CVexlarView>();
        view->SetHost(&host);
        ASSERT_TRUE(view->Create(&app, QRect(0, 0, 800, 500), window.get()));
        watcher = std::make_unique<ScanWatcher>(view.get(), app.driverParams);
        window->show();
    }

    void TearDown() override
    {
        watcher.reset();
        view.reset();
        window.reset();
        unsetenv("VEXLAR_SIM_FAULT_RATE");
        unsetenv("VEXLAR_SIM_SPEED");
        QdvSim_ForceFaults(0);
    }

    bool WaitForScans(int count)
    {
        return QTest::qWaitFor([&] { return watcher->completed >= count; }, kWaitMs);
    }

    // Every request has had its answer, but for the one in flight.
    void ExpectEveryRequestAnswered()
    {
        const int answered = watcher->completed + watcher->failed;
        EXPECT_GE(g_requests, answered);
        EXPECT_LE(g_requests, answered + 1)
            << g_requests << " requests, " << watcher->completed << " scans, " << watcher->failed << " failures";
    }

    sys::MessageRecorder messages;
    test::FakeHost host;
    AppContext app;
    std::unique_ptr<QWidget> window;
    std::unique_ptr<CVexlarView> view;
    std::unique_ptr<ScanWatcher> watcher;
};

}  // namespace

TEST_F(DriverFaults, FailedScansAreAskedForAgainAndEveryArrivingScanIsShownOnce)
{
    EXPECT_EQ(app.driverParams.IntegrationTime, 4);
    ASSERT_TRUE(WaitForScans(kScansToShow)) << watcher->completed << " scans, " << watcher->failed << " failures";
    EXPECT_GT(watcher->failed, 0) << "a quarter of the scans fail";
    EXPECT_EQ(watcher->shownAsWritten, watcher->completed) << "every scan is shown as the driver wrote it";
    EXPECT_EQ(watcher->shownTwice, 0);
    EXPECT_EQ(watcher->redrawsPerScanWrong, 0) << "never more than one redraw per scan";
    const int shown = watcher->shownAsWritten;
    ASSERT_TRUE(WaitForScans(watcher->completed + 1));
    EXPECT_GT(watcher->shownAsWritten, shown) << "acquisition runs on";
    ExpectEveryRequestAnswered();
    EXPECT_TRUE(messages.messages().empty()) << "a failed scan holds nothing up";
}

TEST_F(DriverFaults, AcquisitionComesBackByItselfAfterARunOfFailures)
{
    ASSERT_TRUE(WaitForScans(3));
    ASSERT_EQ(QdvSim_ForceFaults(kForcedFaultsInARow), QDV_OK);
    const int failedBefore = watcher->failed;
    ASSERT_TRUE(QTest::qWaitFor([&] { return watcher->failed - failedBefore >= kForcedFaultsInARow; }, kWaitMs));
    ASSERT_TRUE(WaitForScans(watcher->completed + 10)) << "acquisition goes on once the device recovers";
    EXPECT_EQ(watcher->shownAsWritten, watcher->completed);
    EXPECT_EQ(watcher->shownTwice, 0);
    ExpectEveryRequestAnswered();

    // Stopped acquisition: a failure still gives its buffer back and asks
    // once more, and that scan is dropped, so the chain ends there.
    view->OnBarParam(BAR_ADDITIVE);
    ASSERT_EQ(QdvSim_ForceFaults(1), QDV_OK);
    QTest::qWait(200);
    const int requests = g_requests;
    const int completed = watcher->completed;
    QTest::qWait(200);
    EXPECT_EQ(g_requests, requests) << "nothing more is asked for";
    EXPECT_EQ(watcher->completed, completed);
    ExpectEveryRequestAnswered();
}

TEST_F(DriverFaults, TheLaserIsOffWhenTheProgramEnds)
{
    ASSERT_TRUE(WaitForScans(2));
    QDV_V7400StrobeEnable(1);
    ASSERT_TRUE(WaitForScans(watcher->completed + 5));
    EXPECT_EQ(QdvSim_StrobeState(), 1);
    watcher.reset();
    view.reset();
    EXPECT_EQ(QdvSim_StrobeState(), 0);
}

// The real driver cancels the scan in flight when it is stopped. Leaving
// additive mode and resuming with Continuous once the dropped scan has
// arrived, or with Reset before it has, acquisition runs on: every scan that
// arrives afterwards is shown, and there is never more than one on its way.
TEST_F(DriverFaults, ResumingAfterAdditiveModeWithADriverThatCancelsOnStop)
{
    // A quarter of the scans still fail, as in the other tests here.
    ASSERT_TRUE(WaitForScans(3));
    view->instrument().StoreDark();
    for (const bool viaReset : {false, true}) {
        SCOPED_TRACE(viaReset ? "Reset before the dropped scan arrives" : "Continuous after it arrived");
        vexlar::test::Tell(view->instrument().ToggleAdditiveMode());
        ASSERT_TRUE(view->instrument().flags().additive);
        ASSERT_TRUE(WaitForScans(watcher->completed + 3));
        vexlar::test::Tell(view->instrument().ToggleAdditiveMode());
        ASSERT_FALSE(view->instrument().flags().additive);
        if (viaReset) {
            view->instrument().Reset();
        } else {
            // The scan in flight arrives and is dropped; nothing more comes.
            ASSERT_TRUE(WaitForScans(watcher->completed + 1));
            QTest::qWait(100);
            const int completed = watcher->completed;
            QTest::qWait(100);
            ASSERT_EQ(watcher->completed, completed) << "acquisition has stopped";
            view->OnBarParam(BAR_CONTINUOUS);
        }
        const int shown = watcher->shownAsWritten;
        ASSERT_TRUE(WaitForScans(watcher->completed + 10)) << "acquisition runs again";
        EXPECT_GE(watcher->shownAsWritten - shown, 9) << "the scans are shown, acquisition runs";

        // Stopped now, exactly the one scan on its way still arrives.
        view->OnBarParam(BAR_ADDITIVE);
        const int stoppedAt = watcher->completed;
        ASSERT_TRUE(WaitForScans(stoppedAt + 1));
        QTest::qWait(300);
        EXPECT_EQ(watcher->completed, stoppedAt + 1) << "never a second scan on its way";
    }
}

// The built-in driver library says it is the simulated spectrometer; the
// headless demonstration switches the laser on only then.
TEST(DriverIdentity, TheBuiltInDriverIsTheSimulatedSpectrometer)
{
    EXPECT_TRUE(DriverIsBuiltInSimulator());
    EXPECT_STREQ(QdvSim_Identity(), QDVSIM_IDENTITY);
}

// Settings problems are told on the status bar as the window comes up, each
// with its file's path: a settings file that cannot be read (a folder, binary
// data), which leaves the defaults in use, the simulated spectrometer's
// included, and values that cannot be used, with the values used (which the
// control bar shows).
TEST(SettingsProblems, AreToldOnTheStatusBar)
{
    const std::string driverFile = sys::ResolveProfilePath("qdvdrv.ini");
    const std::string programFile = sys::ResolveProfilePath("vexlar.ini");
    const struct {
        std::string qdvdrv;  // the file's bytes, or "folder"
        const char* vexlar;
        std::string told;
    } cases[] = {
        {"folder", "", driverFile + "\": it is not a file"},
        {"[Simulator]\x01\n", "", driverFile + "\": it holds the control character 0x01"},
        {"", "[Acquisition]\nBoxcar=2\x1B\n", programFile + "\": it holds the control character 0x1B"},
        {"", "[Acquisition]\nBoxcar=99999\n",
         programFile + "\" holds values that cannot be used as they stand: "
                       "[Acquisition] Boxcar=99999 (1 is used)"},
    };
    sys::MessageRecorder messages;
    for (const auto& c : cases) {
        messages.clear();
        std::filesystem::remove_all(sys::SettingsFolder());
        ASSERT_TRUE(test::WriteSettingsFile(c.vexlar));
        if (c.qdvdrv == "folder")
            std::filesystem::create_directory(driverFile);
        else
            ASSERT_TRUE(test::WriteSettingsFile(c.qdvdrv, "qdvdrv.ini"));
        AppContext app;
        app.hinst = &app;
        CVexlarDoc document;
        testing::internal::CaptureStderr();
        {
            CMainFrame frame(&app, &document);
            ASSERT_TRUE(frame.Create());
            frame.view()->OnInitialUpdate();
            const std::string status = frame.statusText().toStdString();
            EXPECT_NE(status.find(c.told), std::string::npos) << status;
            EXPECT_EQ(frame.Text(IDC_BOXCAR), "1") << "the value used";
            EXPECT_TRUE(messages.messages().empty()) << "starting is not held up by a box";
        }
        testing::internal::GetCapturedStderr();
    }
}
