#pragma once
// The JCAMP-DX 5.01 form of a spectrum (File > Export As...), the IUPAC
// exchange format that spectral databases and other instrument programs
// read: printable ASCII with CR LF line ends, the required header records,
// the spectrum's metadata in user-defined "##$" records (JCAMP-DX has no
// record of its own for a Raman laser line, so it is "##$LASER WAVELENGTH
// NM"). ##XUNITS is 1/CM on the Raman axis and NANOMETERS on the wavelength
// axis; in Raman-shift mode only the pixels of positive shift are written,
// as the export does.
//
// The x values of a detector's pixels are not evenly spaced, and most
// readers read only the evenly spaced ##XYDATA. So the file is a compound
// file (##DATA TYPE=LINK, ##BLOCKS=2) of two blocks of the same spectrum:
//
// 1. ##XYDATA=(X++(Y..Y)): the spectrum resampled onto an even grid of the
//    axis shown, linear between neighbouring points. The grid step is the
//    coarsest of 1, 2 or 5 times a power of ten that is no coarser than the
//    finest spacing of the points (so no peak is thinned out), and the grid
//    lies within the points (nothing is extrapolated). The numbers are AFFN
//    integers: X in units of ##XFACTOR (the step's power of ten) and Y in
//    units of ##YFACTOR (the power of ten that keeps the largest |Y| within
//    32 bits, about nine significant digits), so a reader gets exactly
//    Y * YFACTOR; the written values are the resampled ones to within half
//    a YFACTOR. Plain AFFN needs no compression and so no Y-value check.
// 2. ##XYPOINTS=(XY..XY): the points as held, one "x, y" pair a line in
//    their shortest exact form, for readers that want the very values.
//
// ##CROSS REFERENCE in each block names the other; ##$RESAMPLED says how the
// first was made.

#include <string>
#include <vector>

#include "files/SpectrumMetadata.h"

namespace vexlar::files {

// The whole file; empty when the spectrum has fewer than two points of
// different x with a finite x and y (of positive x on the Raman axis), of
// which no even grid can be made. title names the spectrum (##TITLE); x is
// the axis on display (facts.xAxisMode); facts.owner is ##OWNER. Text that
// JCAMP-DX cannot carry (characters outside printable ASCII, "$$" that
// would start a comment) is shown as '?'.
std::string FormatJcampSpectrum(const std::string& title, const SpectrumFacts& facts,
                                const std::vector<MetadataEntry>& entries, const double* x, const double* y,
                                int pixels);

}  // namespace vexlar::files
