// The timed series driven by virtual time, with scan messages posted as the
// driver would post them.

#include <QLineEdit>

#include <algorithm>

#include "commands/CommandIds.h"
#include "support/FrameFixture.h"
#include "timed/TimeAcquisitionDlg.h"
#include "timed/TimedFixture.h"

using namespace vexlar;
using namespace vexlar::test;

using TimedRun = TimedFixture;

TEST_F(TimedRun, ThreeScansOneSecondApartThenReady)
{
    Begin();
    driver().ClearCalls();
    Tell(view->instrument().StartSeries());
    EXPECT_EQ(host.status, "Waiting for first scan");
    EXPECT_TRUE(driver().calls.empty()) << "Start requests no scan and leaves the laser alone";
    EXPECT_TRUE(TimerSet(kNextSeriesScanTimerId));
    for (int k = 0; k <= 3; ++k) {
        EXPECT_EQ(Fire(999), Names{});
        EXPECT_EQ(Fire(1), Names{"SingleScan"});
        EXPECT_FALSE(TimerSet(kNextSeriesScanTimerId)) << "one-shot: killed by its handler";
        clock->Advance(20);  // the scan takes 20 ms
        EXPECT_EQ(Complete(100.0f + k), Names{"BufferEmpty(0)"}) << "the run, not the cycle, asks for scans";
        EXPECT_EQ(host.status, "Waiting for scan " + std::to_string(k + 1) + " of 3");
    }
    EXPECT_EQ(Fire(1000), (Names{"Strobe(0)", "SingleScan"}));
    EXPECT_EQ(host.status, "Ready");
    EXPECT_EQ(clock->TimerCount(), 0u);
    for (int k = 1; k <= 3; ++k)
        EXPECT_EQ(FirstY("Temp.0000" + std::to_string(k) + ".ram"), 100.0 + k) << "file k holds scan k";
    EXPECT_FALSE(Exists("Temp.00000.ram"));
    EXPECT_FALSE(Exists("Temp.00004.ram"));
    EXPECT_EQ(ReadWholeFile("Temp.TimeStamps"),
              std::string(kHeader) + "Temp.00001.ram\t0.00\r\nTemp.00002.ram\t1.02\r\nTemp.00003.ram\t2.04\r\n");
    // The series has ended: the scan Stop requested goes back to the
    // ordinary cycle.
    EXPECT_EQ(Complete(5.0f), (Names{"BufferEmpty(0)", "SingleScan"}));
    EXPECT_EQ(Fire(10000), Names{}) << "no timer of the series fires any more";
}

TEST_F(TimedRun, NoAcquisitionsAndAnOperatorsStop)
{
    timed::SeriesSettings none = PlainSeries();
    none.NumberOfAcquisitions = 0;
    Begin(none);
    Tell(view->instrument().StartSeries());
    EXPECT_EQ(Fire(1000), Names{"SingleScan"});
    Complete(1.0f);
    EXPECT_EQ(Fire(1000), (Names{"Strobe(0)", "SingleScan"}));
    EXPECT_EQ(host.status, "Ready");
    EXPECT_EQ(ReadWholeFile("Temp.TimeStamps"), kHeader);
    EXPECT_FALSE(Exists("Temp.00001.ram"));
    EXPECT_EQ(Complete(1.0f), (Names{"BufferEmpty(0)", "SingleScan"})) << "the ordinary cycle goes on";
    // The operator clicks Additive: the chain's next scan arrives and
    // nothing more is asked for, so the spectrometer is idle again.
    view->OnBarParam(BAR_ADDITIVE);
    EXPECT_EQ(Complete(2.0f), Names{});

    // Stopped by the operator after two saved scans.
    timed::SeriesSettings five = PlainSeries();
    five.NumberOfAcquisitions = 5;
    Configure(five);
    Tell(view->instrument().StartSeries());
    RunScans(3, 10.0f, 1000);
    EXPECT_EQ(host.status, "Waiting for scan 3 of 5");
    driver().ClearCalls();
    view->instrument().StopSeries();
    EXPECT_EQ(Calls(), (Names{"Strobe(0)", "SingleScan"}));
    EXPECT_EQ(host.status, "Waiting for scan 3 of 5") << "an operator's Stop leaves the text";
    EXPECT_EQ(clock->TimerCount(), 0u);
    EXPECT_EQ(ReadWholeFile("Temp.TimeStamps"),
              std::string(kHeader) + "Temp.00001.ram\t0.00\r\nTemp.00002.ram\t1.00\r\n");
    EXPECT_EQ(Fire(10000), Names{}) << "no timer outlives Stop";
}

