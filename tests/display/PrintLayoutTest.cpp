// The printed page's chart rectangle: full height centred across for a chart
// narrower than the page in proportion, full width centred down otherwise,
// the screen's aspect ratio kept, leftover space halved with truncation.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

#include "display/PrintLayout.h"

using vexlar::LayOutPrintedChart;
using vexlar::PrintedChartRect;

namespace {

// A4 portrait at 1200 dots per inch, less the printer's unprintable margins.
constexpr int kA4Width = 9583;
constexpr int kA4Height = 13699;

}  // namespace

TEST(PrintLayout, AChartTwiceAsWideAsHighOnAPortraitPageFillsTheWidthWithEqualBands)
{
    const PrintedChartRect r = LayOutPrintedChart(800, 400, 1000, 1400);
    EXPECT_EQ(r, (PrintedChartRect{0, 450, 1000, 500}));
    const int bandAbove = r.top;
    const int bandBelow = 1400 - (r.top + r.height);
    EXPECT_EQ(bandAbove, bandBelow);

    // The same on a real page: the printed height keeps the 2:1 ratio.
    const PrintedChartRect a4 = LayOutPrintedChart(1000, 500, kA4Width, kA4Height);
    EXPECT_EQ(a4.left, 0);
    EXPECT_EQ(a4.width, kA4Width);
    EXPECT_EQ(a4.height, 4792);  // 4791.5 rounded
    EXPECT_EQ(a4.top, (kA4Height - 4792) / 2);
}

TEST(PrintLayout, AChartOfThePagesProportionsFillsItFromTheOrigin)
{
    EXPECT_EQ(LayOutPrintedChart(1000, 1400, 500, 700), (PrintedChartRect{0, 0, 500, 700}));
    EXPECT_EQ(LayOutPrintedChart(500, 700, 500, 700), (PrintedChartRect{0, 0, 500, 700}));
    EXPECT_EQ(LayOutPrintedChart(300, 300, 1200, 1200), (PrintedChartRect{0, 0, 1200, 1200}));
    // Enlarged or reduced alike.
    EXPECT_EQ(LayOutPrintedChart(4000, 3000, 400, 300), (PrintedChartRect{0, 0, 400, 300}));
}

TEST(PrintLayout, ANarrowerChartFillsTheHeightCentredAcross)
{
    EXPECT_EQ(LayOutPrintedChart(500, 1000, 1000, 1000), (PrintedChartRect{250, 0, 500, 1000}));
    // A 5:4 chart on a landscape page: 1000 * 9583 / 800 = 11978.75.
    EXPECT_EQ(LayOutPrintedChart(1000, 800, kA4Height, kA4Width), (PrintedChartRect{860, 0, 11979, kA4Width}));
}

TEST(PrintLayout, OddRemaindersTruncateAndScaledSizesRound)
{
    // Narrower: 333 * 1001 / 1000 = 333.33 -> 333; (1000 - 333) / 2 = 333.5 -> 333.
    EXPECT_EQ(LayOutPrintedChart(333, 1000, 1000, 1001), (PrintedChartRect{333, 0, 333, 1001}));
    // Wider: 500 * 999 / 1000 = 499.5 -> 500; (1401 - 500) / 2 = 450.5 -> 450,
    // so the band below is one unit wider than the band above.
    const PrintedChartRect wide = LayOutPrintedChart(1000, 500, 999, 1401);
    EXPECT_EQ(wide, (PrintedChartRect{0, 450, 999, 500}));
    EXPECT_EQ(1401 - (wide.top + wide.height), 451);
    // 20 / 3 = 6.67 -> 7 both ways round; (10 - 7) / 2 = 1.
    EXPECT_EQ(LayOutPrintedChart(3, 2, 10, 10), (PrintedChartRect{0, 1, 10, 7}));
    EXPECT_EQ(LayOutPrintedChart(2, 3, 10, 10), (PrintedChartRect{1, 0, 7, 10}));
    // 10 / 3 = 3.33 -> 3; (10 - 3) / 2 = 3.5 -> 3.
    EXPECT_EQ(LayOutPrintedChart(1, 3, 10, 10), (PrintedChartRect{3, 0, 3, 10}));
}

TEST(PrintLayout, EveryChartFitsThePageFillsOneSideAndKeepsItsShape)
{
    for (int w = 1; w <= 61; w += 3) {
        for (int h = 1; h <= 61; h += 4) {
            for (int pageW : {97, 100, 613}) {
                for (int pageH : {101, 140, 450}) {
                    const PrintedChartRect r = LayOutPrintedChart(w, h, pageW, pageH);
                    SCOPED_TRACE(testing::Message() << w << "x" << h << " on " << pageW << "x" << pageH);
                    ASSERT_FALSE(r.empty());
                    EXPECT_GE(r.left, 0);
                    EXPECT_GE(r.top, 0);
                    EXPECT_LE(r.left + r.width, pageW);
                    EXPECT_LE(r.top + r.height, pageH);
                    EXPECT_TRUE(r.width == pageW || r.height == pageH);
                    // Centred: the two bands differ by the truncated unit at most.
                    const int bandsAcross = (pageW - r.left - r.width) - r.left;
                    const int bandsDown = (pageH - r.top - r.height) - r.top;
                    EXPECT_TRUE(bandsAcross == 0 || bandsAcross == 1);
                    EXPECT_TRUE(bandsDown == 0 || bandsDown == 1);
                    // The aspect ratio is the chart's to within the rounding of
                    // the scaled side (half a unit): |printed w * h - printed h * w|
                    // is at most half the chart side the page side was divided by.
                    const bool narrower = static_cast<std::int64_t>(w) * pageH < static_cast<std::int64_t>(pageW) * h;
                    const std::int64_t cross =
                        static_cast<std::int64_t>(r.width) * h - static_cast<std::int64_t>(r.height) * w;
                    EXPECT_LE(std::llabs(cross) * 2, static_cast<std::int64_t>(narrower ? h : w))
                        << r.left << "," << r.top << " " << r.width << "x" << r.height;
                }
            }
        }
    }
}

TEST(PrintLayout, NothingToPrintGivesAnEmptyRectangle)
{
    EXPECT_TRUE(LayOutPrintedChart(0, 600, kA4Width, kA4Height).empty());
    EXPECT_TRUE(LayOutPrintedChart(1000, 0, kA4Width, kA4Height).empty());
    EXPECT_TRUE(LayOutPrintedChart(-5, 600, kA4Width, kA4Height).empty());
    EXPECT_TRUE(LayOutPrintedChart(1000, 600, 0, kA4Height).empty());
    EXPECT_TRUE(LayOutPrintedChart(1000, 600, kA4Width, -1).empty());
    // A hair-thin chart that scales to less than half a unit across.
    EXPECT_TRUE(LayOutPrintedChart(1, 10000, 10, 10).empty());
}

TEST(PrintLayout, LargeChartsOnHighResolutionPagesDoNotOverflow)
{
    // Both cross products exceed 32 bits.
    EXPECT_EQ(LayOutPrintedChart(30000, 20000, 100000, 140000), (PrintedChartRect{0, 36666, 100000, 66667}));
    EXPECT_EQ(LayOutPrintedChart(20000, 30000, 140000, 100000), (PrintedChartRect{36666, 0, 66667, 100000}));
}
