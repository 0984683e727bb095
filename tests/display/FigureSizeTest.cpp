// The size of a figure of the chart at a chosen resolution.

#include <gtest/gtest.h>

#include "display/FigureSize.h"

using namespace vexlar::display;

TEST(FigureSize, TheChartsScreenSizeInInchesAtTheChosenResolution)
{
    // 1000 x 600 screen pixels at 96 dpi are 10.42 x 6.25 inches.
    FigurePixels size = FigureSizeAt(1000, 600, 96.0, 300);
    EXPECT_EQ(size.width, 3125);
    EXPECT_EQ(size.height, 1875);
    size = FigureSizeAt(1000, 600, 96.0, 96);
    EXPECT_EQ(size.width, 1000);
    EXPECT_EQ(size.height, 600);
    size = FigureSizeAt(999, 601, 72.0, 100);  // rounded to the nearest pixel
    EXPECT_EQ(size.width, 1388);
    EXPECT_EQ(size.height, 835);
    size = FigureSizeAt(3, 1, 96.0, 10);  // never less than a pixel
    EXPECT_EQ(size.width, 1);
    EXPECT_EQ(size.height, 1);

    EXPECT_TRUE(FigureSizeAt(0, 600, 96.0, 300).empty());
    EXPECT_TRUE(FigureSizeAt(1000, 600, 0.0, 300).empty());
    EXPECT_TRUE(FigureSizeAt(1000, 600, 96.0, 0).empty());

    EXPECT_TRUE(FigureFits(FigureSizeAt(1000, 600, 96.0, 1200)));   // 12500 x 7500
    EXPECT_FALSE(FigureFits(FigureSizeAt(1000, 600, 96.0, 2400)));  // 25000 x 15000
    EXPECT_FALSE(FigureFits({2'000'000, 1}));
    EXPECT_FALSE(FigureFits({}));

    EXPECT_EQ(DotsPerMetre(300), 11811);
    EXPECT_EQ(DotsPerMetre(96), 3780);
}

TEST(FigureSize, TheLargestResolutionIsTheHighestAtWhichTheChartsFigureFits)
{
    struct Case {
        int width, height;
        double screenDpi;
        int largest;
    };
    for (const Case& c : {Case{1000, 600, 96.0, 1517},  // 15802 x 9481; at 1518 dpi 15813 x 9488
                          Case{200, 100, 96.0, kLargestFigureDpi}, Case{1000, 600, 0.5, kSmallestFigureDpi}}) {
        EXPECT_EQ(LargestFigureDpi(c.width, c.height, c.screenDpi), c.largest) << c.width << " x " << c.height;
    }
}
