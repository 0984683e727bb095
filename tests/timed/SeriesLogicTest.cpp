// File names, time-stamp text, timing and the number check of a series.

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include <sys/stat.h>

#include "support/TempDir.h"
#include "timed/SeriesNames.h"
#include "timed/SeriesPlan.h"
#include "timed/TimeStampFile.h"

using namespace vexlar::timed;

namespace {

constexpr unsigned kMaxPeriodMs = 0x7FFFFFFF;

}  // namespace

TEST(SeriesNames, NumberThenExtensionOfTheFormat)
{
    EXPECT_EQ(SeriesFileName("/data/run", 7, 0), "/data/run.00007.ram");
    EXPECT_EQ(SeriesFileName("run", 7, 1), "run.00007.exp");
    EXPECT_EQ(SeriesFileName("run", 7, 2), "run.00007") << "other formats: no extension";
    EXPECT_EQ(SeriesFileName("run.txt", 1, 0), "run.txt.00001.ram") << "an extension of the base stays";
    EXPECT_EQ(SeriesFileName("run", 123456, 0), "run.123456.ram");
    EXPECT_EQ(SeriesFileName("run", 4294967295u, 1), "run.4294967295.exp") << "never a minus sign";
    EXPECT_EQ(TimeStampFileName("/data/run.txt"), "/data/run.txt.TimeStamps");
    EXPECT_TRUE(FormatWritesFile(0));
    EXPECT_TRUE(FormatWritesFile(1));
    EXPECT_FALSE(FormatWritesFile(2));
    EXPECT_FALSE(FormatWritesFile(4294967295u));
}

TEST(TimeStampFile, HeaderRowsAndTheSinglePrecisionFactor)
{
    EXPECT_EQ(TimeStampFileText({}), "Filename\tTime (sec)\r\n");
    const std::vector<TimeStampRow> rows = {
        {"run.00001.ram", 5000}, {"run.00002.ram", 6005}, {"run.00003.ram", 7004}, {"run.00004", 65000}};
    EXPECT_EQ(TimeStampFileText(rows),
              "Filename\tTime (sec)\r\n"
              "run.00001.ram\t0.00\r\n"
              "run.00002.ram\t1.01\r\n"  // 1005 ms: the factor lies just above 0.001
              "run.00003.ram\t2.00\r\n"
              "run.00004\t60.00\r\n");
    // A product in single precision would give 1.00 here.
    EXPECT_EQ(SecondsAfter(1005, 0), 1005 * 0.0010000000474974513);
    // The tick count wraps between the two stamps.
    EXPECT_EQ(TimeStampFileText({{"a", 0xFFFFFF00u}, {"b", 0x100u}}), "Filename\tTime (sec)\r\na\t0.00\r\nb\t0.51\r\n");
    EXPECT_EQ(TimeStampFileText({{"a", 1}, {"b", 0}}), "Filename\tTime (sec)\r\na\t0.00\r\nb\t4294967.50\r\n");
}

TEST(SeriesPlan, PeriodsNeverWrapAndTheSeriesAlwaysEnds)
{
    EXPECT_EQ(PeriodMs(60), 60000u);
    EXPECT_EQ(PeriodMs(4294968), 4294968000ull) << "32-bit arithmetic would give 704 ms";
    EXPECT_EQ(LaserOffSeconds(60, 10), 50u);
    EXPECT_EQ(LaserOffSeconds(60, 60), 0u);
    EXPECT_EQ(LaserOffSeconds(60, 61), 0u) << "never negative";
    EXPECT_EQ(ArmablePeriodMs(4294968000ull, kMaxPeriodMs), kMaxPeriodMs);
    EXPECT_EQ(ArmablePeriodMs(1000, kMaxPeriodMs), 1000u);

    EXPECT_FALSE(SeriesComplete(0, 0));
    EXPECT_TRUE(SeriesComplete(1, 0));
    EXPECT_FALSE(SeriesComplete(3, 3));
    EXPECT_TRUE(SeriesComplete(4, 3));
    EXPECT_FALSE(SeriesComplete(0, 4294967295u)) << "N + 1 must not wrap to 0";
    EXPECT_FALSE(SeriesComplete(4294967295u, 4294967295u));
    EXPECT_TRUE(SeriesComplete(4294967295u, 4294967294u));
}

