// The series never overruns its table, loses a time stamp, waits for ever
// or hides a file it could not write.

#include <filesystem>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

#include "acquisition/ControlCommands.h"
#include "support/TestFiles.h"
#include "timed/TimedFixture.h"

using namespace vexlar;
using namespace vexlar::test;
using vexlar::sys::OperatorMessage;

using TimedFaults = TimedFixture;

namespace {

const OperatorMessage kWarmup{"You specified a laser warmup time greater than the delay between scans.\n"
                              "Either reduce the laser warmup time or increase the delay between acquisitions.",
                              "QDVRaman Error"};

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
    std::filesystem::create_directories("vexlar");
    std::ofstream("vexlar/vexlar.ini") << "[TimeAcquisition]\r\nNumberOfAcquisitions=4294967295\r\n";
    clock = std::make_unique<vexlar::sys::VirtualClock>();
    CreateView();
    ASSERT_EQ(view->NumberOfAcquisitions, 4294967295u);
    view->DelayBeforeFirstAcquisition = 0;
    view->DelayBetweenAcquisitions = 1;
    view->StartTimeAcquisition();
    EXPECT_LE(view->timeStamps.capacity(), 4096u) << "no gigabytes at Start";
    RunScans(3, 1.0f, 1000);
    Fire(1000);
    EXPECT_EQ(view->timeAcqRunning, 1) << "N + 1 does not wrap to 0";
    EXPECT_EQ(host.status, "Waiting for scan 3 of 4294967295");
    view->StopTimeAcquisition();

    // N raised during a series beyond the table made at Start.
    view->NumberOfAcquisitions = 1;
    view->StartTimeAcquisition();
    EXPECT_EQ(view->timeStamps.size(), 2u);
    view->NumberOfAcquisitions = 6;
    RunScans(7, 1.0f, 1000);
    Fire(1000);
    EXPECT_EQ(host.status, "Ready");
    EXPECT_GE(view->timeStamps.size(), 7u);
    std::string expected = kHeader;
    for (int k = 1; k <= 6; ++k)
        expected += "Temp.0000" + std::to_string(k) + ".ram\t" + std::to_string(k - 1) + ".00\r\n";
    EXPECT_EQ(ReadWholeFile("Temp.TimeStamps"), expected);
}

TEST_F(TimedFaults, TheTimeStampFileFollowsEverySavedScanAndSurvivesClosing)
{
    Begin();
    view->NumberOfAcquisitions = 10;
    view->StartTimeAcquisition();
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
    view.reset();
    EXPECT_EQ(clock->TimerCount(), 0u);
    EXPECT_EQ(ReadWholeFile("Temp.TimeStamps"),
              std::string(kHeader) + "Temp.00001.ram\t0.00\r\nTemp.00002.ram\t1.01\r\n");
}

TEST_F(TimedFaults, RowsNameTheFilesAsTheyWereSaved)
{
    Begin();
    view->NumberOfAcquisitions = 2;
    SetBase("first");
    view->StartTimeAcquisition();
    RunScans(2, 1.0f, 1000);
    SetBase("second");
    view->FileFormat = 1;
    RunScans(1, 1.0f, 1000);
    EXPECT_EQ(view->currentFileName, "second.00002.exp");
    Fire(1000);
    EXPECT_TRUE(Exists("first.00001.ram"));
    EXPECT_TRUE(Exists("second.00002.exp"));
    EXPECT_EQ(ReadWholeFile("second.TimeStamps"),
              std::string(kHeader) + "first.00001.ram\t0.00\r\nsecond.00002.exp\t1.00\r\n");
}

