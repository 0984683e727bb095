// Drawing the chart into a painter's device (printing), and what the chart
// draws: the red spectrum line where the data are, the cursor, nothing for
// points that are not finite or data that is gone.

#include <gtest/gtest.h>

#include <QPainter>

#include <cmath>
#include <limits>

#include "ChartTestSupport.h"
#include "Xrt.h"

namespace {

using namespace vexlar::test;

constexpr double kLevel = 2000.0;

// Rows in a column of the image that are red.
std::vector<int> RedRows(const QImage& image, int column)
{
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y) {
        if (IsRed(image.pixel(column, y)))
            rows.push_back(y);
    }
    return rows;
}

TEST(XrtDraw, RedLineIsWhereTheDataAre)
{
    TestChart chart(std::vector<double>(kPoints, kLevel));
    const QImage image = Render(chart.chart, kChartWidth, kChartHeight);
    const QPoint left = PixelOf(chart.chart, chart.x[100], kLevel);
    const QPoint right = PixelOf(chart.chart, chart.x[1900], kLevel);
    for (int column : {left.x(), (left.x() + right.x()) / 2, right.x()}) {
        const std::vector<int> rows = RedRows(image, column);
        ASSERT_EQ(rows.size(), 1u) << "a one-pixel line at column " << column;
        EXPECT_NEAR(rows[0], left.y(), 1);
    }
    // Nothing red above or below the line, away from it.
    EXPECT_TRUE(InkBox(image, QRect(left.x(), 0, right.x() - left.x(), left.y() - 3), IsRed).isEmpty());

    // Axes and their labels are drawn in dark grey on white.
    const QPoint origin = PixelOf(chart.chart, kFirstWavelength, 0.0);
    EXPECT_TRUE(IsDark(image.pixel(origin.x() + 50, origin.y())));
    EXPECT_EQ(image.pixel(origin.x() + 50, origin.y() - 50), QColor(Qt::white).rgb());
    EXPECT_FALSE(InkBox(image, QRect(0, origin.y() + 2, kChartWidth, kChartHeight - origin.y() - 2), IsDark).isEmpty());
}

// A printer has many more dots per inch than the screen: the chart must
// still fill exactly the rectangle it is given in the device's own units.
TEST(XrtDraw, AHighResolutionDeviceGetsTheSameRectangle)
{
    TestChart chart(std::vector<double>(kPoints, kLevel));
    const QPoint middle = PixelOf(chart.chart, chart.x[1024], kLevel);
    for (const int dpi : {72, 300, 1200}) {
        QImage page(2 * kChartWidth + 100, 2 * kChartHeight + 60, QImage::Format_RGB32);
        const int dotsPerMetre = static_cast<int>(std::lround(dpi / 0.0254));
        page.setDotsPerMeterX(dotsPerMetre);
        page.setDotsPerMeterY(dotsPerMetre);
        page.fill(Qt::white);
        QPainter painter(&page);
        ASSERT_TRUE(XrtDrawToDC(chart.chart, &painter, XRT_DRAW_WHOLE_CHART, XRT_DRAW_SCALE_TO_RECT, 100, 60,
                                2 * kChartWidth, 2 * kChartHeight));
        painter.end();
        const std::vector<int> rows = RedRows(page, 100 + 2 * middle.x());
        ASSERT_FALSE(rows.empty()) << dpi << " dpi";
        EXPECT_NEAR(rows[0], 60 + 2 * middle.y(), 2) << dpi << " dpi";
        const QRect ink = InkBox(page, page.rect(), [](QRgb p) { return p != qRgb(255, 255, 255); });
        EXPECT_TRUE(QRect(100, 60, 2 * kChartWidth, 2 * kChartHeight).contains(ink)) << dpi << " dpi";
        EXPECT_GT(ink.width(), kChartWidth) << dpi << " dpi: the chart fills its rectangle";
    }
}

