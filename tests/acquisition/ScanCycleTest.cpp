// The scan cycle: each scan handled becomes the spectrum on the chart, its
// buffer goes back to the driver and the next scan is asked for; dark
// subtraction and accumulation; Reset; the chain of scans as the operator
// starts and stops it.

#include <algorithm>

#include "VirtualClock.h"
#include "Xrt.h"
#include "support/ViewFixture.h"
#include "window/ControlCommands.h"

#include <filesystem>

#include "Profile.h"
#include "VirtualClock.h"
#include "support/TempDir.h"

using namespace vexlar;
using namespace vexlar::test;

namespace {

using Names = std::vector<std::string>;

class ScanCycle : public ViewFixture {
protected:
    // The operator types into a control-bar field and leaves it.
    void Type(int id, const std::string& text, int kind)
    {
        host.SetText(id, text);
        view->OnBarParam(kind);
    }
};

}  // namespace

TEST_F(ScanCycle, AScanReplacesTheSpectrumReturnsItsBufferAndAsksForTheNext)
{
    CreateView();
    Scan(0, 1234.5f);
    EXPECT_TRUE(ShowsEverywhere(1234.5));
    EXPECT_EQ(ShownY(2047), 1234.5);
    EXPECT_EQ(driver().Names(), (Names{"QDV_BufferEmpty", "QDV_SingleScan"}));
    EXPECT_EQ(driver().calls[0].argument, 0);
}

TEST_F(ScanCycle, DarkSubtractionAndAccumulation)
{
    CreateView();
    // A dark of 20 stored from the spectrum on display.
    Scan(0, 20.0f);
    view->instrument().StoreDark();

    view->instrument().ToggleSubtractDark();
    Scan(0, 100.0f);
    EXPECT_TRUE(ShowsEverywhere(80.0));

    // Additive: each scan adds raw - dark, whatever Subtract Dark says; the
    // sum starts from zero.
    view->instrument().ToggleSubtractDark();
    Tell(view->instrument().ToggleAdditiveMode());
    EXPECT_TRUE(ShowsEverywhere(80.0)) << "nothing is drawn until a scan arrives";
    for (int n = 0; n < 3; ++n)
        Scan(0, 100.0f);
    EXPECT_TRUE(ShowsEverywhere(240.0));
    EXPECT_EQ(host.status, "Scan Number 3 ");
}

TEST_F(ScanCycle, TheSelectedChannelIsReadAndTheScansBufferReturned)
{
    CreateView();
    view->instrument().SelectChannel(2);
    driver().ClearCalls();
    driver().Fill(0, 1.0f);
    driver().Fill(2, 42.0f);
    driver().Post(WM_SCAN_COMPLETE, 2);
    Deliver();
    EXPECT_TRUE(ShowsEverywhere(42.0));
    ASSERT_EQ(driver().Count("QDV_BufferEmpty"), 1u);
    EXPECT_EQ(driver().CallsNamed("QDV_BufferEmpty")[0].argument, 2);
}

TEST_F(ScanCycle, StoppedAcquisitionDropsScansButDriverNotificationsAreAlwaysAnswered)
{
    CreateView();
    Scan(0, 10.0f);
    // Additive clicked: acquisition stops.
    view->OnBarParam(BAR_ADDITIVE);
    driver().ClearCalls();
    Scan(0, 99.0f);
    EXPECT_TRUE(ShowsEverywhere(10.0));
    EXPECT_TRUE(driver().calls.empty());

    driver().Post(WM_DRIVER_NOTIFY, 0);
    driver().Post(WM_DRIVER_NOTIFY_LAST, 3);
    Deliver();
    EXPECT_EQ(driver().Names(), (Names{"QDV_BufferEmpty", "QDV_SingleScan", "QDV_BufferEmpty", "QDV_SingleScan"}));
    EXPECT_EQ(driver().calls[2].argument, 3);
}

