#include <gtest/gtest.h>

#include <clocale>
#include <climits>
#include <cmath>

#include "acquisition/NumberText.h"

using vexlar::LeadingDouble;
using vexlar::LenientDouble;
using vexlar::LenientInt;

TEST(NumberText, LeadingDecimalNumberWithTrailingTextIgnored)
{
    EXPECT_EQ(LenientDouble("632.8 nm"), 632.8);
    EXPECT_EQ(LenientDouble("  532"), 532.0);
    EXPECT_EQ(LenientDouble("-1.5e-3x"), -1.5e-3);
    EXPECT_EQ(LenientDouble("+.25"), 0.25);
    EXPECT_EQ(LenientDouble("7."), 7.0);
    EXPECT_EQ(LenientDouble("5e"), 5.0);   // an exponent needs digits
    EXPECT_EQ(LenientDouble("5e+"), 5.0);
    EXPECT_EQ(LenientDouble("1,5"), 1.0);  // a comma ends the number
    EXPECT_EQ(LenientDouble("5.000000e-05"), 5e-5);
}

TEST(NumberText, NoNumberGivesZeroAndNeverInfinityOrNanText)
{
    EXPECT_EQ(LenientDouble("abc"), 0.0);
    EXPECT_EQ(LenientDouble(""), 0.0);
    EXPECT_EQ(LenientDouble("-"), 0.0);
    EXPECT_EQ(LenientDouble("."), 0.0);
    EXPECT_EQ(LenientDouble("inf"), 0.0);
    EXPECT_EQ(LenientDouble("nan"), 0.0);
    EXPECT_EQ(LenientDouble("0x1p3"), 0.0);  // hexadecimal: only the leading 0
    EXPECT_FALSE(LeadingDouble("nm 632").has_value());
    EXPECT_TRUE(LeadingDouble("0").has_value());
}

TEST(NumberText, OutOfRangeBehavesLikeTheCLibrary)
{
    EXPECT_TRUE(std::isinf(LenientDouble("1e999")));
    EXPECT_LT(LenientDouble("-1e999"), 0.0);
    EXPECT_EQ(LenientDouble("1e-999"), 0.0);
}

TEST(NumberText, IndependentOfTheProcessLocale)
{
    // A locale that writes decimals with a comma, when the machine has one.
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no comma-decimal locale installed";
    EXPECT_EQ(LenientDouble("632.8"), 632.8);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(NumberText, IntegersLikeAtoiButHeldInRange)
{
    EXPECT_EQ(LenientInt("100"), 100);
    EXPECT_EQ(LenientInt(" -7 ms"), -7);
    EXPECT_EQ(LenientInt("12.9"), 12);
    EXPECT_EQ(LenientInt("x12"), 0);
    EXPECT_EQ(LenientInt(""), 0);
    EXPECT_EQ(LenientInt("99999999999999999999"), INT_MAX);
    EXPECT_EQ(LenientInt("-99999999999999999999"), INT_MIN);
    EXPECT_EQ(LenientInt("2147483647"), INT_MAX);
    EXPECT_EQ(LenientInt("-2147483648"), INT_MIN);
}

TEST(NumberText, WholeNumberAcceptsOnlyOneFiniteNumber)
{
    EXPECT_EQ(vexlar::WholeNumber(" 532.1234567 ").value(), 532.1234567);
    EXPECT_EQ(vexlar::WholeNumber("-4e3").value(), -4000.0);
    EXPECT_FALSE(vexlar::WholeNumber("532 nm").has_value());
    EXPECT_FALSE(vexlar::WholeNumber("").has_value());
    EXPECT_FALSE(vexlar::WholeNumber("  ").has_value());
    EXPECT_FALSE(vexlar::WholeNumber("1e999").has_value());
    EXPECT_FALSE(vexlar::WholeNumber("nan").has_value());
    EXPECT_FALSE(vexlar::WholeNumber("1.2.3").has_value());
}
