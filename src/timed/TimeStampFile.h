#pragma once
// The time-stamp file of a time-acquisition series: a header line, then one
// row per saved scan with the scan's file name and its time in seconds after
// the first saved scan. Text with CR LF line ends.

#include <cstdint>
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
// its file name, a tab and its time after the first row's with two
// decimals ("%s\t%.2f", whatever the operator's language). The first row
// therefore always reads 0.00. Every line ends in CR LF.
std::string TimeStampFileText(const std::vector<TimeStampRow>& rows);

}  // namespace vexlar::timed