TEST_F(ScanCycle, ASwitchingScanOnlyRestoresTheRunsValues)
{
    // A series that switches the laser on after one second, started while
    // the spectrometer is idle (Additive clicked, the scan in flight in).
    std::filesystem::create_directories(sys::SettingsFolder());
    ASSERT_TRUE(WriteWholeFile(sys::SettingsFolder() + "/vexlar.ini",
                               "[Acquisition]\nIntegrationTime=750\nAverage=8\n"
                               "[TimeAcquisition]\nToggleLaser=1\nLaserWarmupTime=1\nDelayBetweenAcquisitions=2\n"
                               "DelayBeforeFirstAcquisition=0\n"));
    vexlar::sys::VirtualClock clock;
    CreateView();
    view->OnBarParam(BAR_ADDITIVE);
    driver().Answer(0, 0.0f);
    Deliver();
    Tell(view->instrument().StartSeries());
    driver().ClearCalls();
    clock.Advance(1000);
    EXPECT_EQ(driver().Names(), (Names{"QDV_V7400StrobeEnable", "QDV_SingleScan"}));
    EXPECT_EQ(app.driverParams.IntegrationTime, 50);
    EXPECT_EQ(app.driverParams.Average, 1);

    driver().ClearCalls();
    Scan(0, 500.0f);
    EXPECT_EQ(driver().Names(), (Names{"QDV_BufferEmpty"}));
    EXPECT_EQ(app.driverParams.IntegrationTime, 750);
    EXPECT_EQ(app.driverParams.Average, 8);
    EXPECT_TRUE(ShowsEverywhere(0.0)) << "nothing is displayed";
    // Restored once: the next scan is the series' own (scan 0).
    driver().ClearCalls();
    Scan(0, 600.0f);
    EXPECT_EQ(driver().Names(), (Names{"QDV_BufferEmpty", "QDV_V7400StrobeEnable", "QDV_SingleScan"}));
    EXPECT_EQ(ShownY(0), 600.0);
}

// Leaving additive mode marks the scan in flight for discarding and stops
// acquisition. The scan in flight must consume the mark, so that resuming
// (Additive Mode again, or Continuous) shows the very next scan and the chain
// goes on.
TEST_F(ScanCycle, ResumingAfterLeavingAdditiveModeShowsTheNextScanAtOnce)
{
    for (const bool viaContinuous : {false, true}) {
        SCOPED_TRACE(viaContinuous ? "resumed with Continuous" : "resumed with Additive Mode");
        CreateView();
        // A dark of 0, and one scan of 0 added.
        Scan(0, 0.0f);
        view->instrument().StoreDark();
        Tell(view->instrument().ToggleAdditiveMode());
        Scan(0, 0.0f);
        // Additive Mode left with the next scan in flight; it arrives.
        Tell(view->instrument().ToggleAdditiveMode());
        driver().ClearCalls();
        Scan(0, 5.0f);
        EXPECT_TRUE(driver().calls.empty());
        EXPECT_TRUE(ShowsEverywhere(0.0)) << "the scan in flight is dropped";

        // Resume with the command or the Continuous button.
        if (viaContinuous)
            view->OnBarParam(BAR_CONTINUOUS);
        else
            Tell(view->instrument().ToggleAdditiveMode());
        EXPECT_EQ(driver().Names(), Names{"QDV_SingleScan"}) << "nothing is in flight: a scan is asked for";
        driver().ClearCalls();
        Scan(0, 7.0f);
        EXPECT_EQ(ShownY(100), viaContinuous ? 7.0 : 7.0 + 0.0) << "the very next scan is shown";
        EXPECT_EQ(driver().Names(), (Names{"QDV_BufferEmpty", "QDV_SingleScan"})) << "the chain goes on";
        view.reset();
        driver().Reset();
    }
}

