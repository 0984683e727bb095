// The decisions of a timed series, run against a small bench with virtual
// time: the bench carries out each action as the view would (timers armed
// and killed, scans asked for and completed, the laser switched) and keeps
// a log of what the operator and the spectrometer would see.

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "timed/SeriesSteps.h"

using namespace vexlar::timed;

namespace {

using Log = std::vector<std::string>;

constexpr unsigned kMaxPeriodMs = 0x7FFFFFFF;

class SeriesBench {
public:
    SeriesBench()
    {
        run.settings.StoreDark = 0;
        run.settings.ToggleLaser = 0;
        run.settings.LaserWarmupTime = 0;
        run.settings.DelayBeforeFirstAcquisition = 0;
        run.settings.DelayBetweenAcquisitions = 1;
        run.settings.NumberOfAcquisitions = 3;
        run.settings.FileFormat = 0;
        run.settings.BaseFilename = "run";
    }

    // Start; returns what it did.
    Log Start()
    {
        log.clear();
        const SeriesStart start = StartSeries(run, kMaxPeriodMs);
        refusal = start.check.refusal;
        Execute(start.actions);
        return Take();
    }

    Log Stop()
    {
        log.clear();
        Execute(StopSeries(run));
        return Take();
    }

    // Moves time on by ms, firing each timer that falls due on the way.
    Log Advance(std::uint64_t ms)
    {
        log.clear();
        const std::uint64_t end = now + ms;
        for (;;) {
            auto next = due.end();
            for (auto it = due.begin(); it != due.end(); ++it) {
                if (it->second <= end && (next == due.end() || it->second < next->second))
                    next = it;
            }
            if (next == due.end())
                break;
            now = next->second;
            const unsigned id = next->first;
            // Window timers repeat until killed.
            next->second = now + std::max<std::uint64_t>(periods[id], 1);
            const std::optional<SeriesActions> actions = SeriesTimerFired(run, id);
            EXPECT_TRUE(actions.has_value()) << "timer " << id << " is the series'";
            if (actions)
                Execute(*actions);
        }
        now = end;
        return Take();
    }

    // The scan asked for completes (the scan cycle handled it first).
    Log Complete()
    {
        log.clear();
        EXPECT_GT(scansOwed, 0) << "no scan was asked for";
        --scansOwed;
        if (switchingOwed > 0) {
            // The scan cycle's restore step, before anything else.
            --switchingOwed;
            EXPECT_TRUE(EndSwitchingScan(run, integrationTime, average));
            log.push_back("restored");
        } else {
            Execute(SeriesScanCompleted(run, static_cast<std::uint32_t>(now)));
        }
        return Take();
    }

    bool Armed(unsigned id) const { return due.count(id) != 0; }

    TimeAcquisitionRun run;
    StartRefusal refusal = StartRefusal::None;
    std::uint64_t now = 0;
    std::uint16_t integrationTime = 200;
    std::int16_t average = 3;
    std::string status;
    std::vector<std::string> saved;  // the files saved
    int scansOwed = 0;
    int switchingOwed = 0;
    bool laserOn = false;
    std::map<unsigned, std::uint64_t> due;
    std::map<unsigned, std::uint64_t> periods;
    Log log;

private:
    Log Take()
    {
        Log out;
        out.swap(log);
        return out;
    }

    void Execute(const SeriesActions& actions)
    {
        for (const SeriesAction& a : actions) {
            switch (a.kind) {
            case SeriesActionKind::ShowStatus:
                status = a.text;
                log.push_back("status " + a.text);
                break;
            case SeriesActionKind::ArmTimer:
                due[a.timerId] = now + std::max<std::uint64_t>(a.periodMs, 1);
                periods[a.timerId] = a.periodMs;
                NoteTimerArmed(run, a.timerId, true);
                log.push_back("arm " + std::to_string(a.timerId) + " " + std::to_string(a.periodMs));
                break;
            case SeriesActionKind::KillTimer:
                due.erase(a.timerId);
                NoteTimerKilled(run, a.timerId);
                log.push_back("kill " + std::to_string(a.timerId));
                break;
            case SeriesActionKind::RequestScan:
                ++scansOwed;
                log.push_back("scan");
                break;
            case SeriesActionKind::SwitchLaser:
                laserOn = a.laserOn;
                log.push_back(a.laserOn ? "laser on" : "laser off");
                if (BeginSwitchingScan(run, integrationTime, average)) {
                    ++scansOwed;
                    ++switchingOwed;
                    log.push_back("switching scan");
                }
                break;
            case SeriesActionKind::KeepDarkScan:
                log.push_back("dark kept");
                break;
            case SeriesActionKind::SaveScan:
                if (const std::optional<std::string> name = NameScanForSaving(run)) {
                    saved.push_back(*name);
                    CountSavedScan(run);
                    log.push_back("save " + *name);
                } else {
                    log.push_back("scan 0 thrown away");
                }
                break;
            case SeriesActionKind::BeginRecords:
                log.push_back("begin records");
                break;
            case SeriesActionKind::FinishRecords:
                log.push_back("time stamps");
                break;
            case SeriesActionKind::LaserOff:
                laserOn = false;
                log.push_back("laser off");
                break;
            case SeriesActionKind::ResumeScanCycle:
                log.push_back("scan cycle");
                break;
            case SeriesActionKind::ReportFailures:
                log.push_back("report");
                break;
            case SeriesActionKind::Stop:
                log.push_back("stop");
                Execute(StopSeries(run));
                break;
            }
        }
    }
};

}  // namespace