TEST_F(TimedFaults, StartRefusesSettingsTheSeriesCannotRunWith)
{
    Begin();
    // Toggling with a warm-up longer than the delay.
    view->ToggleLaser = 1;
    view->LaserWarmupTime = 61;
    view->DelayBetweenAcquisitions = 60;
    view->StartTimeAcquisition();
    EXPECT_EQ(messages.messages(), std::vector<OperatorMessage>{kWarmup});
    EXPECT_EQ(view->timeAcqRunning, 0);
    EXPECT_EQ(clock->TimerCount(), 0u);
    messages.clear();

    // 4294968 s × 1000 wraps to 704 ms in 32 bits; it is refused instead.
    view->ToggleLaser = 0;
    view->DelayBeforeFirstAcquisition = 4294968;
    view->StartTimeAcquisition();
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].title, "QDVRaman Error");
    EXPECT_NE(messages.messages()[0].text.find("4294968 seconds"), std::string::npos);
    EXPECT_EQ(view->timeAcqRunning, 0);
    EXPECT_EQ(host.status, "");
    messages.clear();

    // The longest timer there is runs.
    view->DelayBeforeFirstAcquisition = 0;
    view->DelayBetweenAcquisitions = 2147483;
    view->StartTimeAcquisition();
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_EQ(view->timeAcqRunning, 1);
    EXPECT_EQ(Fire(2147482999), Names{});
    EXPECT_EQ(Fire(1), Names{"SingleScan"});
    view->StopTimeAcquisition();

    // An empty base name from the settings file.
    view->DelayBetweenAcquisitions = 1;
    SetBase("");
    view->StartTimeAcquisition();
    const OperatorMessage noName{"You must specify a valid base filename", "QDVRaman Error"};
    EXPECT_EQ(messages.messages(), std::vector<OperatorMessage>{noName});
    EXPECT_EQ(view->timeAcqRunning, 0);
}

TEST_F(TimedFaults, StartResumesStoppedAcquisition)
{
    Begin();
    view->OnAdditiveMode();  // refused without a dark: nothing changes
    messages.clear();
    view->OnBarParam(BAR_ADDITIVE);  // the Additive button stops acquisition
    view->discardNext = 1;
    ASSERT_EQ(view->scanning, 0);
    view->StartTimeAcquisition();
    EXPECT_EQ(view->scanning, 1);
    EXPECT_EQ(view->discardNext, 0);
    EXPECT_TRUE(host.IsChecked(IDC_CONTINUOUS));
    RunScans(2, 42.0f, 1000);
    EXPECT_EQ(FirstY("Temp.00001.ram"), 43.0) << "the series scans are not dropped";
}

TEST_F(TimedFaults, FilesThatCannotBeWrittenNeverStopTheSeries)
{
    Begin();
    // Scan 1 goes through a link to a full device.
    view->FileFormat = 1;
    view->NumberOfAcquisitions = 2;
    ASSERT_EQ(::symlink("/dev/full", "Temp.00001.exp"), 0);
    view->StartTimeAcquisition();
    RunScans(2, 1.0f, 1000);
    EXPECT_EQ(host.status,
              "Waiting for scan 2 of 2 - could not write \"Temp.00001.exp\": No space left on device");
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
    EXPECT_EQ(ReadWholeFile("Temp.TimeStamps"),
              std::string(kHeader) + "Temp.00001.exp\t0.00\r\nTemp.00002.exp\t1.00\r\n");
    messages.clear();

    // A pipe where a spectrum file should go is written into, never renamed
    // over; nobody reads it, so the write is refused at once. The time-stamp
    // file through a link to the full device fails at Stop.
    view->FileFormat = 0;
    view->NumberOfAcquisitions = 1;
    ASSERT_EQ(::mkfifo("Temp.00001.ram", 0600), 0);
    std::filesystem::remove("Temp.TimeStamps");
    ASSERT_EQ(::symlink("/dev/full", "Temp.TimeStamps"), 0);
    view->StartTimeAcquisition();
    RunScans(2, 1.0f, 1000);
    EXPECT_EQ(host.status, "Waiting for scan 2 of 1 - could not write \"Temp.00001.ram\": No such device or address; "
                           "\"Temp.TimeStamps\": No space left on device");
    EXPECT_TRUE(std::filesystem::is_fifo("Temp.00001.ram"));
    Fire(1000);
    EXPECT_EQ(host.status, "Ready - could not write \"Temp.TimeStamps\": No space left on device");
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text,
              "2 files of the time acquisition series could not be written.\n"
              "The first was \"Temp.00001.ram\": No such device or address");
    EXPECT_TRUE(IsCharacterDevice("/dev/full"));
}

TEST_F(TimedFaults, AFolderThatIsReallyAFile)
{
    Begin();
    ASSERT_TRUE(WriteWholeFile("plain", "not a folder"));
    SetBase("plain/run");
    view->NumberOfAcquisitions = 2;
    view->StartTimeAcquisition();
    RunScans(3, 1.0f, 1000);
    Fire(1000);
    EXPECT_EQ(host.status.substr(0, 5), "Ready");
    EXPECT_EQ(view->timeAcqRunning, 0);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text.substr(0, 60),
              "3 files of the time acquisition series could not be written.");
    EXPECT_NE(messages.messages()[0].text.find("plain/run.00001.ram"), std::string::npos);
    EXPECT_EQ(ReadWholeFile("plain"), "not a folder");
}