TEST(XrtDraw, DrawsScaledIntoAnyRectangleOfTheDevice)
{
    TestChart chart(std::vector<double>(kPoints, kLevel));
    const QPoint middle = PixelOf(chart.chart, chart.x[1024], kLevel);

    // Twice the size, at an offset, as a printer page would take it.
    QImage page(2 * kChartWidth + 100, 2 * kChartHeight + 60, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    ASSERT_TRUE(XrtDrawToDC(chart.chart, &painter, XRT_DRAW_WHOLE_CHART, XRT_DRAW_SCALE_TO_RECT, 100, 60,
                            2 * kChartWidth, 2 * kChartHeight));
    painter.end();
    const std::vector<int> rows = RedRows(page, 100 + 2 * middle.x());
    ASSERT_FALSE(rows.empty());
    EXPECT_LE(rows.size(), 3u);  // the one-pixel line scaled to two
    EXPECT_NEAR(rows[0], 60 + 2 * middle.y(), 2);
    EXPECT_TRUE(
        InkBox(page, QRect(0, 0, 100, page.height()), [](QRgb p) { return p != qRgb(255, 255, 255); }).isEmpty())
        << "drawn outside the rectangle";

    // Drawing elsewhere leaves the chart's own layout alone.
    EXPECT_EQ(PixelOf(chart.chart, chart.x[1024], kLevel), middle);

    QImage image(10, 10, QImage::Format_RGB32);
    QPainter other(&image);
    EXPECT_FALSE(XrtDrawToDC(chart.chart, &other, 1, 2, 0, 0, 10, 10));
    EXPECT_FALSE(XrtDrawToDC(chart.chart, &other, XRT_DRAW_WHOLE_CHART, XRT_DRAW_SCALE_TO_RECT, 0, 0, 0, 10));
    other.end();
    EXPECT_FALSE(XrtDrawToDC(chart.chart, nullptr, XRT_DRAW_WHOLE_CHART, XRT_DRAW_SCALE_TO_RECT, 0, 0, 10, 10));
    EXPECT_FALSE(XrtDrawToDC(chart.chart, &other, XRT_DRAW_WHOLE_CHART, XRT_DRAW_SCALE_TO_RECT, 0, 0, 10, 10))
        << "a painter that is not active";
}

TEST(XrtDraw, CursorIsAThinDarkLineAtItsPoint)
{
    TestChart chart(std::vector<double>(kPoints, kLevel));
    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_CURSOR_POINT, 1000));
    const int column = PixelOf(chart.chart, chart.x[1000], kLevel).x();
    const QPoint low = PixelOf(chart.chart, kFirstWavelength, 500.0);
    EXPECT_FALSE(IsDark(Render(chart.chart, kChartWidth, kChartHeight).pixel(column, low.y())));

    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_CURSOR_SHOWN, 1));
    const QImage image = Render(chart.chart, kChartWidth, kChartHeight);
    EXPECT_TRUE(IsDark(image.pixel(column, low.y())));
    EXPECT_FALSE(IsDark(image.pixel(column - 2, low.y())));
    EXPECT_FALSE(IsDark(image.pixel(column + 2, low.y())));

    // A cursor on a point the data do not have is not drawn.
    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_CURSOR_POINT, 5000));
    EXPECT_FALSE(IsDark(Render(chart.chart, kChartWidth, kChartHeight).pixel(column, low.y())));
}

TEST(XrtDraw, PointsThatAreNotFiniteAreLeftOut)
{
    std::vector<double> y(kPoints, kLevel);
    y[500] = std::numeric_limits<double>::quiet_NaN();
    y[501] = std::numeric_limits<double>::infinity();
    y[502] = -std::numeric_limits<double>::infinity();
    TestChart chart(y);
    std::vector<double> x = chart.x;
    x[1500] = std::numeric_limits<double>::quiet_NaN();
    ASSERT_TRUE(XrtDataSetXData(chart.data, 0, x.data(), kPoints, 0));
    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_REPAINT, 1));
    const QImage image = Render(chart.chart, kChartWidth, kChartHeight);
    const QPoint middle = PixelOf(chart.chart, chart.x[1024], kLevel);
    const std::vector<int> rows = RedRows(image, middle.x());
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_NEAR(rows[0], middle.y(), 1);
    // No line shooting off to infinity: red only on the level.
    EXPECT_TRUE(InkBox(image, QRect(0, 0, kChartWidth, middle.y() - 2), IsRed).isEmpty());
    EXPECT_TRUE(InkBox(image, QRect(0, middle.y() + 2, kChartWidth, kChartHeight), IsRed).isEmpty());

    // Back to finite values: the scan path updates the line in place.
    std::vector<double> higher(kPoints, 3000.0);
    ASSERT_TRUE(XrtDataSetXData(chart.data, 0, chart.x.data(), kPoints, 0));
    ASSERT_TRUE(XrtDataSetYData(chart.data, 0, higher.data(), kPoints, 0));
    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_REPAINT, 1));
    higher.assign(kPoints, 1000.0);
    ASSERT_TRUE(XrtDataSetYData(chart.data, 0, higher.data(), kPoints, 0));
    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_REPAINT, 1));
    const QPoint low = PixelOf(chart.chart, chart.x[1024], 1000.0);
    const std::vector<int> lowRows = RedRows(Render(chart.chart, kChartWidth, kChartHeight), low.x());
    ASSERT_EQ(lowRows.size(), 1u);
    EXPECT_NEAR(lowRows[0], low.y(), 1);
}

