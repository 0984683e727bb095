#pragma once
// The chart library's data file: one series of x-y points as text.
//
//   # Vexlar chart data file, version 1
//   # One series of points: x<TAB>y per line; lines starting with # are comments.
//   # points: 2048
//   350<TAB>0
//   350.50005000000002<TAB>17.25
//   ...
//
// Every line before the points is a '#' comment, so numpy's loadtxt and
// spreadsheets read the file as two tab-separated columns. Numbers are written
// with 17 significant digits, enough for every double to read back identical,
// and are written and read the same whatever the locale.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vexlar::xrt {

inline constexpr std::string_view kDataFileFormatLine = "# Vexlar chart data file, version ";
inline constexpr int kDataFileVersion = 1;
inline constexpr std::string_view kDataFilePointsKey = "points:";
inline constexpr std::size_t kDataFileMaxLineLength = 1024;  // characters, line end not counted
inline constexpr int kDataFileMaxPoints = 1'000'000;
inline constexpr std::size_t kDataFileMaxBytes = 64u << 20;

// The whole text of a data file for points x[i], y[i]. Only finite values
// read back, so the caller checks them first (FirstNonFinitePoint).
std::string FormatDataFile(const double* x, const double* y, int points);

// Index of the first point whose x or y is not finite; -1 when all are.
int FirstNonFinitePoint(const double* x, const double* y, int points);

struct DataFileContents {
    std::vector<double> x;
    std::vector<double> y;
};

// Reads a data file's text. A UTF-8 byte-order mark before the first line
// and blank lines after the last are harmless and skipped. False, with the
// reason and the line it was found on, for anything that is not exactly a
// data file: a missing or other header, a missing or bad point count, a line
// that is not two finite numbers separated by a tab, a line over the length
// limit, lines that end in a CR alone, fewer or more points than the count
// says, or a last line without its line end (a file cut short).
bool ParseDataFile(std::string_view text, DataFileContents* contents, std::string* error);

// The same check for one number: the whole of text is a finite decimal number.
bool ParseFiniteDouble(std::string_view text, double* value);

// Writes the data file of points x[i], y[i] at path, replaced whole (a
// failed write leaves any earlier file as it was). False, with the reason,
// for a point that is not finite or a file that cannot be written.
bool WriteDataFileAt(const std::string& path, const double* x, const double* y, int points, std::string* reason);

// Reads the data file at path, never waiting on something that is not a
// file. False, with the reason (naming the file), when it cannot be read or
// is not a data file.
bool ReadDataFileAt(const std::string& path, DataFileContents* contents, std::string* reason);

}  // namespace vexlar::xrt
