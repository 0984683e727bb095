// The series never overruns its table, loses a time stamp, waits for ever
// or hides a file it could not write.

#include <cmath>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

#include "support/TestFiles.h"
#include "timed/TimedFixture.h"
#include "window/ControlCommands.h"

using namespace vexlar;
using namespace vexlar::test;
using vexlar::sys::OperatorMessage;

using TimedFaults = TimedFixture;

namespace {

const OperatorMessage kWarmup{"You specified a laser warmup time greater than the delay between scans.\n"
                              "Either reduce the laser warmup time or increase the delay between acquisitions.",
                              "Vexlar Error"};

// Files whose names start with a point: temporary files of a write.
std::size_t TemporaryFilesIn(const std::filesystem::path& folder)
{
    std::size_t n = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        n += entry.path().filename().string().front() == '.' ? 1 : 0;
    return n;
}

}  // namespace

TEST_F(TimedFaults, NoNumberOfAcquisitionsOverrunsOrOversizesTheTable)
{
    // The largest N the settings file can hold.
    timed::SeriesSettings s = PlainSeries();
    s.NumberOfAcquisitions = 4294967295u;
    WriteSettings(SeriesSection(s));
    clock = std::make_unique<vexlar::sys::VirtualClock>();
    CreateView();
    ASSERT_EQ(ShownInDialog().count, "4294967295");
    Tell(view->instrument().StartSeries());
    RunScans(3, 1.0f, 1000);
    EXPECT_EQ(Fire(1000), Names{"SingleScan"}) << "N + 1 does not wrap to 0: the series goes on";
    EXPECT_EQ(host.status, "Waiting for scan 3 of 4294967295");
    view->instrument().StopSeries();

    // N raised during a series beyond the table made at Start.
    s.NumberOfAcquisitions = 1;
    Configure(s);
    Tell(view->instrument().StartSeries());
    s.NumberOfAcquisitions = 6;
    Configure(s);
    RunScans(7, 1.0f, 1000);
    Fire(1000);
    EXPECT_EQ(host.status, "Ready");
    std::string expected = kHeader;
    for (int k = 1; k <= 6; ++k)
        expected += "Temp.0000" + std::to_string(k) + ".ram\t" + std::to_string(k - 1) + ".00\r\n";
    EXPECT_EQ(ReadWholeFile("Temp.TimeStamps"), expected);
}

TEST_F(TimedFaults, TheTimeStampFileFollowsEverySavedScanAndSurvivesClosing)
{
    timed::SeriesSettings s = PlainSeries();
    s.NumberOfAcquisitions = 10;
    Begin(s);
    Tell(view->instrument().StartSeries());
    RunScans(1, 1.0f, 1000);
    EXPECT_FALSE(Exists("Temp.TimeStamps")) << "scan 0 is no saved scan";
    RunScans(1, 1.0f, 1000);
    EXPECT_EQ(ReadWholeFile("Temp.TimeStamps"), std::string(kHeader) + "Temp.00001.ram\t0.00\r\n");
    RunScans(1, 1.0f, 1000, 5);
    EXPECT_EQ(ReadWholeFile("Temp.TimeStamps"),
              std::string(kHeader) + "Temp.00001.ram\t0.00\r\nTemp.00002.ram\t1.01\r\n");
    EXPECT_EQ(TemporaryFilesIn("."), 0u);

    // The program is closed in the middle of the series.
    EXPECT_EQ(clock->TimerCount(), 1u);
    CloseProgram();
    EXPECT_EQ(clock->TimerCount(), 0u);
    EXPECT_EQ(ReadWholeFile("Temp.TimeStamps"),
              std::string(kHeader) + "Temp.00001.ram\t0.00\r\nTemp.00002.ram\t1.01\r\n");
}

TEST_F(TimedFaults, RowsNameTheFilesAsTheyWereSaved)
{
    timed::SeriesSettings s = PlainSeries();
    s.NumberOfAcquisitions = 2;
    s.BaseFilename = "first";
    Begin(s);
    Tell(view->instrument().StartSeries());
    RunScans(2, 1.0f, 1000);
    s.BaseFilename = "second";
    s.FileFormat = 1;
    Configure(s);
    RunScans(1, 1.0f, 1000);
    EXPECT_TRUE(Exists("second.00002.exp")) << "saved under the name in force";
    Fire(1000);
    EXPECT_TRUE(Exists("first.00001.ram"));
    EXPECT_TRUE(Exists("second.00002.exp"));
    EXPECT_EQ(ReadWholeFile("second.TimeStamps"),
              std::string(kHeader) + "first.00001.ram\t0.00\r\nsecond.00002.exp\t1.00\r\n");
}

