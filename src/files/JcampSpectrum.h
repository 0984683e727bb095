#pragma once
// The JCAMP-DX 5.01 form of a spectrum (File > Export As...), the IUPAC
// exchange format that spectral databases and other instrument programs
// read: printable ASCII with CR LF line ends, the required header records,
// the spectrum's metadata in user-defined "##$" records (JCAMP-DX has no
// record of its own for a Raman laser line, so it is "##$LASER WAVELENGTH
// NM"), and the points as ##XYPOINTS=(XY..XY), one "x, y" pair a line in
// their shortest exact form, because the x values of a detector's pixels
// are not evenly spaced. ##XUNITS is 1/CM on the Raman axis and
// NANOMETERS on the wavelength axis; in Raman-shift mode only the pixels of
// positive shift are written, as the export does.

#include <string>
#include <vector>

#include "files/SpectrumMetadata.h"

namespace vexlar::files {

// The points a JCAMP-DX file of the spectrum holds: every pixel with a
// finite x and y (JCAMP-DX has no text for anything else), of positive x
// only on the Raman axis.
int JcampPointCount(int xAxisMode, const double* x, const double* y, int pixels);

// The whole file. title names the spectrum (##TITLE); x is the axis on
// display (facts.xAxisMode). Text that JCAMP-DX cannot carry (characters
// outside printable ASCII, "$$" that would start a comment) is shown as '?'.
std::string FormatJcampSpectrum(const std::string& title, const SpectrumFacts& facts,
                                const std::vector<MetadataEntry>& entries, const double* x, const double* y,
                                int pixels);

}  // namespace vexlar::files