TEST_F(TimedRun, LaserTogglingWithADarkBeforeEachScan)
{
    timed::SeriesSettings s = PlainSeries();
    s.ToggleLaser = 1;
    s.StoreDark = 1;
    s.DelayBetweenAcquisitions = 10;
    s.LaserWarmupTime = 3;
    s.NumberOfAcquisitions = 1;
    Begin(s);
    // The operator subtracts the dark spectrum: each series scan is saved
    // less the dark stored just before it.
    view->instrument().ToggleSubtractDark();
    app.driverParams.IntegrationTime = 200;
    app.driverParams.Average = 3;
    // Every scan request with the acquisition values it was made with.
    Names requests;
    driver().onCall = [&](const DriverCall& c) {
        if (c.name == "QDV_SingleScan")
            requests.push_back(std::to_string(app.driverParams.IntegrationTime) + "/" +
                               std::to_string(app.driverParams.Average));
    };
    const Names kDark = {"SingleScan"};
    const Names kLaserOn = {"BufferEmpty(0)", "Strobe(1)", "SingleScan"};
    const Names kLaserOff = {"BufferEmpty(0)", "Strobe(0)", "SingleScan"};
    const Names kRestore = {"BufferEmpty(0)"};

    Tell(view->instrument().StartSeries());
    EXPECT_TRUE(TimerSet(kLaserOffTimerId));
    EXPECT_EQ(Fire(6999), Names{});
    EXPECT_EQ(Fire(1), kDark);
    EXPECT_EQ(host.status, "Acquiring dark spectrum for scan 0 of 1");
    EXPECT_EQ(Complete(20.0f), kLaserOn);
    EXPECT_EQ(host.status, "Laser warming up for scan 0 of 1");
    EXPECT_TRUE(host.IsChecked(IDC_LASER));
    EXPECT_EQ(Complete(999.0f), kRestore);
    EXPECT_EQ(app.driverParams.IntegrationTime, 200);
    EXPECT_EQ(app.driverParams.Average, 3);
    EXPECT_EQ(ShownY(), 20.0) << "the switching scan is not processed";
    EXPECT_EQ(Fire(2999), Names{});
    EXPECT_EQ(Fire(1), Names{"SingleScan"});
    EXPECT_EQ(Complete(500.0f), kLaserOff);
    EXPECT_EQ(ShownY(), 480.0) << "the dark scan became the dark spectrum";
    EXPECT_EQ(host.status, "Waiting for scan 1 of 1");
    EXPECT_FALSE(host.IsChecked(IDC_LASER));
    EXPECT_EQ(Complete(999.0f), kRestore);

    EXPECT_EQ(Fire(7000), kDark);
    EXPECT_EQ(host.status, "Acquiring dark spectrum for scan 1 of 1");
    EXPECT_EQ(Complete(30.0f), kLaserOn);
    EXPECT_EQ(Complete(999.0f), kRestore);
    EXPECT_EQ(Fire(3000), Names{"SingleScan"});
    EXPECT_EQ(Complete(600.0f), kLaserOff);
    EXPECT_EQ(FirstY("Temp.00001.ram"), 570.0) << "less its own dark";
    EXPECT_EQ(Complete(999.0f), kRestore);

    // The interval that ends the series: the last spectrum is in, so no
    // dark and no warm-up follow; the laser is never switched on again.
    EXPECT_EQ(Fire(7000), (Names{"Strobe(0)", "SingleScan"}));
    EXPECT_EQ(host.status, "Ready");
    EXPECT_FALSE(host.IsChecked(IDC_LASER));
    EXPECT_EQ(requests, (Names{"200/3", "50/1", "200/3", "50/1", "200/3", "50/1", "200/3", "50/1", "200/3"}));
    EXPECT_EQ(app.driverParams.IntegrationTime, 200);
    EXPECT_EQ(app.driverParams.Average, 3);
    EXPECT_FALSE(Exists("Temp.00002.ram"));
    // A dark is stored: Additive Mode may be entered.
    Tell(view->instrument().ToggleAdditiveMode());
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(TimedRun, WarmupEqualToTheDelayAndWarmupWithoutDark)
{
    timed::SeriesSettings s = PlainSeries();
    s.ToggleLaser = 1;
    s.DelayBetweenAcquisitions = 2;
    s.LaserWarmupTime = 2;
    Begin(s);
    app.driverParams.IntegrationTime = 100;
    Tell(view->instrument().StartSeries());
    // A laser-off interval of 0 fires as soon as the timers allow.
    EXPECT_EQ(Fire(vexlar::sys::kMinimumTimerPeriodMs), (Names{"Strobe(1)", "SingleScan"}));
    EXPECT_EQ(host.status, "Laser warming up for scan 0 of 3");
    EXPECT_EQ(app.driverParams.IntegrationTime, 50);
    EXPECT_EQ(Complete(1.0f), Names{"BufferEmpty(0)"}) << "the switching scan: restored, nothing more";
    EXPECT_EQ(app.driverParams.IntegrationTime, 100);
    EXPECT_EQ(Fire(2000), Names{"SingleScan"});
    EXPECT_EQ(Complete(2.0f), (Names{"BufferEmpty(0)", "Strobe(0)", "SingleScan"}));
    EXPECT_TRUE(TimerSet(kLaserOffTimerId));

    // The warm-up begins before the laser-off switching scan has come back:
    // that scan serves for both switches and the saved values stay right.
    EXPECT_EQ(Fire(vexlar::sys::kMinimumTimerPeriodMs), Names{"Strobe(1)"});
    EXPECT_EQ(Complete(3.0f), Names{"BufferEmpty(0)"});
    EXPECT_EQ(app.driverParams.IntegrationTime, 100);
    // Restored once: the next scan is the series scan.
    EXPECT_EQ(Fire(2000), Names{"SingleScan"});
    EXPECT_EQ(Complete(4.0f), (Names{"BufferEmpty(0)", "Strobe(0)", "SingleScan"}));
    EXPECT_EQ(FirstY("Temp.00001.ram"), 4.0);
}

TEST_F(TimedRun, StopDuringTheFirstDelayThenStartWithoutOne)
{
    timed::SeriesSettings s = PlainSeries();
    s.DelayBeforeFirstAcquisition = 60;
    Begin(s);
    Tell(view->instrument().StartSeries());
    EXPECT_TRUE(TimerSet(kFirstDelayTimerId));
    clock->Advance(30000);
    view->instrument().StopSeries();
    EXPECT_EQ(ReadWholeFile("Temp.TimeStamps"), kHeader) << "no scan saved: the header alone";
    EXPECT_EQ(clock->TimerCount(), 0u);
    Complete(0.0f);

    s.DelayBeforeFirstAcquisition = 0;
    s.NumberOfAcquisitions = 2;
    Configure(s);
    Tell(view->instrument().StartSeries());
    // No first delay is pending from the series stopped: each scan arms
    // the next.
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(Fire(1000), Names{"SingleScan"});
        Complete(static_cast<float>(k));
        EXPECT_TRUE(TimerSet(kNextSeriesScanTimerId)) << "re-armed after scan " << k;
    }
    Fire(1000);
    EXPECT_EQ(host.status, "Ready");
    EXPECT_EQ(ReadWholeFile("Temp.TimeStamps"),
              std::string(kHeader) + "Temp.00001.ram\t0.00\r\nTemp.00002.ram\t1.00\r\n");
}

