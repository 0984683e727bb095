// The series table without a window: its rows, its side-turned layout, and
// what is written when, including after a write that failed.

#include <gtest/gtest.h>

#include <string>

#include "timed/SeriesTable.h"

using namespace vexlar::timed;

namespace {

const double kX[3] = {350.0, 350.5, 351.25};
const double kScan1[3] = {10.0, 20.5, -3.0};
const double kScan2[3] = {11.0, 21.5, 4095.0};

}  // namespace

TEST(SeriesTable, OneRowPerScanIsAppendedRowByRow)
{
    SeriesTable table;
    table.Start(kSeriesTableRowPerScan, "# head\r\n", kX, 3, "wavelength (nm)");
    ASSERT_TRUE(table.active());
    SeriesTableWrite w = table.PendingWrite();
    EXPECT_TRUE(w.wholeFile) << "an earlier series' table is replaced at the start";
    EXPECT_EQ(w.bytes, "# head\r\ntime (s),file,350,350.5,351.25\r\n");
    table.Written();
    EXPECT_TRUE(table.PendingWrite().bytes.empty());

    table.AddScan(0.0, "Temp.00001.ram", kScan1, 3);
    w = table.PendingWrite();
    EXPECT_FALSE(w.wholeFile);
    EXPECT_EQ(w.bytes, "0.00,Temp.00001.ram,10,20.5,-3\r\n");
    // That append failed: the row goes with the next one.
    table.AddScan(1.25, "run, \"7\".00002.ram", kScan2, 3);
    w = table.PendingWrite();
    EXPECT_FALSE(w.wholeFile);
    EXPECT_EQ(w.bytes, "0.00,Temp.00001.ram,10,20.5,-3\r\n1.25,\"run, \"\"7\"\".00002.ram\",11,21.5,4095\r\n");
    table.Written();
    EXPECT_TRUE(table.PendingWrite().bytes.empty());

    // A start that never reached the file: the first write is whole.
    table.Start(kSeriesTableRowPerScan, "# h\r\n", kX, 3, "wavelength (nm)");
    table.AddScan(0.0, "a", kScan1, 2);  // a scan of fewer pixels leaves the rest empty
    w = table.PendingWrite();
    EXPECT_TRUE(w.wholeFile);
    EXPECT_EQ(w.bytes, "# h\r\ntime (s),file,350,350.5,351.25\r\n0.00,a,10,20.5,\r\n");

    table.Stop();
    EXPECT_FALSE(table.active());
    table.AddScan(2.0, "b", kScan1, 3);
    EXPECT_TRUE(table.PendingWrite().bytes.empty());
}

TEST(SeriesTable, OneRowPerPixelIsTheSameTableOnItsSideWrittenWhole)
{
    SeriesTable table;
    table.Start(kSeriesTableRowPerPixel, "# head\r\n", kX, 3, "wavelength (nm)");
    SeriesTableWrite w = table.PendingWrite();
    EXPECT_TRUE(w.wholeFile);
    EXPECT_EQ(w.bytes, "# head\r\n# time (s)\r\nwavelength (nm)\r\n350\r\n350.5\r\n351.25\r\n");
    table.Written();
    EXPECT_TRUE(table.PendingWrite().bytes.empty()) << "nothing new, nothing written";

    table.AddScan(0.0, "Temp.00001.exp", kScan1, 3);
    table.AddScan(2.04, "Temp.00002.exp", kScan2, 3);
    w = table.PendingWrite();
    EXPECT_TRUE(w.wholeFile);
    EXPECT_EQ(w.bytes,
              "# head\r\n# time (s),0.00,2.04\r\nwavelength (nm),Temp.00001.exp,Temp.00002.exp\r\n350,10,11\r\n"
              "350.5,20.5,21.5\r\n351.25,-3,4095\r\n");

    // Below the heading, numbers only; a heading that needs quoting is quoted.
    table.Start(kSeriesTableRowPerPixel, "", kX, 1, "shift, \"cm-1\"");
    table.AddScan(0.5, "a,b.exp", kScan1, 1);
    EXPECT_EQ(table.PendingWrite().bytes, "# time (s),0.50\r\n\"shift, \"\"cm-1\"\"\",\"a,b.exp\"\r\n350,10\r\n");
}

TEST(SeriesTable, NoTableUnlessChosen)
{
    SeriesTable table;
    for (const unsigned setting : {kSeriesTableOff, 3u, 0xFFFFFFFFu}) {
        table.Start(setting, "# head\r\n", kX, 3, "wavelength (nm)");
        EXPECT_FALSE(table.active()) << setting;
        table.AddScan(0.0, "a", kScan1, 3);
        EXPECT_TRUE(table.PendingWrite().bytes.empty()) << setting;
    }
    EXPECT_EQ(SeriesTableFileName("/data/run.txt"), "/data/run.txt.series.csv");
}
