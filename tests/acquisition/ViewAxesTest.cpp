// The x axes on the chart: the selected channel's calibration, the Raman
// shift from the laser line, and the axis the operator chooses.

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "Xrt.h"
#include "calibration/Axes.h"
#include "support/ViewFixture.h"

using namespace vexlar;
using namespace vexlar::test;

namespace {

struct ShownAxis {
    double xMin = 0, xMax = 0, yMin = 0, yMax = 0;
    std::string title;
    double firstX = 0, lastX = 0;
};

ShownAxis Shown(XrtHandle chart)
{
    const Scale scale = ScaleOf(chart);
    ShownAxis a;
    a.xMin = scale.xMin;
    a.xMax = scale.xMax;
    a.yMin = scale.yMin;
    a.yMax = scale.yMax;
    a.title = scale.xTitle;
    a.firstX = ShownX(chart, 0);
    a.lastX = ShownX(chart, kPixels - 1);
    return a;
}

// The Raman shift of a pixel of the default calibration for a laser line
// held, as the program holds it, in single precision.
double DefaultShift(int pixel, float laserNm)
{
    const double wavelength = calibration::PixelWavelength(calibration::Coefficients{}, pixel);
    return static_cast<double>(calibration::LaserWavenumber(laserNm)) - 1.0 / (wavelength * 1e-7);
}

using ViewAxes = ViewFixture;

}  // namespace

TEST_F(ViewAxes, ChoosingAChannelShowsItsAxisAndClearsTheSpectrum)
{
    Setting("Slave2", "Intercept", "500.0");
    Setting("Slave2", "First", "0.1");
    Setting("Slave2", "Second", "0.0");
    CreateView();
    Scan(0, 77.0f);
    view->instrument().SelectChannel(2);
    EXPECT_TRUE(ShowsEverywhere(0.0));
    const ShownAxis a = Shown(chart());
    EXPECT_EQ(a.xMin, 500.0);
    EXPECT_EQ(a.xMax, 500.0 + static_cast<double>(0.1f) * 2047);
    EXPECT_EQ(a.firstX, 500.0);
    EXPECT_EQ(a.yMax, 4100.0);
    // The channel-enable entries stay as they were at start.
    EXPECT_EQ(app.driverParams.channelEnable[0], 1);
    EXPECT_EQ(app.driverParams.channelEnable[2], 0);

    // Indexes outside the eight channels change nothing.
    view->instrument().SelectChannel(-1);
    view->instrument().SelectChannel(8);
    EXPECT_EQ(Shown(chart()).lastX, a.lastX);
    driver().ClearCalls();
    driver().Fill(2, 5.0f);
    driver().Post(WM_SCAN_COMPLETE, 2);
    Deliver();
    EXPECT_TRUE(ShowsEverywhere(5.0)) << "channel 2's scans are shown";
    EXPECT_EQ(driver().CallsNamed("QDV_BufferEmpty").at(0).argument, 2);
}

TEST_F(ViewAxes, SwitchingToRamanShiftKeepsTheSpectrumAndStartsTheAxisAtZero)
{
    CreateView();
    Scan(0, 300.0f);
    ASSERT_FALSE(ScanRefreshesAnnotations(300.0f));
    view->instrument().SetXAxisMode(1);
    EXPECT_EQ(ShownY(10), 300.0);
    const ShownAxis a = Shown(chart());
    EXPECT_EQ(a.xMin, 0.0);
    EXPECT_EQ(a.xMax, DefaultShift(2047, 632.8f));
    EXPECT_EQ(a.yMin, 0.0);
    EXPECT_EQ(a.yMax, 4100.0);
    EXPECT_EQ(a.title, "Raman Shift (cm-1)");
    EXPECT_EQ(a.firstX, DefaultShift(0, 632.8f));
    EXPECT_TRUE(ScanRefreshesAnnotations(300.0f));

    view->instrument().SetXAxisMode(2);
    view->instrument().SetXAxisMode(-1);
    EXPECT_EQ(Shown(chart()).title, "Raman Shift (cm-1)");
    view->instrument().SetXAxisMode(0);
    EXPECT_EQ(Shown(chart()).title, "Wavelength (nm)");
}

TEST_F(ViewAxes, ANewLaserLineMovesTheRamanAxisButNotTheWavelengthChart)
{
    CreateView();
    const ShownAxis before = Shown(chart());
    ASSERT_EQ(view->instrument().SetLaserWavelength("532 nm"), "");
    const ShownAxis after = Shown(chart());
    EXPECT_EQ(after.xMax, before.xMax);
    EXPECT_EQ(after.lastX, before.lastX);

    // The shifts come from the new line, its wavenumber held in single
    // precision.
    view->instrument().SetXAxisMode(1);
    EXPECT_EQ(ShownX(1000), static_cast<double>(static_cast<float>(1.0 / (532.0 * 1e-7))) -
                                1.0 / (calibration::PixelWavelength(calibration::Coefficients{}, 1000) * 1e-7));
    EXPECT_NE(ShownX(1000), DefaultShift(1000, 632.8f));
    ASSERT_EQ(view->instrument().SetLaserWavelength("785"), "");
    EXPECT_EQ(Shown(chart()).xMax, DefaultShift(2047, 785.0f));
    EXPECT_EQ(Shown(chart()).lastX, DefaultShift(2047, 785.0f));
}

TEST_F(ViewAxes, UnusableLaserWavelengthsAreRefusedAndChangeNothing)
{
    CreateView();
    view->instrument().SetXAxisMode(1);
    const double shift = ShownX(1500);
    ASSERT_EQ(shift, DefaultShift(1500, 632.8f));
    for (const char* text : {"0", "-632.8", "abc", "", "1e999", "1e-320"}) {
        EXPECT_NE(view->instrument().SetLaserWavelength(text), "") << text;
        EXPECT_EQ(ShownX(1500), shift) << text;
    }
    const ShownAxis a = Shown(chart());
    EXPECT_TRUE(std::isfinite(a.xMax));
    EXPECT_EQ(a.xMax, DefaultShift(2047, 632.8f));
}