TEST_F(TimedRun, FirstDelayFormatWithoutFilesAndBaseWithExtension)
{
    timed::SeriesSettings s = PlainSeries();
    s.DelayBeforeFirstAcquisition = 5;
    s.FileFormat = 2;  // only an edited settings file gives this
    s.NumberOfAcquisitions = 2;
    s.BaseFilename = "run.txt";
    Begin(s);
    Tell(view->instrument().StartSeries());
    // A scan already under way at Start completes during the first delay:
    // it is scan 0, and the first delay still decides when scan 1 comes.
    clock->Advance(100);
    Complete(0.0f);
    EXPECT_EQ(host.status, "Waiting for scan 1 of 2");
    EXPECT_FALSE(TimerSet(kNextSeriesScanTimerId));
    EXPECT_EQ(Fire(4900), Names{});
    EXPECT_TRUE(TimerSet(kNextSeriesScanTimerId));
    RunScans(2, 1.0f, 1000, 7);
    Fire(1000);
    EXPECT_EQ(host.status, "Ready");
    EXPECT_EQ(ReadWholeFile("run.txt.TimeStamps"),
              std::string(kHeader) + "run.txt.00001\t0.00\r\nrun.txt.00002\t1.01\r\n");
    EXPECT_FALSE(Exists("run.txt.00001"));

    // The same base in format 0.
    s.FileFormat = 0;
    s.NumberOfAcquisitions = 1;
    s.DelayBeforeFirstAcquisition = 0;
    Configure(s);
    Tell(view->instrument().StartSeries());
    RunScans(2, 1.0f, 1000);
    EXPECT_TRUE(Exists("run.txt.00001.ram"));
}

