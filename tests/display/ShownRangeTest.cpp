#include <gtest/gtest.h>

#include <vector>

#include "calibration/Axes.h"
#include "display/ShownRange.h"

using namespace vexlar::display;

namespace {

std::vector<double> DefaultWavelengths()
{
    std::vector<double> wl(kPixels), wn(kPixels), sp(kPixels), rs(kPixels);
    vexlar::calibration::RebuildAxes({}, vexlar::calibration::LaserWavenumber(632.8), wl.data(), wn.data(), sp.data(),
                                     rs.data());
    return wl;
}

}  // namespace

TEST(ShownRange, TheLastPixelIsNeverExaminedAndLoHiFollowTheScale)
{
    const std::vector<double> wl = DefaultWavelengths();
    // The default scale: from the first to the last pixel's wavelength.
    PixelRange r = ShownPixelRange(wl.data(), wl[0], wl[2047]);
    EXPECT_EQ(r.lo, 0);
    EXPECT_EQ(r.hi, 2046);
    EXPECT_EQ(CursorStartPixel(r), 1023);

    // A scale wholly left of the data, and one wholly right of it.
    r = ShownPixelRange(wl.data(), 100.0, 200.0);
    EXPECT_EQ(r.lo, 0);
    EXPECT_EQ(r.hi, 0);
    EXPECT_EQ(CursorStartPixel(r), 0);
    r = ShownPixelRange(wl.data(), 5000.0, 6000.0);
    EXPECT_EQ(r.lo, 2046);
    EXPECT_EQ(r.hi, 2046);
    EXPECT_EQ(CursorStartPixel(r), 2046);

    // A window inside: lo is the last pixel below the minimum.
    r = ShownPixelRange(wl.data(), wl[100], wl[200] + 1e-9);
    EXPECT_EQ(r.lo, 99);
    EXPECT_EQ(r.hi, 200);
}

TEST(ShownRange, AutoscaleStartsFrom4000AndZeroAndSkipsHi)
{
    std::vector<double> spectrum(kPixels, 5000.0);
    YRange y = AutoscaleYRange(spectrum.data(), {0, 2046});
    EXPECT_EQ(y.low, 4000.0);
    EXPECT_EQ(y.high, 5000.0);

    std::fill(spectrum.begin(), spectrum.end(), -20.0);
    y = AutoscaleYRange(spectrum.data(), {0, 2046});
    EXPECT_EQ(y.low, -20.0);
    EXPECT_EQ(y.high, 0.0);

    // No pixel in the range.
    y = AutoscaleYRange(spectrum.data(), {300, 300});
    EXPECT_EQ(y.low, 4000.0);
    EXPECT_EQ(y.high, 0.0);
    y = AutoscaleYRange(spectrum.data(), {301, 300});
    EXPECT_EQ(y.low, 4000.0);

    // Pixels lo .. hi - 1: a spike on hi itself is not looked at.
    std::fill(spectrum.begin(), spectrum.end(), 100.0);
    spectrum[10] = 50.0;
    spectrum[20] = 900.0;
    spectrum[30] = 3000.0;
    y = AutoscaleYRange(spectrum.data(), {10, 30});
    EXPECT_EQ(y.low, 50.0);
    EXPECT_EQ(y.high, 900.0);
}

TEST(ShownRange, CursorMovesWrapAtTheirEndAndStopAtTheOther)
{
    EXPECT_EQ(MoveCursor(0, CursorMove::Left1), 2047);
    EXPECT_EQ(MoveCursor(1, CursorMove::Left1), 0);
    EXPECT_EQ(MoveCursor(2047, CursorMove::Right1), 0);
    EXPECT_EQ(MoveCursor(2046, CursorMove::Right1), 2047);
    EXPECT_EQ(MoveCursor(0, CursorMove::Left25), 2047);
    EXPECT_EQ(MoveCursor(10, CursorMove::Left25), 0);
    EXPECT_EQ(MoveCursor(24, CursorMove::Left25), 0);
    EXPECT_EQ(MoveCursor(25, CursorMove::Left25), 0);
    EXPECT_EQ(MoveCursor(26, CursorMove::Left25), 1);
    EXPECT_EQ(MoveCursor(2030, CursorMove::Right25), 2047);
    EXPECT_EQ(MoveCursor(2023, CursorMove::Right25), 2047);
    EXPECT_EQ(MoveCursor(2022, CursorMove::Right25), 2047);
    EXPECT_EQ(MoveCursor(2021, CursorMove::Right25), 2046);
    EXPECT_EQ(MoveCursor(2047, CursorMove::Right25), 0);
    EXPECT_EQ(MoveCursor(1000, CursorMove::Right25), 1025);
}
