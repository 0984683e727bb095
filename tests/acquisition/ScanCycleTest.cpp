#include <algorithm>

#include "VirtualClock.h"
#include "Xrt.h"
#include "acquisition/ControlCommands.h"
#include "support/ViewFixture.h"

using namespace vexlar;
using namespace vexlar::test;

namespace {

using Names = std::vector<std::string>;

bool AllEqual(const double* values, double expected)
{
    return std::all_of(values, values + kPixels, [&](double v) { return v == expected; });
}

double ShownY(XrtHandle data, int point)
{
    double y = -1;
    XrtDataGetYElementIndirect(data, 0, point, &y);
    return y;
}

}  // namespace

TEST_F(ViewFixture, AScanReplacesTheSpectrumReturnsItsBufferAndAsksForTheNext)
{
    CreateView();
    Scan(0, 1234.5f);
    EXPECT_TRUE(AllEqual(view->spectrum, 1234.5));
    EXPECT_EQ(ShownY(view->liveData, 2047), 1234.5);
    EXPECT_EQ(driver().Names(), (Names{"QDV_BufferEmpty", "QDV_SingleScan"}));
    EXPECT_EQ(driver().calls[0].argument, 0);
}

TEST_F(ViewFixture, DarkSubtractionAndAccumulation)
{
    CreateView();
    std::fill_n(view->dark, kPixels, 20.0);

    view->subtractDark = 1;
    Scan(0, 100.0f);
    EXPECT_TRUE(AllEqual(view->spectrum, 80.0));

    // Additive: each scan adds raw - dark, whatever subtractDark says.
    view->subtractDark = 0;
    view->additive = 1;
    view->additions = 0;
    std::fill_n(view->spectrum, kPixels, 0.0);
    for (int n = 0; n < 3; ++n)
        Scan(0, 100.0f);
    EXPECT_TRUE(AllEqual(view->spectrum, 240.0));
    EXPECT_EQ(view->additions, 3);
    EXPECT_EQ(host.status, "Scan Number 3 ");
}

TEST_F(ViewFixture, TheSelectedChannelIsReadAndTheScansBufferReturned)
{
    CreateView();
    view->SelectChannel(2);
    driver().ClearCalls();
    driver().Fill(0, 1.0f);
    driver().Fill(2, 42.0f);
    driver().Post(WM_SCAN_COMPLETE, 2);
    Deliver();
    EXPECT_TRUE(AllEqual(view->spectrum, 42.0));
    ASSERT_EQ(driver().Count("QDV_BufferEmpty"), 1u);
    EXPECT_EQ(driver().CallsNamed("QDV_BufferEmpty")[0].argument, 2);
}

TEST_F(ViewFixture, StoppedAcquisitionDropsScansButDriverNotificationsAreAlwaysAnswered)
{
    CreateView();
    Scan(0, 10.0f);
    view->scanning = 0;
    driver().ClearCalls();
    Scan(0, 99.0f);
    EXPECT_TRUE(AllEqual(view->spectrum, 10.0));
    EXPECT_TRUE(driver().calls.empty());

    driver().Post(WM_DRIVER_NOTIFY, 0);
    driver().Post(WM_DRIVER_NOTIFY_LAST, 3);
    Deliver();
    EXPECT_EQ(driver().Names(), (Names{"QDV_BufferEmpty", "QDV_SingleScan", "QDV_BufferEmpty", "QDV_SingleScan"}));
    EXPECT_EQ(driver().calls[2].argument, 3);
}

TEST_F(ViewFixture, ASwitchingScanOnlyRestoresTheRunsValues)
{
    CreateView();
    view->restorePending = 1;
    view->savedIntegrationTime = 750;
    view->savedAverage = 8;
    app.driverParams.IntegrationTime = 50;
    app.driverParams.Average = 1;
    Scan(0, 500.0f);
    EXPECT_EQ(driver().Names(), (Names{"QDV_BufferEmpty"}));
    EXPECT_EQ(app.driverParams.IntegrationTime, 750);
    EXPECT_EQ(app.driverParams.Average, 8);
    EXPECT_EQ(view->restorePending, 0);
    EXPECT_TRUE(AllEqual(view->spectrum, 0.0)) << "nothing is displayed";
}

