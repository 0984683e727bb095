#include "calibration/Axes.h"

#include <cmath>

namespace vexlar::calibration {

double PixelWavelength(const Coefficients& c, int pixel)
{
    const double i = pixel;
    const double a3 = c.third;
    const double a2 = c.second;
    const double a1 = c.first;
    const double a0 = c.intercept;
    return a3 * i * i * i + a2 * i * i + a1 * i + a0;
}

float LaserWavenumber(double laserWavelengthNm)
{
    return static_cast<float>(1.0 / (laserWavelengthNm * 1e-7));
}

bool IsUsableLaserWavelength(double laserWavelengthNm)
{
    if (!std::isfinite(laserWavelengthNm) || laserWavelengthNm <= 0.0)
        return false;
    // Both are kept in single precision: the wavelength itself and the
    // wavenumber every Raman shift is taken from.
    const float stored = static_cast<float>(laserWavelengthNm);
    return std::isfinite(stored) && stored > 0.0f && std::isfinite(LaserWavenumber(laserWavelengthNm)) &&
           std::isfinite(LaserWavenumber(stored));
}

void RebuildAxes(const Coefficients& c, float laserWavenumber, double* wavelength, double* wavenumber, double* spectrum,
                 double* ramanShift)
{
    const double laser = laserWavenumber;
    for (int i = 0; i < kPixels; ++i) {
        wavelength[i] = PixelWavelength(c, i);
        wavenumber[i] = 1.0 / (wavelength[i] * 1e-7);
        spectrum[i] = 0.0;
        ramanShift[i] = laser - wavenumber[i];
    }
}

void ComputeRamanShift(float laserWavenumber, const double* wavenumber, double* ramanShift)
{
    const double laser = laserWavenumber;
    for (int i = 0; i < kPixels; ++i)
        ramanShift[i] = laser - wavenumber[i];
}

namespace {

// The value at index, or the nearest finite one walking inwards from it;
// fallback when the whole axis is unusable.
double NearestFinite(const double* axis, int index, int step, double fallback)
{
    for (int i = index; i >= 0 && i < kPixels; i += step) {
        if (std::isfinite(axis[i]))
            return axis[i];
    }
    return fallback;
}

}  // namespace

XRange WavelengthAxisRange(const double* wavelength)
{
    return {NearestFinite(wavelength, 0, +1, 0.0), NearestFinite(wavelength, kPixels - 1, -1, 1.0)};
}

XRange RamanAxisRange(const double* ramanShift)
{
    return {0.0, NearestFinite(ramanShift, kPixels - 1, -1, 1.0)};
}

}  // namespace vexlar::calibration
