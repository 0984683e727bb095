#include <algorithm>
#include <limits>

#include "Xrt.h"
#include "support/ViewFixture.h"

using namespace vexlar;
using namespace vexlar::test;

namespace {

struct ShownAxis {
    double xMin = 0, xMax = 0, yMin = 0, yMax = 0;
    std::string title;
    double firstX = 0, lastX = 0;
};

ShownAxis Shown(const CVexlarView& view)
{
    ShownAxis a;
    const XrtHandle c = view.chart();
    XrtGetValues(c, XRT_X_MIN, &a.xMin);
    XrtGetValues(c, XRT_X_MAX, &a.xMax);
    XrtGetValues(c, XRT_Y_MIN, &a.yMin);
    XrtGetValues(c, XRT_Y_MAX, &a.yMax);
    XrtGetValues(c, XRT_X_TITLE, &a.title);
    XrtDataGetXElementIndirect(view.liveData, 0, 0, &a.firstX);
    XrtDataGetXElementIndirect(view.liveData, 0, kPixels - 1, &a.lastX);
    return a;
}

}  // namespace

TEST_F(ViewFixture, ChoosingAChannelShowsItsAxisAndClearsTheSpectrum)
{
    CreateView();
    view->calIntercept[2] = 500.0f;
    view->calFirst[2] = 0.1f;
    view->calSecond[2] = 0.0f;
    Scan(0, 77.0f);
    view->SelectChannel(2);
    EXPECT_EQ(view->channel, 2);
    EXPECT_TRUE(std::all_of(view->spectrum, view->spectrum + kPixels, [](double v) { return v == 0.0; }));
    const ShownAxis a = Shown(*view);
    EXPECT_EQ(a.xMin, 500.0);
    EXPECT_EQ(a.xMax, 500.0 + static_cast<double>(0.1f) * 2047);
    EXPECT_EQ(a.firstX, 500.0);
    EXPECT_EQ(a.yMax, 4100.0);
    // The channel-enable entries stay as they were at start.
    EXPECT_EQ(app.driverParams.channelEnable[0], 1);
    EXPECT_EQ(app.driverParams.channelEnable[2], 0);

    // Indexes outside the eight channels change nothing.
    view->SelectChannel(-1);
    view->SelectChannel(8);
    EXPECT_EQ(view->channel, 2);
}

TEST_F(ViewFixture, SwitchingToRamanShiftKeepsTheSpectrumAndStartsTheAxisAtZero)
{
    CreateView();
    Scan(0, 300.0f);
    view->SetXAxisMode(1);
    EXPECT_EQ(view->xAxisMode, 1);
    EXPECT_EQ(view->spectrum[10], 300.0);
    const ShownAxis a = Shown(*view);
    EXPECT_EQ(a.xMin, 0.0);
    EXPECT_EQ(a.xMax, view->ramanShift[2047]);
    EXPECT_EQ(a.yMin, 0.0);
    EXPECT_EQ(a.yMax, 4100.0);
    EXPECT_EQ(a.title, "Raman Shift (cm-1)");
    EXPECT_EQ(a.firstX, view->ramanShift[0]);
    EXPECT_EQ(view->annotationRefresh, 1);

    view->SetXAxisMode(2);
    view->SetXAxisMode(-1);
    EXPECT_EQ(view->xAxisMode, 1);
    view->SetXAxisMode(0);
    EXPECT_EQ(Shown(*view).title, "Wavelength (nm)");
}

TEST_F(ViewFixture, ANewLaserLineMovesTheRamanAxisButNotTheWavelengthChart)
{
    CreateView();
    const double oldShift = view->ramanShift[1000];
    const ShownAxis before = Shown(*view);
    ASSERT_TRUE(view->SetLaserWavelength("532 nm"));
    EXPECT_EQ(view->laserWavelength, 532.0f);
    EXPECT_EQ(view->laserWavenumber, static_cast<float>(1.0 / (532.0 * 1e-7)));
    EXPECT_NE(view->ramanShift[1000], oldShift);
    const ShownAxis after = Shown(*view);
    EXPECT_EQ(after.xMax, before.xMax);
    EXPECT_EQ(after.lastX, before.lastX);

    view->SetXAxisMode(1);
    ASSERT_TRUE(view->SetLaserWavelength("785"));
    EXPECT_EQ(Shown(*view).xMax, view->ramanShift[2047]);
    EXPECT_EQ(Shown(*view).lastX, view->ramanShift[2047]);
}

TEST_F(ViewFixture, UnusableLaserWavelengthsAreRefusedAndChangeNothing)
{
    CreateView();
    view->SetXAxisMode(1);
    const double shift = view->ramanShift[1500];
    for (const char* text : {"0", "-632.8", "abc", "", "1e999", "1e-320"}) {
        EXPECT_FALSE(view->SetLaserWavelength(text)) << text;
        EXPECT_EQ(view->laserWavelength, 632.8f) << text;
        EXPECT_EQ(view->ramanShift[1500], shift) << text;
    }
    EXPECT_FALSE(view->SetLaserWavelength(nullptr));
    const ShownAxis a = Shown(*view);
    EXPECT_TRUE(std::isfinite(a.xMax));
}