TEST_F(TimedRun, RamanShiftExportFilesHoldThePositiveShiftsOnly)
{
    timed::SeriesSettings s = PlainSeries();
    s.FileFormat = 1;
    s.NumberOfAcquisitions = 1;
    Begin(s);
    view->instrument().SetXAxisMode(1);
    Tell(view->instrument().StartSeries());
    RunScans(2, 87.6f, 1000);
    const std::string text = ReadWholeFile("Temp.00001.exp");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1511);
    EXPECT_EQ(text.substr(0, 12), "2.96\t88.60\r\n");
}

TEST_F(TimedRun, TheTickCountWrapsDuringTheSeries)
{
    Begin(PlainSeries(), 0xFFFFFFFFull - 2500);  // wraps between scans 1 and 2
    Tell(view->instrument().StartSeries());
    RunScans(4, 1.0f, 1000);
    Fire(1000);
    EXPECT_EQ(ReadWholeFile("Temp.TimeStamps"),
              std::string(kHeader) + "Temp.00001.ram\t0.00\r\nTemp.00002.ram\t1.00\r\nTemp.00003.ram\t2.00\r\n");
}

TEST_F(TimedRun, SettingsChangedDuringTheSeriesTakeEffectAtTheNextStep)
{
    timed::SeriesSettings s = PlainSeries();
    s.NumberOfAcquisitions = 2;
    Begin(s);
    Tell(view->instrument().StartSeries());
    RunScans(1, 1.0f, 1000);
    // Configured during the series: the timer already armed keeps its period.
    {
        ScopedDialogOperator<CTimeAcquisitionDlg> op([](CTimeAcquisitionDlg& d) {
            d.edit(CTimeAcquisitionDlg::kDelayBetweenId)->setText("5");
            d.accept();
        });
        view->setup().OnTimeAcqConfigure();
    }
    EXPECT_EQ(ShownInDialog().delay, "5");
    RunScans(1, 2.0f, 1000);
    EXPECT_EQ(Fire(4999), Names{});
    EXPECT_EQ(Fire(1), Names{"SingleScan"});
    s.NumberOfAcquisitions = 1;  // the completion test reads N afresh
    s.DelayBetweenAcquisitions = 5;
    Configure(s);
    Complete(3.0f);
    EXPECT_EQ(host.status, "Waiting for scan 3 of 1");
    Fire(5000);
    EXPECT_EQ(host.status, "Ready");
}

