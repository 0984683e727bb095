#pragma once
// The names of the files a time-acquisition series writes: one file per
// saved scan, the base name followed by the scan number and the extension of
// the chosen format, and one time-stamp file per series.

#include <string>
#include <string_view>

namespace vexlar::timed {

// FileFormat values that write a file.
constexpr unsigned kSpectrumFileFormat = 0;  // the chart library's data file, ".ram"
constexpr unsigned kExportFileFormat = 1;    // the export layout, ".exp"

// True when scans of this format are written to files; any other format
// value gives names without an extension and writes nothing.
bool FormatWritesFile(unsigned fileFormat);

// base + ".%05u" of the scan number + ".ram" (format 0), ".exp" (format 1)
// or nothing (any other format): run, 7, 0 give "run.00007.ram". A base that
// already has an extension keeps it ("run.txt.00001.ram").
std::string SeriesFileName(std::string_view base, unsigned scan, unsigned fileFormat);

// base + ".TimeStamps".
std::string TimeStampFileName(std::string_view base);

}  // namespace vexlar::timed