TEST_F(ScanCycle, ResetRestartsAcquisitionWithOneAverageAnd100Milliseconds)
{
    for (const bool stopped : {false, true}) {
        SCOPED_TRACE(stopped ? "acquisition stopped by Additive" : "four scans added");
        CreateView();
        Type(IDC_BOXCAR, "3", BAR_BOXCAR_EDITED);
        Type(IDC_AVERAGE, "16", BAR_AVERAGE_EDITED);
        Type(IDC_INTEGRATION_TIME, "2000", BAR_INTEGRATION_TIME_EDITED);
        // A sum of 9 over four scans, dark 0.
        Scan(0, 0.0f);
        view->instrument().StoreDark();
        Tell(view->instrument().ToggleAdditiveMode());
        for (const float value : {2.0f, 2.0f, 2.0f, 3.0f})
            Scan(0, value);
        ASSERT_EQ(host.status, "Scan Number 4 ");
        if (stopped)
            view->OnBarParam(BAR_ADDITIVE);
        driver().ClearCalls();
        view->instrument().Reset();

        EXPECT_EQ(driver().Names(), (Names{"QDV_Stop", "QDV_ParamSet", "QDV_BufferEmpty", "QDV_SingleScan"}));
        const DriverParams& sent = driver().calls[1].block;
        EXPECT_EQ(sent.Average, 1);
        EXPECT_EQ(sent.IntegrationTime, 100);
        EXPECT_EQ(sent.Boxcar, 3);
        EXPECT_EQ(sent.changed, 0);
        EXPECT_FALSE(view->instrument().flags().additive);
        EXPECT_TRUE(ShowsEverywhere(9.0)) << "the spectrum stays until the next scan";
        EXPECT_TRUE(host.IsChecked(IDC_CONTINUOUS));
        EXPECT_EQ(host.Text(IDC_AVERAGE), "1");
        EXPECT_EQ(host.Text(IDC_BOXCAR), "3");
        EXPECT_EQ(host.Text(IDC_INTEGRATION_TIME), "100");

        // The bar says Continuous, and so it is: the next scan is shown.
        driver().ClearCalls();
        Scan(0, 33.0f);
        EXPECT_TRUE(ShowsEverywhere(33.0));
        EXPECT_EQ(driver().Names(), (Names{"QDV_BufferEmpty", "QDV_SingleScan"}));
        if (!stopped) {
            // The count of scans added stays: a new accumulation goes on
            // counting from it.
            Tell(view->instrument().ToggleAdditiveMode());
            Scan(0, 1.0f);
            EXPECT_EQ(host.status, "Scan Number 5 ");
        }
        view.reset();
        driver().Reset();
    }
}

TEST_F(ScanCycle, TheChartDrawsOncePerScanAndNeverHalfway)
{
    // Scans a display frame or more apart (here 100 ms, on the virtual
    // clock) are each drawn as they arrive.
    sys::VirtualClock clock;
    CreateView();
    // The first scan after the window appeared re-reads the annotation
    // rectangles from a freshly drawn chart; the ones after it draw once.
    Scan(0, 40.0f);
    clock.Advance(100);
    const std::uint64_t before = Redraws(chart());
    Scan(0, 50.0f);
    EXPECT_EQ(Redraws(chart()) - before, 1u);
}

// The chain of scans against a driver that behaves as the real one does:
// it answers only the requests it was given, in order, and QDV_Stop cancels
// every one outstanding. Whatever the operator does, acquisition that the
// control bar calls running always has exactly one scan on its way.
class ScanChain : public ViewFixture {
protected:
    void SetUp() override
    {
        ViewFixture::SetUp();
        CreateView();
        driver().stopCancels = true;
        ASSERT_EQ(driver().owed, 1) << "the first scan is on its way";
    }

    // The driver finishes the scan it was asked for first; false when it
    // was asked for none.
    bool Arrives(float value)
    {
        const bool owed = driver().Answer(0, value);
        Deliver();
        return owed;
    }

    double Shown() const { return ShownY(1000); }

    void Accumulate()
    {
        ASSERT_TRUE(Arrives(20.0f));
        view->instrument().StoreDark();
        Tell(view->instrument().ToggleAdditiveMode());
        ASSERT_TRUE(view->instrument().flags().additive);
        ASSERT_TRUE(Arrives(25.0f));
        ASSERT_TRUE(Arrives(25.0f));
        ASSERT_EQ(Shown(), 10.0);
        ASSERT_EQ(driver().owed, 1);
    }
};

TEST_F(ScanChain, ContinuousAfterLeavingAdditiveModeShowsScansAgain)
{
    // Leaving additive mode with a scan in flight: that scan is dropped and
    // the sum stays; Continuous then shows the next scan and goes on.
    Accumulate();
    Tell(view->instrument().ToggleAdditiveMode());
    EXPECT_TRUE(Arrives(99.0f));
    EXPECT_EQ(Shown(), 10.0) << "the scan in flight is not added to the paused sum";
    EXPECT_EQ(driver().owed, 0) << "acquisition has stopped";
    view->OnBarParam(BAR_CONTINUOUS);
    EXPECT_TRUE(Arrives(40.0f));
    EXPECT_EQ(Shown(), 40.0);
    EXPECT_TRUE(Arrives(41.0f));
    EXPECT_EQ(Shown(), 41.0);
    EXPECT_EQ(driver().owed, 1) << "the chain goes on";

    // Additive clicked first ends the chain at the next scan; leaving
    // additive mode after that has no scan to drop, so Continuous's own
    // scan is shown.
    Tell(view->instrument().ToggleAdditiveMode());
    ASSERT_TRUE(view->instrument().flags().additive);
    view->OnBarParam(BAR_ADDITIVE);
    EXPECT_TRUE(Arrives(50.0f));
    EXPECT_EQ(driver().owed, 0);
    Tell(view->instrument().ToggleAdditiveMode());
    EXPECT_FALSE(view->instrument().flags().additive);
    view->OnBarParam(BAR_CONTINUOUS);
    EXPECT_TRUE(Arrives(60.0f));
    EXPECT_EQ(Shown(), 60.0);
    EXPECT_EQ(driver().owed, 1);
}

