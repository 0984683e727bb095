#include <cstddef>
#include <stdexcept>

#include "Xrt.h"
#include "display/Chart2D.h"
#include "support/ViewFixture.h"

using namespace vexlar;
using namespace vexlar::test;

namespace {

using Names = std::vector<std::string>;

Names NamesOf(const std::vector<DriverCall>& calls)
{
    Names names;
    for (const DriverCall& c : calls)
        names.push_back(c.name);
    return names;
}

const DriverCall& First(const std::vector<DriverCall>& calls, const std::string& name)
{
    for (const DriverCall& c : calls)
        if (c.name == name)
            return c;
    throw std::runtime_error("no call " + name);
}

}  // namespace

TEST_F(ViewFixture, CreationFillsTheBlockRegistersAndStartsAcquiring)
{
    CreateView();

    EXPECT_EQ(NamesOf(creationCalls), (Names{"QDV_V7400StrobeEnable", "QDV_Register", "QDV_ParamSet", "QDV_SingleScan"}));
    EXPECT_EQ(creationCalls.at(0).argument, 0) << "the laser is switched off at construction";

    const DriverCall reg = First(creationCalls, "QDV_Register");
    const DriverParams& b = reg.block;
    EXPECT_EQ(b.size, sizeof(DriverParams));
    EXPECT_EQ(b.window, static_cast<void*>(static_cast<QObject*>(view.get())));
    EXPECT_EQ(b.hinst, app.hinst);
    for (int ch = 0; ch < kChannels; ++ch) {
        EXPECT_EQ(b.buffer[ch], view->raw[ch]) << ch;
        EXPECT_EQ(b.channelEnable[ch], ch == 0 ? 1 : 0) << ch;
    }
    EXPECT_EQ(b.IntegrationTime, 100);
    EXPECT_EQ(b.Average, 1);
    EXPECT_EQ(b.Boxcar, 1);
    // The three flags are set only after registering...
    EXPECT_EQ(b.unnamed56, 0);
    EXPECT_EQ(b.changed, 0);
    // ...and are what the parameter set sees.
    const DriverParams& set = First(creationCalls, "QDV_ParamSet").block;
    EXPECT_EQ(set.unnamed56, 1);
    EXPECT_EQ(set.changed, 1);
    EXPECT_EQ(set.unnamed76, 0);
    EXPECT_EQ(First(creationCalls, "QDV_SingleScan").hinst, app.hinst);
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_EQ(view->scanning, 1);

    // Nothing undefined is ever displayed: the buffers start at zero.
    for (int ch = 0; ch < kChannels; ++ch)
        for (int i = 0; i < kPixels; i += 511)
            EXPECT_EQ(view->raw[ch][i], 0.0f);
}

TEST_F(ViewFixture, FailedRegistrationIsReportedWithTheSignedStatusAndSetUpGoesOn)
{
    driver().registerStatus = -5;
    CreateView();
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text, "Registered Failed\nFunction returned -5");
    EXPECT_EQ(messages.messages()[0].title, "Vexlar Error");
    EXPECT_EQ(NamesOf(creationCalls), (Names{"QDV_V7400StrobeEnable", "QDV_Register", "QDV_ParamSet", "QDV_SingleScan"}));
}