// Leaving additive mode marks the scan in flight for discarding and stops
// acquisition. The scan in flight must consume the mark, so that resuming
// (Additive Mode again, or Continuous) shows the very next scan and the chain
// goes on.
TEST_F(ViewFixture, ResumingAfterLeavingAdditiveModeShowsTheNextScanAtOnce)
{
    for (const bool viaContinuous : {false, true}) {
        SCOPED_TRACE(viaContinuous ? "resumed with Continuous" : "resumed with Additive Mode");
        CreateView();
        std::fill_n(view->dark, kPixels, 0.0);
        view->additive = 1;
        view->additions = 1;
        // Leave additive mode as the command does; the scan in flight arrives.
        view->discardNext = 1;
        view->scanning = 0;
        view->additive = 0;
        Scan(0, 5.0f);
        EXPECT_EQ(view->discardNext, 0);
        EXPECT_TRUE(driver().calls.empty());

        // Resume, as the command or the Continuous button does.
        if (!viaContinuous)
            view->additive = 1;
        view->scanning = 1;
        QDV_SingleScan(view->hinst);
        driver().ClearCalls();
        Scan(0, 7.0f);
        EXPECT_EQ(view->spectrum[100], viaContinuous ? 7.0 : 7.0 + 0.0);
        EXPECT_EQ(driver().Names(), (Names{"QDV_BufferEmpty", "QDV_SingleScan"})) << "the chain goes on";
        view.reset();
        driver().Reset();
    }
}

TEST_F(ViewFixture, ResetRestartsAcquisitionWithOneAverageAnd100Milliseconds)
{
    CreateView();
    app.driverParams.Boxcar = 3;
    app.driverParams.Average = 16;
    app.driverParams.IntegrationTime = 2000;
    app.driverParams.changed = 0;
    view->additive = 1;
    view->additions = 4;
    view->scanning = 0;
    std::fill_n(view->spectrum, kPixels, 9.0);
    view->OnReset();

    EXPECT_EQ(driver().Names(), (Names{"QDV_Stop", "QDV_ParamSet", "QDV_BufferEmpty", "QDV_SingleScan"}));
    const DriverParams& sent = driver().calls[1].block;
    EXPECT_EQ(sent.Average, 1);
    EXPECT_EQ(sent.IntegrationTime, 100);
    EXPECT_EQ(sent.Boxcar, 3);
    EXPECT_EQ(sent.changed, 0);
    EXPECT_EQ(view->additive, 0);
    EXPECT_EQ(view->additions, 4);
    EXPECT_EQ(view->spectrum[0], 9.0);
    EXPECT_TRUE(host.IsChecked(IDC_CONTINUOUS));
    EXPECT_EQ(host.Text(IDC_AVERAGE), "1");
    EXPECT_EQ(host.Text(IDC_BOXCAR), "3");
    EXPECT_EQ(host.Text(IDC_INTEGRATION_TIME), "100");

    // The bar says Continuous, and so it is: the next scan is shown.
    driver().ClearCalls();
    Scan(0, 33.0f);
    EXPECT_TRUE(AllEqual(view->spectrum, 33.0));
    EXPECT_EQ(driver().Names(), (Names{"QDV_BufferEmpty", "QDV_SingleScan"}));
}

TEST_F(ViewFixture, TheChartDrawsOncePerScanAndNeverHalfway)
{
    // Scans a display frame or more apart (here 100 ms, on the virtual
    // clock) are each drawn as they arrive.
    sys::VirtualClock clock;
    CreateView();
    // The first scan after the window appeared re-reads the annotation
    // rectangles from a freshly drawn chart; the ones after it draw once.
    Scan(0, 40.0f);
    clock.Advance(100);
    std::uint64_t before = 0, after = 0;
    XrtGetRedrawCount(view->chart(), &before);
    Scan(0, 50.0f);
    XrtGetRedrawCount(view->chart(), &after);
    EXPECT_EQ(after - before, 1u);
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

    double Shown() const { return ShownY(view->liveData, 1000); }

    void Accumulate()
    {
        ASSERT_TRUE(Arrives(20.0f));
        view->OnStoreDark();
        view->OnAdditiveMode();
        ASSERT_EQ(view->additive, 1);
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
    view->OnAdditiveMode();
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
    view->OnAdditiveMode();
    ASSERT_EQ(view->additive, 1);
    view->OnBarParam(BAR_ADDITIVE);
    EXPECT_TRUE(Arrives(50.0f));
    EXPECT_EQ(driver().owed, 0);
    view->OnAdditiveMode();
    EXPECT_EQ(view->additive, 0);
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
        view->OnAdditiveMode();
        if (viaReset) {
            // Reset's Stop cancels the scan that was to be dropped; its own
            // scan is shown.
            view->OnReset();
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
    view->OnReset();
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
    view->OnStoreDark();
    view->OnAdditiveMode();
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