TEST(XrtDraw, DataInDescendingXDrawsTheSameLine)
{
    std::vector<double> y(kPoints);
    for (int i = 0; i < kPoints; ++i)
        y[i] = 100.0 + 1.5 * i;
    TestChart chart(y);
    const QImage ascending = Render(chart.chart, kChartWidth, kChartHeight);
    std::vector<double> x(chart.x.rbegin(), chart.x.rend());
    std::vector<double> yReversed(y.rbegin(), y.rend());
    ASSERT_TRUE(XrtDataSetXData(chart.data, 0, x.data(), kPoints, 0));
    ASSERT_TRUE(XrtDataSetYData(chart.data, 0, yReversed.data(), kPoints, 0));
    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_REPAINT, 1));
    EXPECT_EQ(Render(chart.chart, kChartWidth, kChartHeight), ascending);
    // And new intensities on the descending X go where they belong.
    std::vector<double> flat(kPoints, kLevel);
    flat[0] = 4000.0;  // the last wavelength
    ASSERT_TRUE(XrtDataSetYData(chart.data, 0, flat.data(), kPoints, 0));
    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_REPAINT, 1));
    const QImage image = Render(chart.chart, kChartWidth, kChartHeight);
    const QPoint peak = PixelOf(chart.chart, kLastWavelength, 4000.0);
    EXPECT_FALSE(InkBox(image, QRect(peak.x() - 3, peak.y() - 3, 7, 7), IsRed).isEmpty());
}

TEST(XrtDraw, DestroyedDataLeavesTheChartEmpty)
{
    TestChart chart(std::vector<double>(kPoints, kLevel));
    XrtHandle shown = 0;
    XrtGetValues(chart.chart, XRT_DATA, &shown);
    EXPECT_EQ(shown, chart.data);
    ASSERT_TRUE(XrtDataDestroy(chart.data));
    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_CURSOR_SHOWN, 1));
    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_REPAINT, 1));
    const QImage image = Render(chart.chart, kChartWidth, kChartHeight);
    EXPECT_TRUE(InkBox(image, image.rect(), IsRed).isEmpty());
    XrtGetValues(chart.chart, XRT_DATA, &shown);
    EXPECT_EQ(shown, 0u);
    XrtMapResult mapped;
    ASSERT_TRUE(XrtMap(chart.chart, XRT_MAP_DATA_UNITS, 500, 300, &mapped));
    EXPECT_EQ(mapped.point, -1);
    // Showing no data at all is allowed.
    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_DATA, XrtHandle{0}));
}

TEST(XrtDraw, DataSetCallsCheckSetsAndSpans)
{
    XrtHandle data = XrtDataCreate(XRT_DATA_SEPARATE_X, 2, 10);
    double values[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    double value = -1;
    EXPECT_TRUE(XrtDataSetYData(data, 1, values, 4, 6));
    EXPECT_TRUE(XrtDataGetYElementIndirect(data, 1, 9, &value));
    EXPECT_EQ(value, 3.0);
    EXPECT_TRUE(XrtDataGetYElementIndirect(data, 0, 9, &value));
    EXPECT_EQ(value, 0.0);
    EXPECT_FALSE(XrtDataSetYData(data, 1, values, 5, 6));
    EXPECT_FALSE(XrtDataSetYData(data, 2, values, 1, 0));
    EXPECT_FALSE(XrtDataSetYData(data, -1, values, 1, 0));
    EXPECT_FALSE(XrtDataSetYData(data, 0, values, 0, 0));
    EXPECT_FALSE(XrtDataSetYData(data, 0, values, 1, -1));
    EXPECT_FALSE(XrtDataSetYData(data, 0, values, 2147483647, 2));
    EXPECT_FALSE(XrtDataSetXData(data, 0, nullptr, 1, 0));
    EXPECT_FALSE(XrtDataGetXElementIndirect(data, 0, 10, &value));
    EXPECT_FALSE(XrtDataGetXElementIndirect(data, 0, -1, &value));
    EXPECT_FALSE(XrtDataGetXElementIndirect(data, 0, 0, nullptr));
    // Separate X: each set its own; common X: one for all.
    EXPECT_TRUE(XrtDataSetXData(data, 0, values, 10, 0));
    EXPECT_TRUE(XrtDataGetXElementIndirect(data, 1, 5, &value));
    EXPECT_EQ(value, 0.0);
    XrtHandle common = XrtDataCreate(XRT_DATA_COMMON_X, 2, 10);
    EXPECT_TRUE(XrtDataSetXData(common, 0, values, 10, 0));
    EXPECT_TRUE(XrtDataGetXElementIndirect(common, 1, 5, &value));
    EXPECT_EQ(value, 5.0);
    XrtDataDestroy(common);
    XrtDataDestroy(data);
}

}  // namespace