TEST_F(ViewFixture, RightAfterStartTheChartShowsAFlatZeroLineOverTheWholeWavelengthRange)
{
    CreateView();
    const XrtHandle c = view->chart();
    ASSERT_NE(c, 0u);
    XrtHandle shown = 0;
    ASSERT_TRUE(XrtGetValues(c, XRT_DATA, &shown));
    EXPECT_EQ(shown, view->liveData);

    double xMin = -1, xMax = -1, yMin = -1, yMax = -1, boundMin = -1, boundMax = -1;
    XrtGetValues(c, XRT_X_MIN, &xMin);
    XrtGetValues(c, XRT_X_MAX, &xMax);
    XrtGetValues(c, XRT_Y_MIN, &yMin);
    XrtGetValues(c, XRT_Y_MAX, &yMax);
    XrtGetValues(c, XRT_X_BOUND_MIN, &boundMin);
    XrtGetValues(c, XRT_X_BOUND_MAX, &boundMax);
    EXPECT_EQ(xMin, 350.0);
    EXPECT_EQ(xMax, view->wavelength[2047]);
    EXPECT_EQ(boundMin, xMin);
    EXPECT_EQ(boundMax, xMax);
    EXPECT_EQ(yMin, 0.0);
    EXPECT_EQ(yMax, 4100.0);
    std::string title;
    XrtGetValues(c, XRT_X_TITLE, &title);
    EXPECT_EQ(title, "Wavelength (nm)");
    XrtGetValues(c, XRT_Y_TITLE, &title);
    EXPECT_EQ(title, "Intensity");

    for (int i = 0; i < kPixels; i += 89) {
        double x = -1, y = -1;
        XrtDataGetXElementIndirect(view->liveData, 0, i, &x);
        XrtDataGetYElementIndirect(view->liveData, 0, i, &y);
        EXPECT_EQ(x, view->wavelength[i]);
        EXPECT_EQ(y, 0.0);
    }

    // The spectrum line is red, the cursor waits hidden on pixel 1000, and
    // no peak label or annotation is shown.
    XrtDataStyle style;
    ASSERT_TRUE(XrtGetNthDataStyle(c, 0, &style));
    EXPECT_EQ(style.words[2], 0x0000FFu);
    int cursor = -1, cursorShown = -1;
    XrtGetValues(c, XRT_CURSOR_POINT, &cursor);
    XrtGetValues(c, XRT_CURSOR_SHOWN, &cursorShown);
    EXPECT_EQ(cursor, 1000);
    EXPECT_EQ(cursorShown, 0);
    for (const PeakRecord& p : view->peaks) {
        int shownLabel = -1, attach = -1;
        XrtTextAreaGetValues(p.labelArea, XRT_TEXT_SHOWN, &shownLabel);
        XrtTextAreaGetValues(p.labelArea, XRT_TEXT_ATTACH, &attach);
        ASSERT_EQ(shownLabel, 0);
        ASSERT_EQ(attach, XRT_ATTACH_DATA_POINT);
        vexlar::sys::LogFont font;
        ASSERT_TRUE(XrtTextAreaGetFont(p.labelArea, &font));
        ASSERT_EQ(font.escapement, 900);
        ASSERT_EQ(font.height, 14);
    }
    for (const AnnotationRecord& a : view->annotations) {
        int shownText = -1;
        XrtTextAreaGetValues(a.textArea, XRT_TEXT_SHOWN, &shownText);
        ASSERT_EQ(shownText, 0);
        ASSERT_EQ(a.inUse, 0);
        vexlar::sys::LogFont font;
        ASSERT_TRUE(vexlar::sys::GetFontDescription(a.font, &font));
        ASSERT_EQ(font.height, 16);
        ASSERT_EQ(font.faceName, "Arial");
    }
}

TEST_F(ViewFixture, TearDownSwitchesTheLaserOffBeforeReleasingTheDriver)
{
    CreateView();
    const XrtHandle c = view->chart();
    const XrtHandle data = view->liveData;
    const vexlar::sys::FontHandle font = view->annotations[0].font;
    view.reset();

    EXPECT_EQ(driver().Names(), (Names{"QDV_V7400StrobeEnable", "QDV_Stop", "QDV_UnRegister"}));
    EXPECT_EQ(driver().calls[0].argument, 0);
    EXPECT_EQ(driver().calls[1].hinst, app.hinst);
    EXPECT_EQ(driver().calls[2].hinst, app.hinst);
    // The chart, the live data set and the slots' fonts are gone.
    int repaint = 0;
    EXPECT_FALSE(XrtGetValues(c, XRT_REPAINT, &repaint));
    int sets = 0;
    EXPECT_FALSE(XrtDataGetSetCount(data, &sets));
    vexlar::sys::LogFont description;
    EXPECT_FALSE(vexlar::sys::GetFontDescription(font, &description));
}

TEST_F(ViewFixture, ResizeFollowsTheViewAndAsksForAnnotationRefresh)
{
    CreateView();
    view->annotationRefresh = 0;
    view->resize(800, 500);
    int width = 0, height = 0;
    XrtGetValues(view->chart(), XRT_WIDTH, &width);
    XrtGetValues(view->chart(), XRT_HEIGHT, &height);
    EXPECT_EQ(width, 800);
    EXPECT_EQ(height, 500);
    EXPECT_EQ(view->chartWindow()->geometry(), QRect(0, 0, 800, 500));
    EXPECT_EQ(view->annotationRefresh, 1);

    // Before the chart window exists, a resize only asks for the refresh.
    CVexlarView bare;
    bare.show();
    bare.annotationRefresh = 0;
    bare.resize(300, 200);
    EXPECT_EQ(bare.annotationRefresh, 1);
}
