#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "calibration/Axes.h"

using namespace vexlar::calibration;

namespace {

struct AxisArrays {
    std::vector<double> wavelength = std::vector<double>(kPixels, -1.0);
    std::vector<double> wavenumber = std::vector<double>(kPixels, -1.0);
    std::vector<double> spectrum = std::vector<double>(kPixels, 123.0);
    std::vector<double> ramanShift = std::vector<double>(kPixels, -1.0);

    void Rebuild(const Coefficients& c, float laser)
    {
        RebuildAxes(c, laser, wavelength.data(), wavenumber.data(), spectrum.data(), ramanShift.data());
    }
};

}  // namespace

TEST(Axes, DefaultCalibrationGivesTheInstrumentsWavelengthsExactly)
{
    AxisArrays a;
    a.Rebuild(Coefficients{}, LaserWavenumber(632.8));

    EXPECT_EQ(a.wavelength[0], 350.0);
    // The second-order coefficient is the single-precision 5e-5, widened.
    const double a2 = static_cast<double>(5e-5f);
    EXPECT_EQ(a.wavelength[1], a2 + 0.5 + 350.0);
    EXPECT_NEAR(a.wavelength[1], 350.50005, 1e-9);
    EXPECT_EQ(a.wavelength[2047], 0.0 * 2047.0 * 2047.0 * 2047.0 + a2 * 2047.0 * 2047.0 + 0.5 * 2047.0 + 350.0);
    for (int i = 0; i < kPixels; ++i) {
        ASSERT_EQ(a.wavenumber[i], 1.0 / (a.wavelength[i] * 1e-7)) << i;
        ASSERT_EQ(a.spectrum[i], 0.0) << "the rebuild clears the spectrum at pixel " << i;
    }
}

TEST(Axes, RamanShiftTurnsPositiveAtPixel537ForTheHeliumNeonLine)
{
    AxisArrays a;
    const float laser = LaserWavenumber(632.8);
    EXPECT_EQ(laser, static_cast<float>(1e7 / 632.8));
    a.Rebuild(Coefficients{}, laser);

    EXPECT_EQ(a.ramanShift[0], static_cast<double>(laser) - 1e7 / 350.0);
    EXPECT_LT(a.ramanShift[0], 0.0);
    EXPECT_LT(a.ramanShift[536], 0.0);
    EXPECT_GT(a.ramanShift[537], 0.0);
    EXPECT_NEAR(a.ramanShift[537], 2.96, 0.01);
    EXPECT_GT(a.ramanShift[2047], 0.0);

    const XRange raman = RamanAxisRange(a.ramanShift.data());
    EXPECT_EQ(raman.minimum, 0.0);
    EXPECT_EQ(raman.maximum, a.ramanShift[2047]);
    const XRange wl = WavelengthAxisRange(a.wavelength.data());
    EXPECT_EQ(wl.minimum, 350.0);
    EXPECT_EQ(wl.maximum, a.wavelength[2047]);
}

TEST(Axes, CubicTermAndNewLaserLine)
{
    Coefficients c;
    c.intercept = 500.0f;
    c.first = 0.1f;
    c.second = 0.0f;
    c.third = 1e-9f;
    EXPECT_EQ(PixelWavelength(c, 1000), static_cast<double>(1e-9f) * 1e9 + static_cast<double>(0.1f) * 1000 + 500.0);

    AxisArrays a;
    a.Rebuild(c, LaserWavenumber(632.8));
    const float green = LaserWavenumber(532.0);
    std::vector<double> shifts(kPixels);
    ComputeRamanShift(green, a.wavenumber.data(), shifts.data());
    for (int i = 0; i < kPixels; i += 97)
        EXPECT_EQ(shifts[i], static_cast<double>(green) - a.wavenumber[i]);
}

TEST(Axes, UnusableLaserWavelengthsAndNonFiniteAxesNeverReachTheScale)
{
    EXPECT_TRUE(IsUsableLaserWavelength(632.8));
    EXPECT_FALSE(IsUsableLaserWavelength(0.0));
    EXPECT_FALSE(IsUsableLaserWavelength(-532.0));
    EXPECT_FALSE(IsUsableLaserWavelength(std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(IsUsableLaserWavelength(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(IsUsableLaserWavelength(1e-320));  // its wavenumber overflows
    // Held in single precision: a wavenumber beyond the largest float
    // (1e-35 nm gives 1e42 cm-1), a wavelength beyond it, one that becomes 0.
    EXPECT_FALSE(IsUsableLaserWavelength(1e-35));
    EXPECT_FALSE(IsUsableLaserWavelength(1e39));
    EXPECT_FALSE(IsUsableLaserWavelength(1e-46));
    EXPECT_TRUE(IsUsableLaserWavelength(1e-31));  // 1e38 cm-1 still fits

    // A calibration that is zero at the last pixel: 2047 - i.
    Coefficients c;
    c.intercept = 2047.0f;
    c.first = -1.0f;
    c.second = 0.0f;
    AxisArrays a;
    a.Rebuild(c, LaserWavenumber(632.8));
    EXPECT_TRUE(std::isinf(a.wavenumber[2047]));
    const XRange raman = RamanAxisRange(a.ramanShift.data());
    EXPECT_TRUE(std::isfinite(raman.maximum));
    EXPECT_EQ(raman.maximum, a.ramanShift[2046]);
    const XRange wl = WavelengthAxisRange(a.wavelength.data());
    EXPECT_EQ(wl.minimum, 2047.0);
    EXPECT_EQ(wl.maximum, 0.0);
}
