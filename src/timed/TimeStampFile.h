#pragma once
// The time-stamp file of a time-acquisition series: a header line, then one
// row per saved scan with the scan's file name and its time in seconds after
// the first saved scan. Text with CR LF line ends.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vexlar::timed {

// The single-precision value nearest 0.001, the factor that turns a
// millisecond tick difference into seconds in this file. Being slightly
// above 0.001 it rounds differences ending in exactly 5 ms up: 1005 ms
// prints as 1.01.
constexpr double kSecondsPerTick = static_cast<double>(0.001f);

// One saved scan: the name its file was saved under and the millisecond tick
// count when its scan was handled.
struct TimeStampRow {
    std::string fileName;
    std::uint32_t tick = 0;
};

// Seconds from firstTick to tick, taking the tick difference modulo 2^32 so
// that a tick count that wrapped in between still gives the right interval.
double SecondsAfter(std::uint32_t tick, std::uint32_t firstTick);

// The whole file: "Filename\tTime (sec)" and then, for each row in order,
// its file name, a tab and its time after firstTick with two decimals
// ("%s\t%.2f", whatever the operator's language). Every line ends in CR LF.
// Without firstTick the times count from the first row's, which then reads
// 0.00.
std::string TimeStampFileText(const std::vector<TimeStampRow>& rows, std::uint32_t firstTick);
std::string TimeStampFileText(const std::vector<TimeStampRow>& rows);

// One row of that file, for a scan whose series' first saved scan was
// handled at firstTick: "%s\t%.2f" and CR LF.
std::string TimeStampRowText(const TimeStampRow& row, std::uint32_t firstTick);

// Keeps a running series' time-stamp file up to date scan by scan at a cost
// that does not grow with the series: each row is appended to the file
// (synced to the disk before the next scan, so every row keeps its place
// whatever ends the program) once the file holds the rows before it;
// otherwise (the first row, after a write that failed, when the base name
// changed, or when the file has gone, its folder perhaps with it) the file
// is written whole, so it never lacks its header line or an earlier row. A
// file this series wrote under another name is removed, so no stale part of
// it stays behind.
class TimeStampLog {
public:
    // A new series: none of its rows is in any file yet.
    void Start();

    // A row to add, the times counting from firstTick. allRows gives every
    // row so far, this one last, for a whole write. False with the reason.
    bool AddRow(const std::string& path, const TimeStampRow& row, std::uint32_t firstTick,
                const std::function<std::vector<TimeStampRow>()>& allRows, std::string* reason);

    // The whole file at path (the series' end). False with the reason.
    bool WriteWhole(const std::string& path, const std::vector<TimeStampRow>& rows, std::uint32_t firstTick,
                    std::string* reason);

private:
    std::string path_;            // the file this series' rows went to
    bool holdsEveryRow_ = false;  // it holds every row so far, for certain
};

}  // namespace vexlar::timed
