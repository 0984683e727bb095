#pragma once
// The CSV form of a spectrum (File > Export As...): RFC 4180 text in UTF-8
// with CR LF line ends. A block of "#" lines says what a reader needs to
// reproduce the measurement, then a heading row names the columns, then one
// row per pixel: the pixel, its wavelength (nm), its Raman shift (cm-1) and
// the intensity, each number in its shortest exact form.
//
//   Python:  rows = [r for r in csv.reader(f) if r and not r[0].startswith("#")]
//   numpy:   numpy.loadtxt(path, delimiter=",", comments="#", skiprows=<lines up to the heading>)
//   pandas:  pandas.read_csv(path, comment="#")

#include <string>
#include <vector>

#include "files/SpectrumMetadata.h"

namespace vexlar::files {

inline constexpr char kCsvLineEnd[] = "\r\n";

// The columns of the table; a null array is a column that is not known and
// is left out (with its heading).
struct SpectrumColumns {
    const double* wavelength = nullptr;
    const double* ramanShift = nullptr;
    const double* intensity = nullptr;
    int pixels = 0;
};

// "# <title>" and then "# <name>: <value>" for each entry. Control
// characters in a value (a line break in a file name) and a quote just after
// a comma are shown as '?', so every comment stays one line for a CSV reader.
void AppendCsvComments(std::string& text, const std::string& title, const std::vector<MetadataEntry>& entries);

// Appends one field of a row as RFC 4180 has it: as it stands, or in double
// quotes (with its quotes doubled) when it holds a comma, a quote or a line
// break.
void AppendCsvField(std::string& text, const std::string& field);

// The whole file.
std::string FormatCsvSpectrum(const std::vector<MetadataEntry>& entries, const SpectrumColumns& columns);

}  // namespace vexlar::files
