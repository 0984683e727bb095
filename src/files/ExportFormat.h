#pragma once
// The export file's text: one line per exported pixel, x and intensity each
// with two decimals, separated by a tab, ended by CR LF. No header, no
// summary. The numbers are written with a decimal point whatever the
// operator's language, so other programs read the file the same everywhere.

#include <string>

namespace vexlar::files {

inline constexpr char kExportLineEnd[] = "\r\n";
inline constexpr int kRamanShiftMode = 1;

// Appends value as "%.2f" does in the C locale ("87.60", "-3.10", "nan").
void AppendTwoDecimals(std::string& text, double value);

// The lines for pixels 0 .. pixels - 1 in increasing order: x[i], tab, y[i].
// With positiveXOnly only the pixels whose x is greater than 0.0 are written.
std::string FormatExportLines(const double* x, const double* y, int pixels, bool positiveXOnly);

// The whole export file for the spectrum as displayed: in Raman-shift mode
// (xAxisMode 1) against ramanShift, the pixels of positive shift only (the
// anti-Stokes side and the laser line itself are left out); in any other
// mode against wavelength, every pixel.
std::string FormatExportFile(int xAxisMode, const double* wavelength, const double* ramanShift, const double* spectrum,
                             int pixels);

}  // namespace vexlar::files
