// The export file's text, checked against what printf's "%.2f\t%.2f\r\n"
// gives in the C locale.

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <string>

#include "files/ExportFormat.h"
#include "support/DecimalCommaLanguage.h"

using namespace vexlar::files;

namespace {

std::string Two(double value)
{
    std::string text;
    AppendTwoDecimals(text, value);
    return text;
}

std::string Printf(double value)
{
    char text[512];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

}  // namespace

TEST(ExportFormat, NumbersAreWrittenAsPrintfTwoDecimalsWrites)
{
    EXPECT_EQ(Two(87.6), "87.60");
    EXPECT_EQ(Two(-3.1), "-3.10");
    EXPECT_EQ(Two(0.0), "0.00");
    EXPECT_EQ(Two(-0.001), "-0.00") << "printf keeps the sign of a value that rounds to zero";
    EXPECT_EQ(Two(2.96289), "2.96");
    EXPECT_EQ(Two(1e20), "100000000000000000000.00");
    EXPECT_EQ(Two(std::numeric_limits<double>::quiet_NaN()), "nan");
    EXPECT_EQ(Two(-std::numeric_limits<double>::infinity()), "-inf");
    // Halfway cases round the exact binary value, as printf does.
    for (double v : {0.125, 0.375, 2.675, 1.005, 1e-3, 4095.995, -1234.565, 123456789.125,
                     std::numeric_limits<double>::max(), -std::numeric_limits<double>::denorm_min()})
        EXPECT_EQ(Two(v), Printf(v)) << v;
}

TEST(ExportFormat, LinesArePixelOrderedTabSeparatedAndEndInCarriageReturnLineFeed)
{
    const double x[4] = {-5.0, 0.0, 2.964, 10.5};
    const double y[4] = {1.0, 2.0, 87.6, -3.1};
    EXPECT_EQ(FormatExportLines(x, y, 4, false), "-5.00\t1.00\r\n0.00\t2.00\r\n2.96\t87.60\r\n10.50\t-3.10\r\n");
    // Only positive x: zero and negative shifts are left out.
    EXPECT_EQ(FormatExportLines(x, y, 4, true), "2.96\t87.60\r\n10.50\t-3.10\r\n");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double withNan[2] = {nan, 1.0};
    EXPECT_EQ(FormatExportLines(withNan, y, 2, true), "1.00\t2.00\r\n")
        << "a shift that is not a number is not positive";
    EXPECT_EQ(FormatExportLines(x, y, 0, false), "");
}

TEST(ExportFormat, TheOperatorsLanguageDoesNotChangeTheDecimalPoint)
{
    // The process in a language that writes a decimal comma.
    vexlar::test::DecimalCommaLanguage comma;
    ASSERT_TRUE(comma.made()) << comma.failure();
    ASSERT_TRUE(comma.UseForNumbers());
    char check[32];
    std::snprintf(check, sizeof check, "%.2f", 87.6);
    EXPECT_EQ(std::string(check), "87,60") << "the language really writes a comma";
    EXPECT_EQ(Two(87.6), "87.60");
    const double x[] = {2.96}, y[] = {-3.1};
    EXPECT_EQ(FormatExportLines(x, y, 1, false), "2.96\t-3.10\r\n");
}
