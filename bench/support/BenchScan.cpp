#include "BenchScan.h"

#include <cmath>
#include <cstdio>

#include "calibration/Axes.h"

namespace vexlar::bench {

namespace {

constexpr double kBackgroundStart = 40.0;  // counts at pixel 0
constexpr double kBackgroundRise = 30.0;   // counts more at the last pixel
constexpr double kNoiseAmplitude = 3.0;    // counts, either way
constexpr int kFirstBandPixel = 80;
constexpr int kBandSpacing = 100;
constexpr double kSmallestBand = 800.0;  // counts above the background
constexpr double kLaserWavelengthNm = 632.8;

// A repeatable value in [-1, 1] for a pixel and a phase.
double Noise(int pixel, int phase)
{
    std::uint32_t h = static_cast<std::uint32_t>(pixel) * 2654435761u + static_cast<std::uint32_t>(phase) * 40503u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return static_cast<double>(h & 0xffffu) / 32767.5 - 1.0;
}

double Value(int i, int phase)
{
    double y = kBackgroundStart + kBackgroundRise * i / (kPoints - 1) + kNoiseAmplitude * Noise(i, phase);
    for (int k = 0; k < kBands; ++k) {
        const int centre = kFirstBandPixel + kBandSpacing * k + (k * 37) % 23;
        const double height = kSmallestBand + (k * 611) % 2600;
        const double sigma = 2.5 + 0.5 * (k % 4);
        const double d = (i - centre) / sigma;
        if (std::abs(d) < 12.0)
            y += height * std::exp(-0.5 * d * d);
    }
    return y;
}

}  // namespace

void DefaultWavelengths(double* x)
{
    double wavenumber[kPoints];
    double spectrum[kPoints];
    double shift[kPoints];
    const calibration::Coefficients defaults;
    calibration::RebuildAxes(defaults, calibration::LaserWavenumber(kLaserWavelengthNm), x, wavenumber, spectrum,
                             shift);
}

void TestSpectrum(double* y, int phase)
{
    for (int i = 0; i < kPoints; ++i)
        y[i] = Value(i, phase);
}

void TestSpectrum(float* y, int phase)
{
    for (int i = 0; i < kPoints; ++i)
        y[i] = static_cast<float>(Value(i, phase));
}

bool WriteSpectrumFile(const std::string& path, const double* x, const double* y)
{
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f)
        return false;
    bool ok = true;
    for (int i = 0; i < kPoints && ok; ++i)
        ok = std::fprintf(f, "%.17g\t%.17g\n", x[i], y[i]) > 0;
    return std::fclose(f) == 0 && ok;
}

}  // namespace vexlar::bench
