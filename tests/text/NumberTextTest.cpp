// The conversions of numbers typed by the operator or read from files.

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>

#include "support/DecimalCommaLanguage.h"
#include "text/NumberText.h"

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
    EXPECT_EQ(LenientDouble("5e"), 5.0);  // an exponent needs digits
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

// Calibration coefficients as the configuration dialog shows and reads them.

namespace {

using vexlar::CoefficientStatus;
using vexlar::FormatCoefficient;
using vexlar::ParseCoefficient;
using vexlar::ParsedCoefficient;

ParsedCoefficient Parse(const char* text)
{
    return ParseCoefficient(text);
}

}  // namespace

TEST(CoefficientText, ShownWithSixSignificantDigitsInGeneralNotation)
{
    EXPECT_EQ(FormatCoefficient(5e-5f), "5e-05");
    EXPECT_EQ(FormatCoefficient(0.5f), "0.5");
    EXPECT_EQ(FormatCoefficient(350.0f), "350");
    EXPECT_EQ(FormatCoefficient(0.0f), "0");
    EXPECT_EQ(FormatCoefficient(0.123456789f), "0.123457");
    EXPECT_EQ(FormatCoefficient(350.1234567f), "350.123");
    EXPECT_EQ(FormatCoefficient(-1.23456789e-9f), "-1.23457e-09");
    EXPECT_EQ(FormatCoefficient(1234567.0f), "1.23457e+06");
    EXPECT_EQ(FormatCoefficient(0.0001f), "0.0001");
    EXPECT_EQ(FormatCoefficient(FLT_MAX), "3.40282e+38");
}

TEST(CoefficientText, ReadBackAsOneNumberWithBlanksAround)
{
    for (const char* text : {"5e-05", "5e-5", " 5E-5 ", "\t0.00005\n", "+5e-5", "0.5e-4"}) {
        const ParsedCoefficient p = Parse(text);
        EXPECT_EQ(p.status, CoefficientStatus::Number) << text;
        EXPECT_EQ(p.value, 5e-5f) << text;
    }
    EXPECT_EQ(Parse(".5").value, 0.5f);
    EXPECT_EQ(Parse("5.").value, 5.0f);
    EXPECT_EQ(Parse("-350").value, -350.0f);
    EXPECT_EQ(Parse("0").value, 0.0f);
    // So small it is zero, of its sign.
    EXPECT_EQ(Parse("1e-400").status, CoefficientStatus::Number);
    EXPECT_EQ(Parse("1e-400").value, 0.0f);
    EXPECT_TRUE(std::signbit(Parse("-1e-60").value));
}

TEST(CoefficientText, RefusesWhatIsNotExactlyOneNumber)
{
    for (const char* text : {"", "   ", "abc", "5 nm", "1.2.3", "5e", "e5", ".", "-", "+-1", "--1", "1 2", "inf",
                             "-inf", "nan", "infinity", "0x10", "1,5"}) {
        EXPECT_EQ(Parse(text).status, CoefficientStatus::NotANumber) << '"' << text << '"';
    }
    for (const char* text : {"1e39", "-1e39", "3.5e38", "1e400"})
        EXPECT_EQ(Parse(text).status, CoefficientStatus::OutOfRange) << text;
    EXPECT_EQ(Parse("3.40282e+38").status, CoefficientStatus::Number);
}

TEST(CoefficientText, ShowingAndReadingBackRoundsToSixDigitsOnce)
{
    for (float value : {0.5f, 5e-5f, 350.0f, 0.123456789f, 532.123456f, -7.77777777e-10f, 1e-30f, 2047.5f}) {
        const std::string shown = FormatCoefficient(value);
        const ParsedCoefficient back = ParseCoefficient(shown);
        ASSERT_EQ(back.status, CoefficientStatus::Number) << shown;
        EXPECT_NEAR(back.value, value, std::fabs(value) * 5e-6) << shown;
        // A second pass changes nothing.
        EXPECT_EQ(FormatCoefficient(back.value), shown);
    }
}

// Counts and seconds of the timed series.

using vexlar::UnsignedText;

TEST(UnsignedText, OnlyUnsignedWholeNumbers)
{
    EXPECT_EQ(UnsignedText("60"), 60u);
    EXPECT_EQ(UnsignedText("  0012 "), 12u);
    EXPECT_EQ(UnsignedText("0"), 0u);
    EXPECT_EQ(UnsignedText("4294967295"), 4294967295u);
    for (const char* bad :
         {"", "  ", "abc", "6a", "a6", "-1", "+1", "1.5", "1e3", "4294967296", "99999999999999999999"})
        EXPECT_FALSE(UnsignedText(bad).has_value()) << bad;
}
