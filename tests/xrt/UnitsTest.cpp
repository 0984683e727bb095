// The chart's small parts: axis ranges, text placement, style words.

#include <gtest/gtest.h>

#include <QFont>

#include <cmath>

#include "AxisRange.h"
#include "SeriesStyle.h"
#include "TextLayout.h"
#include "XrtCodes.h"

namespace {

using namespace vexlar::xrt;

TEST(XrtUnits, DrawableRangeKeepsOrderedRangesAndMendsTheRest)
{
    DrawnRange range = DrawableRange(350.0, 660.0);
    EXPECT_EQ(range.lower, 350.0);
    EXPECT_EQ(range.upper, 660.0);
    EXPECT_FALSE(range.reversed);

    range = DrawableRange(660.0, 350.0);
    EXPECT_EQ(range.lower, 350.0);
    EXPECT_EQ(range.upper, 660.0);
    EXPECT_TRUE(range.reversed);

    range = DrawableRange(0.0, 0.0);
    EXPECT_EQ(range.lower, -0.5);
    EXPECT_EQ(range.upper, 0.5);
    range = DrawableRange(500.0, 500.0);
    EXPECT_DOUBLE_EQ(range.lower, 495.0);
    EXPECT_DOUBLE_EQ(range.upper, 505.0);
    range = DrawableRange(4.9e-324, 4.9e-324);
    EXPECT_LT(range.lower, range.upper);
    range = DrawableRange(1.0, 1.0 + 1e-15);
    EXPECT_GE(range.upper - range.lower, 1e-9 * 0.999);
    range = DrawableRange(-1.7e308, 1.7e308);
    EXPECT_TRUE(std::isfinite(range.upper - range.lower));
    EXPECT_LT(range.lower, range.upper);
}

TEST(XrtUnits, TextBlockSitsOnItsAnchorAsPlaced)
{
    const QSizeF size(40.4, 15.2);
    TextBlockLayout layout = LayOutTextBlock(size, 0.0, QPointF(100.0, 50.0), XRT_PLACE_AT_CORNER);
    EXPECT_EQ(layout.box, QRect(100, 50, 41, 16));

    layout = LayOutTextBlock(size, 0.0, QPointF(100.0, 50.0), XRT_PLACE_CENTRED);
    EXPECT_NEAR(layout.box.center().x(), 100, 1);
    EXPECT_NEAR(layout.box.center().y(), 50, 1);

    // Turned a quarter: tall and narrow, standing on the gap above the anchor.
    layout = LayOutTextBlock(size, 90.0, QPointF(100.0, 50.0), XRT_PLACE_ABOVE);
    EXPECT_EQ(layout.box.width(), 16);
    EXPECT_EQ(layout.box.height(), 41);
    EXPECT_EQ(layout.box.bottom() + 1, 50 - static_cast<int>(kTextGapAbovePoint));
    EXPECT_NEAR(layout.box.center().x(), 100, 1);
    EXPECT_EQ(layout.origin, layout.origin.toPoint().toPointF()) << "whole pixels, so text is crisp";

    // Any other angle: the box holds the turned block.
    layout = LayOutTextBlock(size, 45.0, QPointF(0, 0), XRT_PLACE_AT_CORNER);
    EXPECT_NEAR(layout.box.width(), (40.4 + 15.2) / std::sqrt(2.0), 2);
    EXPECT_EQ(layout.box.topLeft(), QPoint(0, 0));

    QFont font;
    font.setPixelSize(20);
    const QSizeF two = TextBlockSize(font, {QStringLiteral("abc"), QStringLiteral("abcdef")});
    const QSizeF one = TextBlockSize(font, {QStringLiteral("abcdef")});
    EXPECT_EQ(two.width(), one.width());
    EXPECT_GT(two.height(), 1.8 * one.height());
    EXPECT_TRUE(TextBlockSize(font, {}).isEmpty());
}

TEST(XrtUnits, StyleWordsGiveColoursAndLines)
{
    EXPECT_EQ(ColorFromBgr(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(ColorFromBgr(0xFF0000), QColor(0, 0, 255));
    EXPECT_EQ(ColorFromBgr(0xFF123456), QColor(0x56, 0x34, 0x12));

    XrtDataStyle spectrum;  // as the program fills it for the spectrum line
    const std::uint32_t words[] = {2, 2, 0x0000FF, 1, 2, 0x0000FF, 0, 0, 0};
    std::copy(std::begin(words), std::end(words), spectrum.words);
    SeriesLook look = LookFromStyle(spectrum);
    EXPECT_TRUE(look.line);
    EXPECT_EQ(look.lineStyle, Qt::SolidLine);
    EXPECT_EQ(look.lineColor, QColor(Qt::red));
    EXPECT_EQ(look.symbol, XRT_SYMBOL_NONE) << "one-pixel points under a line are not drawn twice";

    spectrum.words[XRT_STYLE_LINE_PATTERN] = XRT_LINE_NONE;
    look = LookFromStyle(spectrum);
    EXPECT_FALSE(look.line);
    EXPECT_EQ(look.symbol, XRT_SYMBOL_PIXEL);

    XrtDataStyle second;
    const std::uint32_t secondWords[] = {4, 2, 0xFF0000, 0, 2, 0x0000FF, 0, 0, 0};
    std::copy(std::begin(secondWords), std::end(secondWords), second.words);
    look = LookFromStyle(second);
    EXPECT_EQ(look.lineStyle, Qt::DotLine);
    EXPECT_EQ(look.lineColor, QColor(Qt::blue));
    EXPECT_EQ(look.symbol, XRT_SYMBOL_NONE);
    second.words[XRT_STYLE_SYMBOL] = 0xFFFFFFFF;
    second.words[XRT_STYLE_SYMBOL_SIZE] = 0x80000000;
    look = LookFromStyle(second);
    EXPECT_EQ(look.symbol, XRT_SYMBOL_NONE);
    EXPECT_GE(look.symbolSize, 1);
}

}  // namespace