TEST(SeriesPlan, StartChecksInOrder)
{
    SeriesSettings s;
    s.BaseFilename = "run";
    s.DelayBeforeFirstAcquisition = 60;
    s.DelayBetweenAcquisitions = 60;
    s.LaserWarmupTime = 61;
    EXPECT_EQ(CheckSeriesStart(s, kMaxPeriodMs).refusal, StartRefusal::None) << "warm-up unused without toggling";
    s.ToggleLaser = 1;
    EXPECT_EQ(CheckSeriesStart(s, kMaxPeriodMs).refusal, StartRefusal::WarmupLongerThanDelay);
    s.BaseFilename.clear();
    EXPECT_EQ(CheckSeriesStart(s, kMaxPeriodMs).refusal, StartRefusal::NoBaseFilename);
    s.BaseFilename.assign(1, ' ');  // a single space is a name
    s.LaserWarmupTime = 60;
    EXPECT_EQ(CheckSeriesStart(s, kMaxPeriodMs).refusal, StartRefusal::None) << "warm-up equal to the delay";

    // The longest timer is 2147483.647 s.
    s.DelayBeforeFirstAcquisition = 2147484;
    StartCheck c = CheckSeriesStart(s, kMaxPeriodMs);
    EXPECT_EQ(c.refusal, StartRefusal::PeriodTooLong);
    EXPECT_EQ(c.seconds, 2147484u);
    s.DelayBeforeFirstAcquisition = 2147483;
    EXPECT_EQ(CheckSeriesStart(s, kMaxPeriodMs).refusal, StartRefusal::None);
    // With toggling the laser-off interval and the warm-up are the periods.
    s.DelayBetweenAcquisitions = 4000000;
    s.LaserWarmupTime = 3000000;
    c = CheckSeriesStart(s, kMaxPeriodMs);
    EXPECT_EQ(c.refusal, StartRefusal::PeriodTooLong);
    EXPECT_EQ(c.seconds, 3000000u);
    s.LaserWarmupTime = 1000000;
    c = CheckSeriesStart(s, kMaxPeriodMs);
    EXPECT_EQ(c.refusal, StartRefusal::PeriodTooLong);
    EXPECT_EQ(c.seconds, 3000000u) << "the laser-off interval 4000000 - 1000000";
    s.LaserWarmupTime = 2000000;
    EXPECT_EQ(CheckSeriesStart(s, kMaxPeriodMs).refusal, StartRefusal::None);
    s.ToggleLaser = 0;
    EXPECT_EQ(CheckSeriesStart(s, kMaxPeriodMs).refusal, StartRefusal::PeriodTooLong) << "the delay itself";
}

namespace {

ino_t FileNumber(const std::string& path)
{
    struct stat info { };
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

}  // namespace

// Each saved scan's row is appended to the file that holds the rows before
// it: the file is the same file (not replaced) and grows by one row. After a
// failed write, or under a new base name, it is written whole again, and the
// file of the old name goes.
TEST(TimeStampLog, RowsAreAppendedAndTheFileIsWrittenWholeWhenItMustBe)
{
    vexlar::test::TempDir dir;
    const std::string path = dir.file("run.TimeStamps");
    std::vector<TimeStampRow> rows;
    TimeStampLog log;
    log.Start();
    std::string reason;
    const auto add = [&](const std::string& to) {
        rows.push_back({"run." + std::to_string(rows.size() + 1), static_cast<std::uint32_t>(1000 * rows.size() + 7)});
        return log.AddRow(
            to, rows.back(), rows.front().tick, [&] { return rows; }, &reason);
    };
    ASSERT_TRUE(add(path)) << reason;
    EXPECT_EQ(vexlar::test::ReadWholeFile(path), TimeStampFileText(rows));
    const ino_t first = FileNumber(path);
    for (int k = 0; k < 3; ++k) {
        ASSERT_TRUE(add(path)) << reason;
        EXPECT_EQ(vexlar::test::ReadWholeFile(path), TimeStampFileText(rows));
        EXPECT_EQ(FileNumber(path), first) << "appended, not replaced";
    }
    EXPECT_EQ(TimeStampRowText(rows[2], rows[0].tick), "run.3\t2.00\r\n");

    // A row that cannot be written: the next one writes the file whole.
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    EXPECT_FALSE(add(path));
    EXPECT_FALSE(reason.empty());
    std::filesystem::remove(path);
    ASSERT_TRUE(add(path)) << reason;
    EXPECT_EQ(vexlar::test::ReadWholeFile(path), TimeStampFileText(rows)) << "every saved scan has its row";

    // The base name changes: the new file holds every row and the old one
    // goes, but only once the new one is written.
    const std::string renamed = dir.file("other.TimeStamps");
    EXPECT_FALSE(add(dir.file("missing/other.TimeStamps")));
    EXPECT_TRUE(std::filesystem::exists(path)) << "kept while nothing else holds the rows";
    ASSERT_TRUE(add(renamed)) << reason;
    EXPECT_EQ(vexlar::test::ReadWholeFile(renamed), TimeStampFileText(rows));
    EXPECT_FALSE(std::filesystem::exists(path)) << "no stale part of the old name";
    ASSERT_TRUE(add(renamed)) << reason;
    EXPECT_EQ(vexlar::test::ReadWholeFile(renamed), TimeStampFileText(rows));

    // A new series under the same name starts the file afresh.
    log.Start();
    rows.clear();
    ASSERT_TRUE(add(renamed)) << reason;
    EXPECT_EQ(vexlar::test::ReadWholeFile(renamed), TimeStampFileText(rows));
}
