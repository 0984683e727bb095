#pragma once
// The x axes of the workspace: each detector pixel's wavelength from its
// channel's cubic calibration polynomial, the absolute wavenumber, and the
// Raman shift relative to the laser line.
//
// The arithmetic follows the instrument's conventions exactly: coefficients
// are held in single precision and widened, the polynomial is evaluated in
// double precision cubic term first, and the laser wavenumber is kept in
// single precision.

#include <cstddef>

namespace vexlar::calibration {

constexpr int kPixels = 2048;

// One channel's calibration: wavelength(i) = third·i³ + second·i² + first·i
// + intercept, in nm, for the integer pixel index i (the first pixel is 0).
struct Coefficients {
    float intercept = 350.0f;
    float first = 0.5f;
    float second = 5e-5f;
    float third = 0.0f;
};

// Wavelength of pixel i in nm.
double PixelWavelength(const Coefficients& c, int pixel);

// 1 / (wavelength × 1e-7) in cm-1, computed in double and stored as float.
float LaserWavenumber(double laserWavelengthNm);

// True for a laser wavelength the axes can use: finite and above zero, and
// so are the wavelength and its wavenumber once held in single precision
// (1e-35 nm is a float, but its 1e42 cm-1 is not). Anything else would make
// every Raman shift infinite or meaningless.
bool IsUsableLaserWavelength(double laserWavelengthNm);

// The axis rebuild, one pass over the pixels in increasing order: wavelength,
// wavenumber, spectrum cleared to 0, Raman shift.
void RebuildAxes(const Coefficients& c, float laserWavenumber, double* wavelength, double* wavenumber, double* spectrum,
                 double* ramanShift);

// Raman shifts for a new laser line from the stored wavenumbers.
void ComputeRamanShift(float laserWavenumber, const double* wavenumber, double* ramanShift);

// The shown x range of an axis: the first and last pixel's wavelength in
// wavelength mode, 0 to the last pixel's shift in Raman-shift mode. A value
// that is not finite (a calibration that reaches a zero wavelength) is
// replaced by the nearest finite value of the axis, so no infinity reaches
// the chart's scale.
struct XRange {
    double minimum;
    double maximum;
};
XRange WavelengthAxisRange(const double* wavelength);
XRange RamanAxisRange(const double* ramanShift);

}  // namespace vexlar::calibration