TEST(SeriesSteps, PlainSeriesThreeScansOneSecondApartThenReady)
{
    SeriesBench b;
    EXPECT_EQ(b.Start(), (Log{"status Waiting for first scan", "begin records", "arm 819 1000"}))
        << "Start asks for no scan and leaves the laser alone";
    EXPECT_TRUE(b.run.timeAcqRunning);
    EXPECT_EQ(b.run.timeStamps.size(), 4u) << "scan 0 to scan N";
    for (unsigned k = 0; k <= 3; ++k) {
        EXPECT_EQ(b.Advance(999), Log{});
        EXPECT_EQ(b.Advance(1), (Log{"scan", "kill 819"})) << "one-shot: killed by its handler";
        b.Advance(20);  // the scan takes 20 ms
        const Log saving = k == 0 ? Log{"scan 0 thrown away"} : Log{"save run.0000" + std::to_string(k) + ".ram"};
        Log expected = saving;
        expected.push_back("arm 819 1000");
        expected.push_back("status Waiting for scan " + std::to_string(k + 1) + " of 3");
        EXPECT_EQ(b.Complete(), expected);
        EXPECT_EQ(b.run.timeStamps[k], b.now) << "stamped when handled";
    }
    EXPECT_EQ(b.Advance(1000),
              (Log{"status Ready", "stop", "kill 819", "time stamps", "laser off", "scan cycle", "report"}));
    EXPECT_FALSE(b.run.timeAcqRunning);
    EXPECT_TRUE(b.due.empty()) << "no timer outlives the series";
    EXPECT_EQ(b.saved, (std::vector<std::string>{"run.00001.ram", "run.00002.ram", "run.00003.ram"}));
    EXPECT_EQ(b.run.seriesFileNames[3], "run.00003.ram");
    EXPECT_EQ(b.run.currentFileName, "run.00003.ram");
    EXPECT_EQ(b.run.scanNumber, 4u);
    EXPECT_EQ(b.scansOwed, 0);
}

TEST(SeriesSteps, LaserTogglingWithADarkBeforeEachScan)
{
    SeriesBench b;
    b.run.settings.ToggleLaser = 1;
    b.run.settings.StoreDark = 1;
    b.run.settings.DelayBetweenAcquisitions = 10;
    b.run.settings.LaserWarmupTime = 3;
    b.run.settings.NumberOfAcquisitions = 1;
    EXPECT_EQ(b.Start(), (Log{"status Waiting for first scan", "begin records", "arm 546 7000"}));
    EXPECT_EQ(b.Advance(6999), Log{});
    for (unsigned k = 0; k <= 1; ++k) {
        const std::string of = std::to_string(k) + " of 1";
        EXPECT_EQ(b.Advance(k == 0 ? 1 : 7000),
                  (Log{"status Acquiring dark spectrum for scan " + of, "kill 546", "scan"}));
        EXPECT_TRUE(b.run.darkPending);
        EXPECT_EQ(b.Complete(), (Log{"dark kept", "status Laser warming up for scan " + of, "laser on",
                                     "switching scan", "arm 819 3000"}));
        EXPECT_FALSE(b.run.darkPending);
        EXPECT_EQ(b.integrationTime, 50);
        EXPECT_EQ(b.average, 1);
        EXPECT_EQ(b.Complete(), Log{"restored"});
        EXPECT_EQ(b.integrationTime, 200);
        EXPECT_EQ(b.average, 3);
        EXPECT_EQ(b.Advance(2999), Log{});
        EXPECT_EQ(b.Advance(1), (Log{"scan", "kill 819"}));
        const std::string saving = k == 0 ? "scan 0 thrown away" : "save run.00001.ram";
        EXPECT_EQ(b.Complete(), (Log{saving, "laser off", "switching scan", "arm 546 7000",
                                     "status Waiting for scan " + std::to_string(k + 1) + " of 1"}));
        EXPECT_FALSE(b.laserOn);
        EXPECT_EQ(b.Complete(), Log{"restored"});
    }
    // The interval that ends the series: the last spectrum is in, so no
    // dark and no warm-up follow, and the laser stays off.
    EXPECT_EQ(b.Advance(7000).front(), "status Ready");
    EXPECT_FALSE(b.laserOn);
    EXPECT_EQ(b.saved, std::vector<std::string>{"run.00001.ram"});
}

