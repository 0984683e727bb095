#pragma once
// The series table: every saved scan of a time-acquisition series in one CSV
// file, base name + ".series.csv", beside the files the series writes
// anyway. A block of "#" lines describes the series as it was started; then
// either one row per scan (the time in seconds as the time-stamp file gives
// it, the scan's file name, then the intensity of each pixel, under a
// heading row of each pixel's x value when the table was started), or the
// same table turned on its side: a "#" line of each scan's time under the
// heading "time (s)", a heading row naming the axis and each scan by its file
// name, then one row per pixel, its x value and its intensity in each scan,
// so that every row below the heading is numbers only.
//
// The table is kept up to date as the series runs. One row per scan is
// appended row by row, to a file that holds the "#" block and the heading:
// a file that has gone is started again with them. One row per pixel cannot
// grow at the end of the file: it is kept whole in memory and written whole
// when the series starts, at most every kSeriesTableRewriteMs while it runs
// (so the cost of a scan does not grow with the table, and a crash loses no
// more than those last seconds) and when it ends. A write that fails is not
// lost: what did not reach the file goes with the next write.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vexlar::timed {

// The "SeriesTable" setting of [TimeAcquisition]: whether and how the
// series is also written as one table.
constexpr unsigned kSeriesTableOff = 0;
constexpr unsigned kSeriesTableRowPerScan = 1;
constexpr unsigned kSeriesTableRowPerPixel = 2;

// base + ".series.csv".
std::string SeriesTableFileName(std::string_view base);

// The longest a table on its side goes without being written whole while
// its series runs and scans come.
constexpr std::uint32_t kSeriesTableRewriteMs = 5000;

// What has to be done to the file to bring it up to date.
struct SeriesTableWrite {
    bool wholeFile = false;  // replace the file by bytes; otherwise append them
    std::string bytes;       // empty: the file is up to date
};

class SeriesTable {
public:
    // Starts the table of a series in layout (kSeriesTableOff: no table).
    // header is the "#" block, whole lines; x the x value of each pixel, and
    // axisHeading what they are (the heading of their column when the table
    // is on its side).
    void Start(unsigned layout, std::string header, const double* x, int pixels, const std::string& axisHeading);
    // Ends the table: nothing more is added or written.
    void Stop();
    bool active() const { return layout_ != kSeriesTableOff; }

    // A saved scan: seconds after the first saved scan, the name of its
    // file, its intensities.
    void AddScan(double seconds, const std::string& fileName, const double* y, int pixels);

    // What must be written now, and the news that it was.
    SeriesTableWrite PendingWrite() const;
    void Written();

    // Whether what is pending is to be written at tick now while the series
    // runs: rows to append at once, a table on its side kSeriesTableRewriteMs
    // after its last whole write was tried (at once when it was never tried).
    bool WriteDue(std::uint32_t now) const;
    // A whole write was tried at tick now, whether or not it succeeded.
    void WholeWriteTried(std::uint32_t now);

    // The file that rows were appended to has gone: the next write starts it
    // again whole, from the "#" block and the heading.
    void FileGone();

private:
    unsigned layout_ = kSeriesTableOff;
    int pixels_ = 0;
    std::string header_;
    // One row per scan: the heading and the rows not yet in the file.
    bool fileStarted_ = false;
    std::string unwritten_;
    // One row per pixel: the "#" time line, the heading row and a row per
    // pixel, each grown by a field per scan.
    std::vector<std::string> rows_;
    bool changed_ = false;
    bool wholeWriteTried_ = false;
    std::uint32_t lastWholeWriteTry_ = 0;
};

// The series table as the view keeps it: the operator's choice (the
// "SeriesTable" setting), and the table and file of the running series.
struct SeriesTableRun {
    unsigned setting = kSeriesTableOff;
    SeriesTable table;
    std::string path;  // fixed at Start
};

}  // namespace vexlar::timed
