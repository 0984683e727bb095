#pragma once
// The peak search over the displayed spectrum: local maxima with monotone
// flanks of the operator's width, above the threshold and steeper than the
// slope. Plain arithmetic; the peak table is reached through a callback.

#include <functional>

#include "peaks/PeakCriteria.h"

namespace vexlar::peaks {

constexpr int kSpectrumPixels = 2048;
// The widest flank (5 pixels) stays inside the detector from these on.
constexpr int kFirstCandidatePixel = 5;
constexpr int kLastCandidatePixel = 2042;
constexpr int kMinimumWidth = 1;
constexpr int kMaximumWidth = 5;

// The first pixel searched. In wavelength mode (xAxisMode 0) pixel 5; in
// Raman-shift mode the first pixel below the last whose shift is 0 or more,
// so the anti-Stokes side of the laser line is skipped (the last pixel when
// there is none), and never below pixel 5.
int FirstCandidate(int xAxisMode, const double* ramanShift);

// Whether pixel i of spectrum passes the four tests: rising flank of width
// w (equal neighbours pass), falling flank of width w, strictly above the
// threshold, and the mean drop to the two immediate neighbours strictly
// above the slope. i must leave a flank of w pixels inside the spectrum on
// both sides.
bool IsPeak(const double* spectrum, int i, const PeakCriteria& criteria);

// Tests the candidates from first up to pixel 2042 in ascending order and
// hands each peak to addPeak at once, lowest first. A width outside 1 to 5
// finds nothing.
void SearchPeaks(const double* spectrum, int first, const PeakCriteria& criteria,
                 const std::function<void(int pixel)>& addPeak);

}  // namespace vexlar::peaks
