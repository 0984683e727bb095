#include <gtest/gtest.h>

#include <cstdio>
#include <climits>
#include <cmath>

#include "acquisition/NumberText.h"
#include "support/DecimalCommaLanguage.h"

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
    // The operator's language writes decimals with a comma.
    vexlar::test::DecimalCommaLanguage comma;
    ASSERT_TRUE(comma.made()) << comma.failure();
    ASSERT_TRUE(comma.UseForNumbers());
    char check[16];
    std::snprintf(check, sizeof check, "%.1f", 632.8);
    EXPECT_STREQ(check, "632,8") << "the comma language is in force";
    EXPECT_EQ(LenientDouble("632.8"), 632.8);
    EXPECT_EQ(LenientDouble("632,8"), 632.0) << "only the point is a decimal point";
    EXPECT_EQ(vexlar::WholeNumber("1.5e3").value(), 1500.0);
    EXPECT_FALSE(vexlar::WholeNumber("1,5").has_value());
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

TEST(NumberText, ADecimalCommaAfterTheNumberIsRecognised)
{
    using vexlar::DecimalCommaFollows;
    for (const char* comma : {"632,5", " 632,8 nm", "-1,5", "532.0,1", "1e2,5"})
        EXPECT_TRUE(DecimalCommaFollows(comma)) << comma;
    for (const char* other : {"632.5", "632", "632 nm", "632,", "632, 5", "632,x", ",5", "green", "", "1e2"})
        EXPECT_FALSE(DecimalCommaFollows(other)) << other;
}
