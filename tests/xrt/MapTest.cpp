// Mapping between chart pixels and data units, at several chart sizes and
// scales, reversed and degenerate ranges included.

#include <gtest/gtest.h>

#include <cmath>

#include "ChartTestSupport.h"
#include "Xrt.h"

namespace {

using namespace vexlar::test;

struct Scale {
    int width, height;
    double xMin, xMax, yMin, yMax;
};

void SetScale(XrtHandle chart, const Scale& scale)
{
    ASSERT_TRUE(XrtSetValues(chart, XRT_REPAINT, 0));
    ASSERT_TRUE(XrtSetValues(chart, XRT_WIDTH, scale.width));
    ASSERT_TRUE(XrtSetValues(chart, XRT_HEIGHT, scale.height));
    ASSERT_TRUE(XrtSetValues(chart, XRT_X_MIN, scale.xMin));
    ASSERT_TRUE(XrtSetValues(chart, XRT_X_MAX, scale.xMax));
    ASSERT_TRUE(XrtSetValues(chart, XRT_Y_MIN, scale.yMin));
    ASSERT_TRUE(XrtSetValues(chart, XRT_Y_MAX, scale.yMax));
    ASSERT_TRUE(XrtSetValues(chart, XRT_REPAINT, 1));
}

TEST(XrtMap, MapAndUnmapAreInversesOverThePlotArea)
{
    TestChart chart;
    const Scale scales[] = {
        {1000, 600, 350.0, 660.0, 0.0, 4100.0},        {300, 200, 350.0, 660.0, 0.0, 4100.0},
        {1600, 1200, -1200.0, 3500.0, -50.0, 60000.0}, {800, 500, 0.0, 1e-6, 0.0, 1e-9},
        {800, 500, -1e12, 1e12, 1e15, 1e16},           {1000, 600, 660.0, 350.0, 4100.0, 0.0},  // both reversed
    };
    for (const Scale& scale : scales) {
        SCOPED_TRACE(testing::Message() << scale.width << "x" << scale.height << " X " << scale.xMin << ".."
                                        << scale.xMax << " Y " << scale.yMin << ".." << scale.yMax);
        SetScale(chart.chart, scale);
        // The plot area is the rectangle spanned by the shown minima and maxima.
        const QPoint lowCorner = PixelOf(chart.chart, scale.xMin, scale.yMin);
        const QPoint highCorner = PixelOf(chart.chart, scale.xMax, scale.yMax);
        const QRect area = QRect(lowCorner, highCorner).normalized();
        ASSERT_GT(area.width(), scale.width / 3);
        ASSERT_GT(area.height(), scale.height / 3);
        ASSERT_TRUE(QRect(0, 0, scale.width, scale.height).contains(area));
        // The minimum sits on the left and bottom, the maximum on the right
        // and top, also when the minimum is the larger (a reversed axis).
        EXPECT_LT(lowCorner.x(), highCorner.x());
        EXPECT_GT(lowCorner.y(), highCorner.y());

        const double xPerPixel = std::abs(scale.xMax - scale.xMin) / area.width();
        const double yPerPixel = std::abs(scale.yMax - scale.yMin) / area.height();
        for (int px = area.left(); px <= area.right(); px += 7) {
            for (int py = area.top(); py <= area.bottom(); py += 11) {
                XrtMapResult mapped;
                ASSERT_TRUE(XrtMap(chart.chart, XRT_MAP_DATA_UNITS, px, py, &mapped));
                EXPECT_EQ(mapped.inPlotArea, 1) << px << "," << py << " area " << area.left() << "," << area.top()
                                                << " " << area.width() << "x" << area.height();
                XrtPoint back;
                ASSERT_TRUE(XrtUnmap(chart.chart, XRT_MAP_DATA_UNITS, mapped.x, mapped.y, &back));
                ASSERT_EQ(back.x, px);
                ASSERT_EQ(back.y, py);
            }
        }
        // And the other way round: a data point comes back within a pixel.
        for (double f : {0.0, 0.1234, 0.5, 0.987, 1.0}) {
            const double x = scale.xMin + f * (scale.xMax - scale.xMin);
            const double y = scale.yMin + f * (scale.yMax - scale.yMin);
            const QPoint pixel = PixelOf(chart.chart, x, y);
            XrtMapResult mapped;
            ASSERT_TRUE(XrtMap(chart.chart, XRT_MAP_DATA_UNITS, pixel.x(), pixel.y(), &mapped));
            EXPECT_NEAR(mapped.x, x, xPerPixel);
            EXPECT_NEAR(mapped.y, y, yPerPixel);
        }
    }
}

TEST(XrtMap, MapGivesTheNearestPointAndWhetherInsideThePlot)
{
    TestChart chart;
    const QPoint pixel = PixelOf(chart.chart, chart.x[1000], 2000.0);
    XrtMapResult mapped;
    ASSERT_TRUE(XrtMap(chart.chart, XRT_MAP_DATA_UNITS, pixel.x(), pixel.y(), &mapped));
    EXPECT_NEAR(mapped.point, 1000, 2);  // about 6.6 points per pixel
    EXPECT_EQ(mapped.set, 0);
    ASSERT_TRUE(XrtMap(chart.chart, XRT_MAP_DATA_UNITS, 2, 2, &mapped));
    EXPECT_EQ(mapped.inPlotArea, 0);
    EXPECT_FALSE(XrtMap(chart.chart, 2, 2, 2, &mapped));
    EXPECT_FALSE(XrtMap(chart.chart, XRT_MAP_DATA_UNITS, 2, 2, nullptr));
    XrtPoint point;
    EXPECT_FALSE(XrtUnmap(chart.chart, XRT_MAP_DATA_UNITS, std::nan(""), 1.0, &point));
    // Far outside the scale still gives a pixel, clamped to what an int holds.
    ASSERT_TRUE(XrtUnmap(chart.chart, XRT_MAP_DATA_UNITS, 1e300, -1e300, &point));
    EXPECT_EQ(point.x, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(point.y, std::numeric_limits<std::int32_t>::max());
}

TEST(XrtMap, DegenerateRangesDrawAndReadBackAsSet)
{
    TestChart chart;
    const Scale degenerate[] = {
        {1000, 600, 500.0, 500.0, 0.0, 0.0},
        {1000, 600, 0.0, 0.0, 1e300, 1e300},
        {1000, 600, 1.0, 1.0 + 1e-15, -1e308, 1e308},
    };
    for (const Scale& scale : degenerate) {
        SetScale(chart.chart, scale);
        double value = 0;
        XrtGetValues(chart.chart, XRT_X_MIN, &value);
        EXPECT_EQ(value, scale.xMin);
        XrtGetValues(chart.chart, XRT_Y_MAX, &value);
        EXPECT_EQ(value, scale.yMax);
        XrtPoint point;
        ASSERT_TRUE(XrtUnmap(chart.chart, XRT_MAP_DATA_UNITS, scale.xMin, scale.yMin, &point));
        EXPECT_GT(point.x, 0);
        EXPECT_LT(point.x, scale.width);
        const QImage image = Render(chart.chart, scale.width, scale.height);
        EXPECT_FALSE(image.isNull());
    }
}

}  // namespace
