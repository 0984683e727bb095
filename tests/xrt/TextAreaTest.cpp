// Text areas: geometry read back is that of the text as drawn, labels
// anchored at a data point follow it, turned fonts give tall boxes.

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include "ChartTestSupport.h"
#include "Font.h"
#include "Xrt.h"

namespace {

using namespace vexlar::test;
using vexlar::sys::CreateFont;
using vexlar::sys::DeleteFont;

constexpr int kPeakPixel = 1000;
constexpr int kGap = 4;  // between a point and the label above it

XrtHandle MakeText(XrtHandle chart, int height, int escapement, const char* const* lines)
{
    XrtHandle text = XrtTextAreaCreate(chart);
    auto font = CreateFont(height, 0, escapement, escapement, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    EXPECT_TRUE(XrtTextAreaSetValues(text, XRT_TEXT_FONT, font));
    DeleteFont(font);  // as the program does: the text area has its own copy
    EXPECT_TRUE(XrtTextAreaSetValues(text, XRT_TEXT_LINES, lines));
    return text;
}

XrtHandle MakePeakLabel(XrtHandle chart, int point, const char* const* lines)
{
    XrtHandle text = MakeText(chart, 14, 900, lines);
    EXPECT_TRUE(XrtTextAreaSetValues(text, XRT_TEXT_ATTACH, XRT_ATTACH_DATA_POINT));
    EXPECT_TRUE(XrtTextAreaSetValues(text, XRT_TEXT_PLACEMENT, XRT_PLACE_ABOVE));
    EXPECT_TRUE(XrtTextAreaSetValues(text, XRT_TEXT_DATA_SET, 0));
    EXPECT_TRUE(XrtTextAreaSetValues(text, XRT_TEXT_POINT, point));
    EXPECT_TRUE(XrtTextAreaSetValues(text, XRT_TEXT_SHOWN, 1));
    return text;
}

TEST(XrtTextArea, GeometryIsThatOfTheTextAsDrawnOnScreen)
{
    QWidget window;
    window.resize(kChartWidth, kChartHeight);
    window.show();
    // A flat line low down, so the text sits on plain paper.
    TestChart chart(std::vector<double>(kPoints, 100.0));
    ASSERT_TRUE(XrtAttachWindow(chart.chart, &window));

    const char* annotation[] = {"Sample 42: cyclohexane", "second line", nullptr};
    XrtHandle text = MakeText(chart.chart, 16, 0, annotation);
    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_REPAINT, 0));
    ASSERT_TRUE(XrtTextAreaSetValues(text, XRT_TEXT_ANCHOR_X, 450.0));
    ASSERT_TRUE(XrtTextAreaSetValues(text, XRT_TEXT_ANCHOR_Y, 3000.0));
    ASSERT_TRUE(XrtTextAreaSetValues(text, XRT_TEXT_SHOWN, 1));
    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_REPAINT, 1));
    const QRect box = TextGeometry(text);

    // Anchored by its top-left corner at the data point.
    EXPECT_EQ(box.topLeft(), PixelOf(chart.chart, 450.0, 3000.0));
    EXPECT_GT(box.width(), box.height() * 3);
    EXPECT_GE(box.height(), 2 * 16);

    const QImage screen = window.grab().toImage();
    const QRect ink = InkBox(screen, box.adjusted(-30, -30, 30, 30), IsDark);
    ASSERT_FALSE(ink.isEmpty()) << "the text is not on screen";
    EXPECT_TRUE(box.adjusted(-1, -1, 1, 1).contains(ink)) << "ink outside the geometry read back";
    EXPECT_GE(ink.width(), box.width() - 6);
    EXPECT_GE(ink.height(), box.height() * 2 / 3);

    // Hidden text is not drawn, and its geometry can still be read.
    ASSERT_TRUE(XrtTextAreaSetValues(text, XRT_TEXT_SHOWN, 0));
    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_REPAINT, 1));
    EXPECT_TRUE(InkBox(window.grab().toImage(), box, IsDark).isEmpty());
    EXPECT_EQ(TextGeometry(text), box);
}

TEST(XrtTextArea, PeakLabelFollowsItsPointWhenTheDataChange)
{
    TestChart chart(std::vector<double>(kPoints, 1000.0));
    const char* label[] = {"480.11", nullptr};
    XrtHandle text = MakePeakLabel(chart.chart, kPeakPixel, label);
    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_REPAINT, 1));
    QRect box = TextGeometry(text);
    QPoint point = PixelOf(chart.chart, chart.x[kPeakPixel], 1000.0);
    EXPECT_EQ(box.bottom() + 1, point.y() - kGap);
    EXPECT_NEAR(box.center().x(), point.x(), 1);

    // A new scan: the point rises and the label goes with it.
    std::vector<double> y(kPoints, 1000.0);
    y[kPeakPixel] = 3500.0;
    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_REPAINT, 0));
    ASSERT_TRUE(XrtDataSetYData(chart.data, 0, y.data(), kPoints, 0));
    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_DATA, chart.data));
    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_REPAINT, 1));
    box = TextGeometry(text);
    point = PixelOf(chart.chart, chart.x[kPeakPixel], 3500.0);
    EXPECT_EQ(box.bottom() + 1, point.y() - kGap);

    // Drawn there too: the label's ink sits inside its box, above the peak.
    const QImage image = Render(chart.chart, kChartWidth, kChartHeight);
    const QRect ink = InkBox(image, box.adjusted(-20, -20, 20, 20), IsDark);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_TRUE(box.adjusted(-1, -1, 1, 1).contains(ink));

    // A label whose point the shown data do not have is not drawn and has no geometry.
    ASSERT_TRUE(XrtTextAreaSetValues(text, XRT_TEXT_POINT, 5000));
    int left = -1;
    EXPECT_FALSE(XrtTextAreaGetValues(text, XRT_TEXT_LEFT, &left));
    EXPECT_EQ(left, 0);
    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_REPAINT, 1));
    EXPECT_TRUE(InkBox(Render(chart.chart, kChartWidth, kChartHeight), box, IsDark).isEmpty());
}

