#pragma once
// The spectrum every benchmark works on, and the peers read from a file: 2048
// pixels against the wavelengths of the default calibration, a sloping
// background below the default peak threshold, gentle detector noise and
// twenty bands of a few pixels' width well inside the detector.

#include <cstdint>
#include <string>

namespace vexlar::bench {

constexpr int kPoints = 2048;
constexpr int kBands = 20;

// Wavelength of each pixel under the default calibration, as the view
// computes its axis.
void DefaultWavelengths(double* x);

// The spectrum; phase moves the noise from scan to scan, the bands stay.
void TestSpectrum(double* y, int phase = 0);
void TestSpectrum(float* y, int phase = 0);

// Writes x and y as "x<TAB>y" lines with 17 significant digits, for the
// peers; false when the file cannot be written.
bool WriteSpectrumFile(const std::string& path, const double* x, const double* y);

}  // namespace vexlar::bench