TEST_F(TimedFaults, StartRefusesSettingsTheSeriesCannotRunWith)
{
    // Toggling with a warm-up longer than the delay, from the settings file.
    timed::SeriesSettings s = PlainSeries();
    s.ToggleLaser = 1;
    s.LaserWarmupTime = 61;
    s.DelayBetweenAcquisitions = 60;
    Begin(s);
    driver().ClearCalls();
    Tell(view->instrument().StartSeries());
    EXPECT_EQ(messages.messages(), std::vector<OperatorMessage>{kWarmup});
    EXPECT_EQ(clock->TimerCount(), 0u);
    EXPECT_EQ(host.status, "");
    EXPECT_TRUE(driver().calls.empty());
    messages.clear();

    // 4294968 s × 1000 wraps to 704 ms in 32 bits; it is refused instead.
    s = PlainSeries();
    s.DelayBeforeFirstAcquisition = 4294968;
    Configure(s);
    Tell(view->instrument().StartSeries());
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].title, "Vexlar Error");
    EXPECT_NE(messages.messages()[0].text.find("4294968 seconds"), std::string::npos);
    EXPECT_EQ(clock->TimerCount(), 0u);
    EXPECT_EQ(host.status, "");
    messages.clear();

    // The longest timer there is runs.
    s.DelayBeforeFirstAcquisition = 0;
    s.DelayBetweenAcquisitions = 2147483;
    Configure(s);
    Tell(view->instrument().StartSeries());
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_EQ(host.status, "Waiting for first scan");
    EXPECT_EQ(Fire(2147482999), Names{});
    EXPECT_EQ(Fire(1), Names{"SingleScan"});
    view->instrument().StopSeries();

    // An empty base name from the settings file.
    s.DelayBetweenAcquisitions = 1;
    s.BaseFilename = "";
    Begin(s);
    host.status.clear();
    Tell(view->instrument().StartSeries());
    const OperatorMessage noName{"You must specify a valid base filename", "Vexlar Error"};
    EXPECT_EQ(messages.messages(), std::vector<OperatorMessage>{noName});
    EXPECT_EQ(clock->TimerCount(), 0u);
    EXPECT_EQ(host.status, "");
}

TEST_F(TimedFaults, StartResumesStoppedAcquisition)
{
    Begin();                                        // the Additive button stopped acquisition
    Tell(view->instrument().ToggleAdditiveMode());  // refused without a dark: nothing changes
    ASSERT_EQ(messages.messages().size(), 1u);
    messages.clear();
    // Into additive mode with a dark and out again while its scan is in
    // flight: that scan is marked to be dropped, and acquisition stops.
    view->instrument().StoreDark();
    Tell(view->instrument().ToggleAdditiveMode());
    Tell(view->instrument().ToggleAdditiveMode());
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_FALSE(host.IsChecked(IDC_CONTINUOUS));
    ASSERT_EQ(driver().owed, 1);
    Tell(view->instrument().StartSeries());
    EXPECT_TRUE(host.IsChecked(IDC_CONTINUOUS));
    // The scan in flight is the series' scan 0, not dropped.
    Arrive(41.0f);
    EXPECT_EQ(host.status, "Waiting for scan 1 of 3");
    RunScans(1, 43.0f, 1000);
    EXPECT_EQ(FirstY("Temp.00001.ram"), 43.0) << "the series scans are not dropped";
}

