// Windows-1252 to and from UTF-8: the annotation file's characters.

#include <gtest/gtest.h>

#include <string>

#include "display/Windows1252.h"

using namespace vexlar::display;

TEST(Windows1252, EveryByteIsACharacterAndComesBackTheSame)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::string text = Utf8FromWindows1252(all);
    const std::optional<std::string> back = Windows1252FromUtf8(text);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, all);

    // The characters of the high range, as Windows-1252 defines them.
    EXPECT_EQ(Utf8FromWindows1252("25\xB0"
                                  "C"),
              "25\u00B0C");
    EXPECT_EQ(Utf8FromWindows1252("\x80"), "\u20AC");            // euro sign
    EXPECT_EQ(Utf8FromWindows1252("\x96\x97"), "\u2013\u2014");  // en and em dash
    EXPECT_EQ(Utf8FromWindows1252("\x93x\x94 \x91y\x92"), "\u201Cx\u201D \u2018y\u2019");
    EXPECT_EQ(Utf8FromWindows1252("\x8A\x9F\x83\x99"), "\u0160\u0178\u0192\u2122");
    EXPECT_EQ(Utf8FromWindows1252("\xE9\xFF\xA0"), "\u00E9\u00FF\u00A0");
    // The five bytes it leaves undefined stand for the control characters
    // of their own number.
    EXPECT_EQ(Utf8FromWindows1252("\x81\x8D\x8F\x90\x9D"), "\u0081\u008D\u008F\u0090\u009D");
    EXPECT_EQ(Utf8FromWindows1252(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Windows1252, ACharacterItCannotHoldIsRefusedAndNamed)
{
    char32_t refused = 0;
    EXPECT_FALSE(Windows1252FromUtf8("\u03B1-pinene", &refused).has_value());
    EXPECT_EQ(refused, U'\u03B1');
    EXPECT_FALSE(Windows1252FromUtf8("10 \u00B5m \u2264 x", &refused).has_value());
    EXPECT_EQ(refused, U'\u2264') << "the first one it cannot hold; \u00B5 it can";
    EXPECT_FALSE(Windows1252FromUtf8("\U0001F52C", &refused).has_value());
    EXPECT_EQ(refused, U'\U0001F52C');
    // The C1 controls that stand for defined bytes are not those bytes.
    EXPECT_FALSE(Windows1252FromUtf8("\u0080", &refused).has_value());
    EXPECT_FALSE(Windows1252FromUtf8("\u009F", &refused).has_value());
    // Bytes that are not UTF-8: a lone continuation, a cut character, an
    // overlong form, a surrogate.
    for (const char* broken : {"a\x80", "\xE2\x82", "\xC0\xAF", "\xED\xA0\x80"}) {
        refused = 0;
        EXPECT_FALSE(Windows1252FromUtf8(broken, &refused).has_value()) << broken;
        EXPECT_EQ(refused, U'\uFFFD');
    }
    EXPECT_EQ(Windows1252FromUtf8("\u03B1 = 25\u00B0", '?'), "? = 25\xB0");
    EXPECT_EQ(Windows1252FromUtf8("", '?'), "");
}