TEST(SeriesSteps, WarmupWithoutDarkAndWarmupThatTakesTheWholeDelay)
{
    SeriesBench b;
    b.run.settings.ToggleLaser = 1;
    b.run.settings.DelayBetweenAcquisitions = 2;
    b.run.settings.LaserWarmupTime = 2;
    EXPECT_EQ(b.Start().back(), "arm 546 0") << "a laser-off interval of 0";
    EXPECT_EQ(b.Advance(1), (Log{"status Laser warming up for scan 0 of 3", "kill 546", "laser on", "switching scan",
                                 "arm 819 2000"}));
    b.Complete();
    b.Advance(2000);
    EXPECT_EQ(b.Complete(), (Log{"scan 0 thrown away", "laser off", "switching scan", "arm 546 0",
                                 "status Waiting for scan 1 of 3"}));
    // The warm-up begins before the laser-off switching scan has come back:
    // that scan serves for both switches, and the values it saved stay.
    EXPECT_EQ(b.Advance(1), (Log{"status Laser warming up for scan 1 of 3", "kill 546", "laser on", "arm 819 2000"}));
    EXPECT_EQ(b.scansOwed, 1);
    EXPECT_EQ(b.Complete(), Log{"restored"});
    EXPECT_EQ(b.integrationTime, 200);
    EXPECT_EQ(b.average, 3);
}

TEST(SeriesSteps, FirstDelayDecidesWhenTheSecondScanComes)
{
    SeriesBench b;
    b.run.settings.DelayBeforeFirstAcquisition = 5;
    b.run.settings.ToggleLaser = 1;
    b.run.settings.DelayBetweenAcquisitions = 4;
    b.run.settings.LaserWarmupTime = 1;
    EXPECT_EQ(b.Start().back(), "arm 273 5000");
    EXPECT_TRUE(b.run.firstDelayPending);
    // A scan under way at Start completes during the first delay: it is scan
    // 0, the laser goes off, and no timer of the cycle is armed yet.
    b.scansOwed = 1;
    EXPECT_EQ(b.Complete(),
              (Log{"scan 0 thrown away", "laser off", "switching scan", "status Waiting for scan 1 of 3"}));
    b.Complete();
    EXPECT_EQ(b.Advance(5000), (Log{"kill 273", "arm 546 3000"}));
    EXPECT_FALSE(b.run.firstDelayPending);

    // Without toggling the first delay leads to the next-scan timer.
    SeriesBench plain;
    plain.run.settings.DelayBeforeFirstAcquisition = 60;
    plain.Start();
    EXPECT_EQ(plain.Advance(60000), (Log{"kill 273", "arm 819 1000"}));
}

TEST(SeriesSteps, StopKillsWhatIsArmedAndEndsAnywhere)
{
    SeriesBench b;
    b.run.settings.DelayBeforeFirstAcquisition = 60;
    EXPECT_EQ(b.Stop(), Log{}) << "nothing to stop";
    b.Start();
    b.Advance(30000);
    EXPECT_EQ(b.Stop(), (Log{"kill 273", "time stamps", "laser off", "scan cycle", "report"}));
    EXPECT_FALSE(b.run.firstDelayPending);
    EXPECT_EQ(b.status, "Waiting for first scan") << "an operator's Stop leaves the text";
    EXPECT_EQ(b.run.timerIds[0] + b.run.timerIds[1] + b.run.timerIds[2], 0u);
    EXPECT_EQ(b.Stop(), Log{}) << "stopped once";

    // During the dark scan: it no longer counts as the dark.
    b.run.settings.DelayBeforeFirstAcquisition = 0;
    b.run.settings.ToggleLaser = 1;
    b.run.settings.StoreDark = 1;
    b.run.settings.LaserWarmupTime = 0;
    b.Start();
    b.Advance(1000);
    EXPECT_TRUE(b.run.darkPending);
    EXPECT_EQ(b.Stop(), (Log{"time stamps", "laser off", "scan cycle", "report"}));
    EXPECT_FALSE(b.run.darkPending);

    // Timers of a stopped series are ignored, other timers are not the series'.
    EXPECT_EQ(SeriesTimerFired(b.run, kNextSeriesScanTimerId), SeriesActions{});
    EXPECT_EQ(SeriesTimerFired(b.run, 1), std::nullopt);
    b.Start();
    EXPECT_EQ(SeriesTimerFired(b.run, 820), std::nullopt);
}

