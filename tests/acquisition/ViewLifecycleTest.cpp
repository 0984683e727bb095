#include <cstddef>
#include <stdexcept>

#include "Xrt.h"
#include "display/AnnotationDlg.h"
#include "display/Chart2D.h"
#include "support/DialogOperator.h"
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

using ViewLifecycle = ViewFixture;

}  // namespace

TEST_F(ViewLifecycle, CreationFillsTheBlockRegistersAndStartsAcquiring)
{
    CreateView();

    EXPECT_EQ(NamesOf(creationCalls),
              (Names{"QDV_V7400StrobeEnable", "QDV_Register", "QDV_ParamSet", "QDV_SingleScan"}));
    EXPECT_EQ(creationCalls.at(0).argument, 0) << "the laser is switched off at construction";

    const DriverCall reg = First(creationCalls, "QDV_Register");
    const DriverParams& b = reg.block;
    EXPECT_EQ(b.size, sizeof(DriverParams));
    EXPECT_EQ(b.window, static_cast<void*>(static_cast<QObject*>(&view->instrument())));
    EXPECT_EQ(b.hinst, app.hinst);
    for (int ch = 0; ch < kChannels; ++ch) {
        ASSERT_NE(b.buffer[ch], nullptr) << ch;
        for (int other = 0; other < ch; ++other)
            EXPECT_NE(b.buffer[ch], b.buffer[other]) << "each channel has a buffer of its own";
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

    // Nothing undefined is ever displayed: the buffers start at zero.
    for (int ch = 0; ch < kChannels; ++ch)
        for (int i = 0; i < kPixels; i += 511)
            EXPECT_EQ(b.buffer[ch][i], 0.0f);

    // Acquisition runs: the scan asked for is shown, out of the buffer of
    // the selected channel given to the driver.
    b.buffer[0][7] = 12.5f;
    driver().Post(WM_SCAN_COMPLETE, 0);
    Deliver();
    EXPECT_EQ(ShownY(7), 12.5);
    EXPECT_EQ(ShownY(8), 0.0);
}

TEST_F(ViewLifecycle, FailedRegistrationIsReportedWithTheSignedStatusAndSetUpGoesOn)
{
    driver().registerStatus = -5;
    CreateView();
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text, "Registered Failed\nFunction returned -5");
    EXPECT_EQ(messages.messages()[0].title, "Vexlar Error");
    EXPECT_EQ(NamesOf(creationCalls),
              (Names{"QDV_V7400StrobeEnable", "QDV_Register", "QDV_ParamSet", "QDV_SingleScan"}));
}

TEST_F(ViewLifecycle, RightAfterStartTheChartShowsAFlatZeroLineOverTheWholeWavelengthRange)
{
    CreateView();
    const XrtHandle c = view->chart();
    ASSERT_NE(c, 0u);
    XrtHandle shown = 0;
    ASSERT_TRUE(XrtGetValues(c, XRT_DATA, &shown));
    EXPECT_NE(shown, 0u);
    int points = 0;
    XrtDataGetPointCount(shown, &points);
    EXPECT_EQ(points, kPixels);

    double xMin = -1, xMax = -1, yMin = -1, yMax = -1, boundMin = -1, boundMax = -1;
    XrtGetValues(c, XRT_X_MIN, &xMin);
    XrtGetValues(c, XRT_X_MAX, &xMax);
    XrtGetValues(c, XRT_Y_MIN, &yMin);
    XrtGetValues(c, XRT_Y_MAX, &yMax);
    XrtGetValues(c, XRT_X_BOUND_MIN, &boundMin);
    XrtGetValues(c, XRT_X_BOUND_MAX, &boundMax);
    const calibration::Coefficients defaults;
    EXPECT_EQ(xMin, 350.0);
    EXPECT_EQ(xMax, calibration::PixelWavelength(defaults, 2047));
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
        EXPECT_EQ(ShownX(i), calibration::PixelWavelength(defaults, i));
        EXPECT_EQ(ShownY(i), 0.0);
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
    const std::vector<TextSeen> labels = PeakLabels(c);
    ASSERT_EQ(labels.size(), static_cast<std::size_t>(kPeakSlots));
    for (const TextSeen& label : labels) {
        ASSERT_FALSE(label.shown);
        ASSERT_EQ(label.font.escapement, 900);
        ASSERT_EQ(label.font.height, 14);
    }
    const std::vector<TextSeen> notes = AnnotationAreas(c);
    ASSERT_EQ(notes.size(), static_cast<std::size_t>(kAnnotationSlots));
    for (const TextSeen& note : notes)
        ASSERT_FALSE(note.shown);
    EXPECT_EQ(TextAreas(c).size(), labels.size() + notes.size());

    // Every annotation slot is free and has its own Arial 16: a hundred
    // annotations fit, each drawn in it.
    int dialogs = 0;
    ScopedDialogOperator<CAnnotationDlg> op([&](CAnnotationDlg& d) {
        ++dialogs;
        d.accept();
    });
    for (int k = 0; k < kAnnotationSlots; ++k)
        view->annotations().OnAnnotateHere();
    EXPECT_EQ(dialogs, kAnnotationSlots);
    EXPECT_TRUE(messages.messages().empty()) << "no slot was taken";
    for (const TextSeen& note : AnnotationAreas(c)) {
        ASSERT_TRUE(note.shown);
        ASSERT_EQ(note.font.height, 16);
        ASSERT_EQ(note.font.faceName, "Arial");
    }
}

TEST_F(ViewLifecycle, TearDownSwitchesTheLaserOffBeforeReleasingTheDriver)
{
    CreateView();
    const XrtHandle c = view->chart();
    const XrtHandle data = ShownData(c);
    view.reset();

    EXPECT_EQ(driver().Names(), (Names{"QDV_V7400StrobeEnable", "QDV_Stop", "QDV_UnRegister"}));
    EXPECT_EQ(driver().calls[0].argument, 0);
    EXPECT_EQ(driver().calls[1].hinst, app.hinst);
    EXPECT_EQ(driver().calls[2].hinst, app.hinst);
    // The chart and the live data set are gone.
    int repaint = 0;
    EXPECT_FALSE(XrtGetValues(c, XRT_REPAINT, &repaint));
    int sets = 0;
    EXPECT_FALSE(XrtDataGetSetCount(data, &sets));
}

TEST_F(ViewLifecycle, ResizeFollowsTheViewAndAsksForAnnotationRefresh)
{
    CreateView();
    Scan(0, 1.0f);
    ASSERT_FALSE(ScanRefreshesAnnotations());
    view->resize(800, 500);
    int width = 0, height = 0;
    XrtGetValues(view->chart(), XRT_WIDTH, &width);
    XrtGetValues(view->chart(), XRT_HEIGHT, &height);
    EXPECT_EQ(width, 800);
    EXPECT_EQ(height, 500);
    EXPECT_EQ(view->chartWindow()->geometry(), QRect(0, 0, 800, 500));
    EXPECT_TRUE(ScanRefreshesAnnotations());
    EXPECT_FALSE(ScanRefreshesAnnotations()) << "once";

    // Before the chart window exists, a resize only asks for the refresh.
    CVexlarView bare;
    bare.show();
    bare.resize(300, 200);
    EXPECT_EQ(bare.chart(), 0u);
}