TEST_F(ScanChain, ResumingWhileTheDroppedScanIsStillOnItsWay)
{
    for (const bool viaReset : {false, true}) {
        SCOPED_TRACE(viaReset ? "Reset" : "Continuous");
        Accumulate();
        Tell(view->instrument().ToggleAdditiveMode());
        if (viaReset) {
            // Reset's Stop cancels the scan that was to be dropped; its own
            // scan is shown.
            view->instrument().Reset();
            EXPECT_EQ(driver().owed, 1);
            EXPECT_TRUE(Arrives(70.0f));
        } else {
            // The dropped scan arrives, then Continuous's own.
            view->OnBarParam(BAR_CONTINUOUS);
            EXPECT_EQ(driver().owed, 2);
            EXPECT_TRUE(Arrives(99.0f));
            EXPECT_EQ(Shown(), 10.0);
            EXPECT_TRUE(Arrives(70.0f));
        }
        EXPECT_EQ(Shown(), 70.0);
        EXPECT_TRUE(Arrives(71.0f));
        EXPECT_EQ(Shown(), 71.0);
        EXPECT_EQ(driver().owed, 1) << "one scan on its way, no more";
        // Additive clicked (the count starts again), then Continuous.
        view->OnBarParam(BAR_ADDITIVE);
        EXPECT_TRUE(Arrives(0.0f));
        view->OnBarParam(BAR_CONTINUOUS);
    }
}

TEST_F(ScanChain, ResetDropsScansTheStoppedDriverHadAlreadyPosted)
{
    ASSERT_TRUE(Arrives(5.0f));
    // The driver finished a scan and posted it just before Reset stopped it.
    driver().Answer(0, 66.0f);
    view->instrument().Reset();
    Deliver();
    EXPECT_EQ(Shown(), 5.0) << "the stopped chain's scan is not shown";
    EXPECT_EQ(driver().owed, 1);
    EXPECT_TRUE(Arrives(77.0f));
    EXPECT_EQ(Shown(), 77.0);
    EXPECT_EQ(driver().owed, 1);
}

TEST_F(ScanChain, ContinuousWhileScanningAsksForNoSecondScan)
{
    ASSERT_TRUE(Arrives(5.0f));
    driver().ClearCalls();
    view->OnBarParam(BAR_CONTINUOUS);
    view->OnBarParam(BAR_CONTINUOUS);
    EXPECT_EQ(driver().Count("QDV_SingleScan"), 0u);
    EXPECT_EQ(driver().owed, 1);
    // Entering additive mode while scanning asks for no second one either.
    view->instrument().StoreDark();
    Tell(view->instrument().ToggleAdditiveMode());
    EXPECT_EQ(driver().owed, 1);
}

// A spectrometer that fails scan after scan: acquisition keeps asking, and
// after a few failures in a row the status bar says so, until a scan
// arrives again.
TEST_F(ScanChain, ASpectrometerThatStopsDeliveringIsShownOnTheStatusBar)
{
    ASSERT_TRUE(Arrives(5.0f));
    host.status = "Ready";
    for (int failure = 1; failure <= 4; ++failure) {
        ASSERT_TRUE(driver().AnswerWithFailure(0));
        Deliver();
        EXPECT_EQ(host.status, "Ready") << "an occasional failure says nothing";
    }
    ASSERT_TRUE(driver().AnswerWithFailure(0));
    Deliver();
    EXPECT_EQ(host.status,
              "The spectrometer is not delivering scans: the last 5 requests failed. Vexlar keeps asking.");
    ASSERT_TRUE(driver().AnswerWithFailure(0));
    Deliver();
    EXPECT_NE(host.status.find("the last 6 requests failed"), std::string::npos) << host.status;
    EXPECT_EQ(driver().owed, 1) << "every failure is asked for again";
    EXPECT_TRUE(Arrives(8.0f));
    EXPECT_EQ(host.status, "Ready");
    EXPECT_EQ(Shown(), 8.0);
}