TEST_F(TimedFaults, FilesThatCannotBeWrittenNeverStopTheSeries)
{
    // Scan 1 goes through a link to a full device.
    timed::SeriesSettings s = PlainSeries();
    s.FileFormat = 1;
    s.NumberOfAcquisitions = 2;
    Begin(s);
    ASSERT_EQ(::symlink("/dev/full", "Temp.00001.exp"), 0);
    Tell(view->instrument().StartSeries());
    RunScans(2, 1.0f, 1000);
    EXPECT_EQ(host.status, "Waiting for scan 2 of 2 - could not write \"Temp.00001.exp\": No space left on device");
    RunScans(1, 1.0f, 1000);
    EXPECT_EQ(host.status, "Waiting for scan 3 of 2");
    EXPECT_TRUE(messages.messages().empty()) << "nothing stops the series for the operator";
    Fire(1000);
    EXPECT_EQ(host.status, "Ready");
    const OperatorMessage summary{"1 file of the time acquisition series could not be written.\n"
                                  "The first was \"Temp.00001.exp\": No space left on device",
                                  "Vexlar Error"};
    EXPECT_EQ(messages.messages(), std::vector<OperatorMessage>{summary});
    EXPECT_TRUE(IsCharacterDevice("/dev/full"));
    EXPECT_TRUE(Exists("Temp.00002.exp"));
    EXPECT_EQ(ReadWholeFile("Temp.TimeStamps"), std::string(kHeader) + "Temp.00002.exp\t1.00\r\n");
    messages.clear();

    // A pipe where a spectrum file should go is written into, never renamed
    // over; nobody reads it, so the write is refused at once. The time-stamp
    // file through a link to the full device fails at Stop.
    s.FileFormat = 0;
    s.NumberOfAcquisitions = 1;
    Configure(s);
    ASSERT_EQ(::mkfifo("Temp.00001.ram", 0600), 0);
    std::filesystem::remove("Temp.TimeStamps");
    ASSERT_EQ(::symlink("/dev/full", "Temp.TimeStamps"), 0);
    Tell(view->instrument().StartSeries());
    RunScans(2, 1.0f, 1000);
    EXPECT_EQ(host.status, "Waiting for scan 2 of 1 - could not write \"Temp.00001.ram\": No such device or address");
    EXPECT_TRUE(std::filesystem::is_fifo("Temp.00001.ram"));
    Fire(1000);
    EXPECT_EQ(host.status, "Ready - could not write \"Temp.TimeStamps\": No space left on device");
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text, "2 files of the time acquisition series could not be written.\n"
                                           "The first was \"Temp.00001.ram\": No such device or address");
    EXPECT_TRUE(IsCharacterDevice("/dev/full"));
}

TEST_F(TimedFaults, TheTimeStampFileListsOnlyTheFilesThatWereWritten)
{
    const struct {
        const char* unwritable;
        const char* rows;  // as the series runs and at its end
    } cases[] = {
        {"Temp.00002.exp", "Temp.00001.exp\t0.00\r\nTemp.00003.exp\t2.00\r\n"},
        {"Temp.00001.exp", "Temp.00002.exp\t1.00\r\nTemp.00003.exp\t2.00\r\n"},  // times still after scan 1
    };
    for (const auto& c : cases) {
        timed::SeriesSettings s = PlainSeries();
        s.FileFormat = 1;
        Begin(s);
        std::filesystem::remove_all("Temp.00001.exp");
        std::filesystem::remove_all("Temp.00002.exp");
        std::filesystem::create_directory(c.unwritable);  // the file cannot be written
        Tell(view->instrument().StartSeries());
        RunScans(4, 1.0f, 1000);
        EXPECT_EQ(ReadWholeFile("Temp.TimeStamps"), kHeader + std::string(c.rows)) << c.unwritable;
        Fire(1000);
        EXPECT_EQ(ReadWholeFile("Temp.TimeStamps"), kHeader + std::string(c.rows)) << c.unwritable;
        ASSERT_EQ(messages.messages().size(), 1u);
        messages.clear();
    }
}

TEST_F(TimedFaults, AScanThatIsNotAllNumbersIsWrittenNowhereAndReported)
{
    // Exported files and a series table; the saved scan holds infinite
    // intensities: neither takes it, and the series reports both.
    timed::SeriesSettings s = PlainSeries();
    s.FileFormat = 1;
    s.NumberOfAcquisitions = 1;
    Begin(s, 1'000'000, "SeriesTable=1\n");
    Tell(view->instrument().StartSeries());
    RunScans(1, 1.0f, 1000);
    RunScans(1, INFINITY, 1000);
    Fire(1000);
    EXPECT_FALSE(Exists("Temp.00001.exp"));
    EXPECT_EQ(ReadWholeFile("Temp.series.csv").find("inf"), std::string::npos);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text, "2 files of the time acquisition series could not be written.\nThe first "
                                           "was \"Temp.00001.exp\": the intensity at pixel 0 is inf, not a finite "
                                           "number; nothing was written.");
}

TEST_F(TimedFaults, AFolderThatIsReallyAFile)
{
    timed::SeriesSettings s = PlainSeries();
    s.BaseFilename = "plain/run";
    s.NumberOfAcquisitions = 2;
    Begin(s);
    ASSERT_TRUE(WriteWholeFile("plain", "not a folder"));
    Tell(view->instrument().StartSeries());
    RunScans(3, 1.0f, 1000);
    Fire(1000);
    EXPECT_EQ(host.status.substr(0, 5), "Ready");
    EXPECT_EQ(clock->TimerCount(), 0u) << "the series has ended";
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text.substr(0, 60),
              "3 files of the time acquisition series could not be written.");
    EXPECT_NE(messages.messages()[0].text.find("plain/run.00001.ram"), std::string::npos);
    EXPECT_EQ(ReadWholeFile("plain"), "not a folder");
}