// Centre of the dark pixels in a region.
QPointF InkCentre(const QImage& image, const QRect& region)
{
    double sumX = 0, sumY = 0;
    int count = 0;
    for (int y = region.top(); y <= region.bottom(); ++y) {
        for (int x = region.left(); x <= region.right(); ++x) {
            if (IsDark(image.pixel(x, y))) {
                sumX += x;
                sumY += y;
                ++count;
            }
        }
    }
    return count ? QPointF(sumX / count, sumY / count) : QPointF();
}

TEST(XrtTextArea, TurnedFontGivesATallNarrowBoxReadingUpwards)
{
    TestChart chart(std::vector<double>(kPoints, 500.0));
    // Heavy letters first, light dots last: the heavy half shows where the
    // text begins.
    const char* label[] = {"MMMM....", nullptr};
    XrtHandle upright = MakeText(chart.chart, 14, 0, label);
    ASSERT_TRUE(XrtTextAreaSetValues(upright, XRT_TEXT_ANCHOR_X, 400.0));
    ASSERT_TRUE(XrtTextAreaSetValues(upright, XRT_TEXT_ANCHOR_Y, 3000.0));
    ASSERT_TRUE(XrtTextAreaSetValues(upright, XRT_TEXT_SHOWN, 1));
    XrtHandle turned = MakePeakLabel(chart.chart, kPeakPixel, label);
    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_REPAINT, 1));
    const QRect flat = TextGeometry(upright);
    const QRect tall = TextGeometry(turned);
    EXPECT_GT(tall.height(), 2 * tall.width());
    EXPECT_EQ(tall.height(), flat.width());
    EXPECT_EQ(tall.width(), flat.height());

    const QImage image = Render(chart.chart, kChartWidth, kChartHeight);
    const QRect ink = InkBox(image, tall.adjusted(-10, -10, 10, 10), IsDark);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_TRUE(tall.adjusted(-1, -1, 1, 1).contains(ink));
    EXPECT_GT(ink.height(), 2 * ink.width());
    // Upright, the heavy start of the text lies left of the box's middle;
    // turned to read upwards, below it.
    EXPECT_LT(InkCentre(image, flat).x(), flat.center().x() - flat.width() / 10.0);
    EXPECT_GT(InkCentre(image, tall).y(), tall.center().y() + tall.height() / 10.0);
}

TEST(XrtTextArea, AreasGoWithTheirChartAndCanBeSwitchedOffTogether)
{
    TestChart chart(std::vector<double>(kPoints, 500.0));
    const char* label[] = {"HELLO", nullptr};
    XrtHandle text = MakeText(chart.chart, 30, 0, label);
    ASSERT_TRUE(XrtTextAreaSetValues(text, XRT_TEXT_ANCHOR_X, 500.0));
    ASSERT_TRUE(XrtTextAreaSetValues(text, XRT_TEXT_ANCHOR_Y, 2500.0));
    ASSERT_TRUE(XrtTextAreaSetValues(text, XRT_TEXT_SHOWN, 1));
    const QRect box = TextGeometry(text);
    EXPECT_FALSE(InkBox(Render(chart.chart, kChartWidth, kChartHeight), box, IsDark).isEmpty());
    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_TEXT_AREAS_ENABLED, 0));
    EXPECT_TRUE(InkBox(Render(chart.chart, kChartWidth, kChartHeight), box, IsDark).isEmpty());

    XrtHandle chartHandle = chart.chart;
    ASSERT_TRUE(XrtDestroy(chartHandle));
    chart.chart = 0;
    int shown = 0;
    EXPECT_FALSE(XrtTextAreaGetValues(text, XRT_TEXT_SHOWN, &shown));
}

}  // namespace

TEST(XrtTextArea, TheChartListsItsTextAreasInTheOrderTheyWereMade)
{
    TestChart chart;
    std::vector<XrtHandle> areas{42};
    ASSERT_TRUE(XrtGetTextAreas(chart.chart, &areas));
    EXPECT_TRUE(areas.empty()) << "a new chart has none";

    const XrtHandle first = XrtTextAreaCreate(chart.chart);
    const XrtHandle second = XrtTextAreaCreate(chart.chart);
    const XrtHandle third = XrtTextAreaCreate(chart.chart);
    ASSERT_TRUE(XrtGetTextAreas(chart.chart, &areas));
    EXPECT_EQ(areas, (std::vector<XrtHandle>{first, second, third}));

    // One destroyed leaves the others in their order; another chart's are
    // not listed.
    ASSERT_TRUE(XrtTextAreaDestroy(second));
    TestChart other;
    XrtTextAreaCreate(other.chart);
    ASSERT_TRUE(XrtGetTextAreas(chart.chart, &areas));
    EXPECT_EQ(areas, (std::vector<XrtHandle>{first, third}));

    EXPECT_FALSE(XrtGetTextAreas(chart.chart, nullptr));
    EXPECT_FALSE(XrtGetTextAreas(first, &areas)) << "a text area is no chart";
    EXPECT_NE(XrtGetLastError().find("XrtGetTextAreas"), std::string::npos);
}