using TimeAcquisitionMenu = FrameFixture;

TEST_F(TimeAcquisitionMenu, FollowsTheRunState)
{
    vexlar::sys::VirtualClock clock;
    Start();
    QAction* configure = frame->action(ID_TIME_ACQ_CONFIGURE);
    QAction* start = frame->action(ID_TIME_ACQ_START);
    QAction* stop = frame->action(ID_TIME_ACQ_STOP);
    ASSERT_TRUE(configure && start && stop);
    EXPECT_EQ(start->text(), "&Start");
    EXPECT_EQ(stop->text(), "Sto&p");
    frame->UpdateCommandUI();
    EXPECT_TRUE(configure->isEnabled());
    EXPECT_TRUE(start->isEnabled());
    EXPECT_FALSE(stop->isEnabled());

    frame->RunCommand(ID_TIME_ACQ_START);
    EXPECT_EQ(frame->statusText(), "Waiting for first scan");
    EXPECT_TRUE(configure->isEnabled()) << "Configure stays available during a series";
    EXPECT_FALSE(start->isEnabled());
    EXPECT_TRUE(stop->isEnabled());

    frame->RunCommand(ID_TIME_ACQ_STOP);
    EXPECT_TRUE(start->isEnabled());
    EXPECT_FALSE(stop->isEnabled());
}

// The operator clicks Continuous and then Stop while a series scan is on its
// way, and starts a new series at once. No second scan is asked for, so the
// scan in flight is the new series' first (thrown away), the new series'
// switching scan is the one whose values are restored, and file 00001 holds
// the first real series scan, not a scan taken while the laser switched.
TEST_F(TimedRun, ContinuousAndStopWhileASeriesScanIsOnItsWay)
{
    timed::SeriesSettings s = PlainSeries();
    s.ToggleLaser = 1;
    s.LaserWarmupTime = 1;
    s.DelayBetweenAcquisitions = 2;
    Begin(s);
    constexpr float kSwitching = 50.0f;
    Tell(view->instrument().StartSeries());
    EXPECT_EQ(Fire(1000), (Names{"Strobe(1)", "SingleScan"})) << "warm-up with a switching scan";
    EXPECT_EQ(Arrive(kSwitching), Names{"BufferEmpty(0)"});
    EXPECT_EQ(Fire(1000), Names{"SingleScan"});

    driver().ClearCalls();
    view->OnBarParam(BAR_CONTINUOUS);
    view->instrument().StopSeries();
    EXPECT_EQ(Calls(), Names{"Strobe(0)"}) << "the scan on its way serves; no second request";
    Tell(view->instrument().StartSeries());

    EXPECT_EQ(Arrive(111.0f), (Names{"BufferEmpty(0)", "Strobe(0)", "SingleScan"})) << "scan 0, laser off";
    EXPECT_EQ(Arrive(kSwitching), Names{"BufferEmpty(0)"}) << "the switching scan is restored";
    EXPECT_EQ(app.driverParams.IntegrationTime, 100);
    EXPECT_EQ(Fire(1000), (Names{"Strobe(1)", "SingleScan"}));
    EXPECT_EQ(Arrive(kSwitching), Names{"BufferEmpty(0)"});
    EXPECT_EQ(Fire(1000), Names{"SingleScan"});
    EXPECT_EQ(Arrive(222.0f), (Names{"BufferEmpty(0)", "Strobe(0)", "SingleScan"}));
    EXPECT_EQ(FirstY("Temp.00001.ram"), 222.0);
    EXPECT_EQ(driver().owed, 1) << "only the switching scan is on its way";
}

