// Calibration coefficients as the configuration dialog shows and reads them.

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "calibration/CoefficientText.h"

using namespace vexlar::calibration;

namespace {

ParsedCoefficient Parse(const char* text) { return ParseCoefficient(text); }

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
    for (const char* text : {"", "   ", "abc", "5 nm", "1.2.3", "5e", "e5", ".", "-", "+-1", "--1", "1 2",
                             "inf", "-inf", "nan", "infinity", "0x10", "1,5"}) {
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