TEST(SeriesSteps, StartRefusesWhatCannotRunAndChangesNothing)
{
    SeriesBench b;
    b.run.settings.BaseFilename.clear();
    EXPECT_EQ(b.Start(), Log{});
    EXPECT_EQ(b.refusal, StartRefusal::NoBaseFilename);
    EXPECT_FALSE(b.run.timeAcqRunning);

    b.run.settings.BaseFilename = "run";
    b.run.settings.ToggleLaser = 1;
    b.run.settings.LaserWarmupTime = 61;
    b.run.settings.DelayBetweenAcquisitions = 60;
    EXPECT_EQ(b.Start(), Log{});
    EXPECT_EQ(b.refusal, StartRefusal::WarmupLongerThanDelay);

    b.run.settings.ToggleLaser = 0;
    b.run.settings.DelayBetweenAcquisitions = 4294967;  // 4294967000 ms: beyond the longest timer
    EXPECT_EQ(b.Start(), Log{});
    EXPECT_EQ(b.refusal, StartRefusal::PeriodTooLong);

    b.run.settings.DelayBetweenAcquisitions = 1;
    b.Start();
    EXPECT_EQ(b.refusal, StartRefusal::None);
    EXPECT_EQ(b.Start(), Log{}) << "a series that runs is not started again";
    EXPECT_EQ(b.refusal, StartRefusal::None);
}

TEST(SeriesSteps, SettingsChangedDuringTheSeriesTakeEffectAtTheNextStep)
{
    SeriesBench b;
    b.run.settings.NumberOfAcquisitions = 4294967295u;
    b.Start();
    EXPECT_EQ(b.run.timeStamps.size(), kInitialTableEntries) << "the table grows as scans come";
    EXPECT_LE(b.run.timeStamps.capacity(), kInitialTableEntries) << "no gigabytes at Start";
    EXPECT_LE(b.run.seriesFileNames.capacity(), kInitialTableEntries);
    b.Advance(1000);
    b.Complete();
    b.run.settings.DelayBetweenAcquisitions = 5;
    b.run.settings.FileFormat = 2;
    b.Advance(1000);
    EXPECT_EQ(b.Complete(), (Log{"save run.00001", "arm 819 5000", "status Waiting for scan 2 of 4294967295"}))
        << "the new format names without an extension";
    b.run.settings.NumberOfAcquisitions = 1;
    EXPECT_EQ(b.Advance(5000).front(), "status Ready") << "completion reads N afresh";

    // A series longer than the first table: stamps beyond it still land.
    SeriesBench many;
    many.run.settings.NumberOfAcquisitions = 5000;
    many.Start();
    many.run.scanNumber = 4200;
    many.Advance(1000);
    many.Complete();
    EXPECT_EQ(many.run.timeStamps.size(), 4201u);
    EXPECT_EQ(many.run.seriesFileNames[4200], "run.04200.ram");
}

TEST(SeriesSteps, SwitchingScansSaveOnceAndRestoreOnce)
{
    TimeAcquisitionRun run;
    std::uint16_t integrationTime = 750;
    std::int16_t average = 8;
    EXPECT_FALSE(EndSwitchingScan(run, integrationTime, average)) << "none on its way";
    EXPECT_EQ(integrationTime, 750);
    EXPECT_TRUE(BeginSwitchingScan(run, integrationTime, average));
    EXPECT_EQ(integrationTime, kSwitchingIntegrationTimeMs);
    EXPECT_EQ(average, kSwitchingAverage);
    EXPECT_FALSE(BeginSwitchingScan(run, integrationTime, average)) << "the one on its way serves";
    EXPECT_EQ(run.savedIntegrationTime, 750);
    EXPECT_EQ(run.savedAverage, 8);
    EXPECT_TRUE(EndSwitchingScan(run, integrationTime, average));
    EXPECT_EQ(integrationTime, 750);
    EXPECT_EQ(average, 8);
    EXPECT_FALSE(run.restorePending);
}

TEST(SeriesSteps, PeriodsAreSecondsTimesAThousandWithoutWrapping)
{
    SeriesBench b;
    b.run.settings.DelayBeforeFirstAcquisition = 2147483;
    EXPECT_EQ(b.Start().back(), "arm 273 2147483000");
    EXPECT_EQ(TimerSlot(kFirstDelayTimerId), 0);
    EXPECT_EQ(TimerSlot(kLaserOffTimerId), 1);
    EXPECT_EQ(TimerSlot(kNextSeriesScanTimerId), 2);
    EXPECT_EQ(b.run.timerIds[0], kFirstDelayTimerId);
    NoteTimerArmed(b.run, kFirstDelayTimerId, false);
    EXPECT_EQ(b.run.timerIds[0], 0u) << "a timer that could not be armed has no handle";
}