// Reset while a switching scan is on its way: Stop cancels it, so its
// acquisition values come back at once, Reset's own 100 ms and one average
// take their place, and Reset's scan is shown and goes on with the chain.
TEST_F(TimedRun, ResetWhileASwitchingScanIsOnItsWay)
{
    timed::SeriesSettings s = PlainSeries();
    s.ToggleLaser = 1;
    s.LaserWarmupTime = 1;
    s.DelayBetweenAcquisitions = 2;
    Begin(s);
    driver().stopCancels = true;
    app.driverParams.IntegrationTime = 400;
    Tell(view->instrument().StartSeries());
    EXPECT_EQ(Fire(1000), (Names{"Strobe(1)", "SingleScan"}));
    EXPECT_EQ(app.driverParams.IntegrationTime, 50) << "the switching scan's";
    view->instrument().StopSeries();
    view->instrument().Reset();
    EXPECT_EQ(app.driverParams.IntegrationTime, 100);
    EXPECT_EQ(driver().owed, 1);
    EXPECT_EQ(Arrive(33.0f), (Names{"BufferEmpty(0)", "SingleScan"})) << "shown, and the chain goes on";
    EXPECT_EQ(ShownY(), 33.0);
    EXPECT_EQ(app.driverParams.IntegrationTime, 100) << "not put back by a cancelled switching scan";
}

// The operator's acquisition commands during a series. Additive drops the
// scan the series asked for, and Continuous asks for it again, so the series
// goes on (but asks for nothing while the series waits for its timer). Reset
// sets other acquisition values and its scan is a live one: it ends the
// series as Stop does and says so, and its scan is no series file.
TEST_F(TimedRun, ContinuousRevivesADroppedSeriesScanAndResetEndsTheSeries)
{
    Begin();
    driver().stopCancels = true;
    Tell(view->instrument().StartSeries());
    for (float value : {100.0f, 101.0f}) {
        EXPECT_EQ(Fire(1000), Names{"SingleScan"});
        Complete(value);
    }
    EXPECT_EQ(Fire(1000), Names{"SingleScan"}) << "scan 2 asked for";
    view->OnBarParam(BAR_ADDITIVE);
    EXPECT_EQ(Arrive(102.0f), Names{}) << "dropped: acquisition stopped";
    EXPECT_EQ(host.status, "Waiting for scan 2 of 3 - acquisition is stopped: Continuous lets the series go on");
    driver().ClearCalls();
    view->OnBarParam(BAR_CONTINUOUS);
    EXPECT_EQ(Calls(), Names{"SingleScan"});
    EXPECT_EQ(Arrive(103.0f), Names{"BufferEmpty(0)"});
    EXPECT_EQ(FirstY("Temp.00002.ram"), 103.0);
    EXPECT_EQ(host.status, "Waiting for scan 3 of 3");
    driver().ClearCalls();
    view->OnBarParam(BAR_CONTINUOUS);
    EXPECT_EQ(Calls(), Names{}) << "the series' timer asks for its scan";

    view->instrument().Reset();
    EXPECT_EQ(host.status, "Time acquisition stopped by Reset");
    const std::string stamps = ReadWholeFile("Temp.TimeStamps");
    EXPECT_EQ(stamps.rfind(std::string(kHeader) + "Temp.00001.ram\t0.00\r\nTemp.00002.ram\t", 0), 0u) << stamps;
    EXPECT_EQ(Arrive(104.0f), (Names{"BufferEmpty(0)", "SingleScan"})) << "shown, and the chain goes on";
    EXPECT_EQ(ShownY(), 104.0);
    EXPECT_FALSE(Exists("Temp.00003.ram"));
    EXPECT_EQ(Fire(10000), Names{}) << "no timer of the series fires any more";
}
