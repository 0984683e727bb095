// Property values: every code takes exactly its own type of value; wrong
// types, unknown codes, read-only codes and values out of range are refused
// and leave the property as it was; what is set reads back.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "CodeTable.h"
#include "Font.h"
#include "Xrt.h"

namespace {

using vexlar::xrt::kChartCodes;
using vexlar::xrt::kTextCodes;

// One value of every type, so each code can be offered all the wrong ones.
struct Samples {
    int integer = 1;
    double real = 2.5;
    const char* text = "text";
    const char* lines[2] = {"line", nullptr};
    XrtHandle handle = 0;
    XrtDataStyle style;

    std::vector<XrtValue> All() const
    {
        return {XrtValue(integer), XrtValue(real),  XrtValue(text), XrtValue(static_cast<const char* const*>(lines)),
                XrtValue(handle),  XrtValue(&style)};
    }
};

TEST(XrtValues, EveryChartCodeRefusesEveryOtherType)
{
    XrtHandle chart = XrtCreate();
    XrtSetValues(chart, XRT_REPAINT, 0);
    Samples samples;
    for (const auto& info : kChartCodes) {
        for (const XrtValue& value : samples.All()) {
            if (value.type() == info.type)
                continue;
            EXPECT_FALSE(XrtSetValues(chart, info.code, value))
                << "code " << info.code << " took a value of type " << static_cast<int>(value.type());
        }
        // Reading into a variable of the wrong type is refused as well.
        double real = 0;
        int integer = 0;
        if (info.type == XrtValueType::Double)
            EXPECT_FALSE(XrtGetValues(chart, info.code, &integer)) << info.code;
        else
            EXPECT_FALSE(XrtGetValues(chart, info.code, &real)) << info.code;
    }
    EXPECT_NE(XrtGetLastError().find("not"), std::string::npos);
    XrtDestroy(chart);
}

TEST(XrtValues, EveryTextCodeRefusesEveryOtherType)
{
    XrtHandle chart = XrtCreate();
    XrtHandle text = XrtTextAreaCreate(chart);
    Samples samples;
    for (const auto& info : kTextCodes) {
        for (const XrtValue& value : samples.All()) {
            if (value.type() == info.type && !info.readOnly)
                continue;
            EXPECT_FALSE(XrtTextAreaSetValues(text, info.code, value)) << "code " << info.code;
        }
    }
    XrtDestroy(chart);
}

TEST(XrtValues, UnknownCodesAndCodesOfTheOtherTableAreRefused)
{
    XrtHandle chart = XrtCreate();
    XrtHandle text = XrtTextAreaCreate(chart);
    int value = 0;
    for (int code : {0, -1, 1, 274, 99999}) {
        EXPECT_FALSE(XrtSetValues(chart, code, 1));
        EXPECT_FALSE(XrtGetValues(chart, code, &value));
        EXPECT_FALSE(XrtTextAreaSetValues(text, code, 1));
    }
    EXPECT_NE(XrtGetLastError().find("99999"), std::string::npos) << XrtGetLastError();
    // Text-area codes mean nothing to a chart, and chart codes nothing to a text area.
    EXPECT_FALSE(XrtSetValues(chart, XRT_TEXT_SHOWN, 1));
    EXPECT_FALSE(XrtGetValues(chart, XRT_TEXT_LEFT, &value));
    EXPECT_FALSE(XrtTextAreaSetValues(text, XRT_REPAINT, 1));
    EXPECT_FALSE(XrtTextAreaSetValues(text, XRT_X_MIN, 1.0));
    XrtDestroy(chart);
}

TEST(XrtValues, BadValuesAreRefusedAndChangeNothing)
{
    XrtHandle chart = XrtCreate();
    XrtHandle text = XrtTextAreaCreate(chart);
    ASSERT_TRUE(XrtSetValues(chart, XRT_REPAINT, 0));
    ASSERT_TRUE(XrtSetValues(chart, XRT_X_MAX, 660.0));
    ASSERT_TRUE(XrtSetValues(chart, XRT_WIDTH, 800));
    ASSERT_TRUE(XrtSetValues(chart, XRT_X_TITLE, "Wavelength (nm)"));

    EXPECT_FALSE(XrtSetValues(chart, XRT_X_MAX, std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(XrtSetValues(chart, XRT_X_MAX, std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(XrtSetValues(chart, XRT_X_MAX, 660));  // an int where a double belongs
    EXPECT_FALSE(XrtSetValues(chart, XRT_WIDTH, -1));
    EXPECT_FALSE(XrtSetValues(chart, XRT_WIDTH, 800.0));
    EXPECT_FALSE(XrtSetValues(chart, XRT_CURSOR_SHOWN, 2));
    EXPECT_FALSE(XrtSetValues(chart, XRT_REPAINT, -1));
    EXPECT_FALSE(XrtSetValues(chart, XRT_X_TITLE, static_cast<const char*>(nullptr)));
    EXPECT_FALSE(XrtSetValues(chart, XRT_X_TITLE, std::string(5000, 'x').c_str()));
    EXPECT_FALSE(XrtSetValues(chart, XRT_DATA, XrtHandle{12345}));
    EXPECT_FALSE(XrtSetValues(chart, XRT_DATA, 0));  // int 0, not a handle

    double xMax = 0;
    int width = 0, shown = 0, repaint = 1;
    std::string title;
    EXPECT_TRUE(XrtGetValues(chart, XRT_X_MAX, &xMax));
    EXPECT_TRUE(XrtGetValues(chart, XRT_WIDTH, &width));
    EXPECT_TRUE(XrtGetValues(chart, XRT_CURSOR_SHOWN, &shown));
    EXPECT_TRUE(XrtGetValues(chart, XRT_REPAINT, &repaint));
    EXPECT_TRUE(XrtGetValues(chart, XRT_X_TITLE, &title));
    EXPECT_EQ(xMax, 660.0);
    EXPECT_EQ(width, 800);
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(repaint, 0);
    EXPECT_EQ(title, "Wavelength (nm)");

    // Text areas: geometry is read only, attachment and placement take their
    // own values only, a font must be a live font.
    EXPECT_FALSE(XrtTextAreaSetValues(text, XRT_TEXT_LEFT, 5));
    EXPECT_FALSE(XrtTextAreaSetValues(text, XRT_TEXT_ATTACH, 5));
    EXPECT_FALSE(XrtTextAreaSetValues(text, XRT_TEXT_PLACEMENT, 7));
    EXPECT_FALSE(XrtTextAreaSetValues(text, XRT_TEXT_POINT, -1));
    EXPECT_FALSE(XrtTextAreaSetValues(text, XRT_TEXT_FONT, XrtHandle{424242}));
    EXPECT_FALSE(XrtTextAreaSetValues(text, XRT_TEXT_LINES, static_cast<const char* const*>(nullptr)));
    std::vector<const char*> tooMany(150, "x");
    tooMany.push_back(nullptr);
    EXPECT_FALSE(XrtTextAreaSetValues(text, XRT_TEXT_LINES, tooMany.data()));
    int attach = -1;
    EXPECT_TRUE(XrtTextAreaGetValues(text, XRT_TEXT_ATTACH, &attach));
    EXPECT_EQ(attach, XRT_ATTACH_COORDS);
    std::vector<std::string> lines = {"untouched"};
    EXPECT_TRUE(XrtTextAreaGetValues(text, XRT_TEXT_LINES, &lines));
    EXPECT_TRUE(lines.empty());

    // A null place for the value read back is refused, not written through.
    EXPECT_FALSE(XrtGetValues(chart, XRT_WIDTH, static_cast<int*>(nullptr)));
    XrtDestroy(chart);
}

TEST(XrtValues, WhatIsSetReadsBack)
{
    XrtHandle chart = XrtCreate();
    XrtHandle data = XrtDataCreate(XRT_DATA_SEPARATE_X, 1, 2048);
    ASSERT_TRUE(XrtSetValues(chart, XRT_REPAINT, 0));

    const std::pair<int, int> ints[] = {
        {XRT_CURSOR_SHOWN, 1},
        {XRT_WIDTH, 1234},
        {XRT_HEIGHT, 567},
        {XRT_ORIGIN_X, 3},
        {XRT_ORIGIN_Y, -4},
        {XRT_CURSOR_POINT, 1000},
        {XRT_MARGIN_LEFT, 60},
        {XRT_MARGIN_BOTTOM, 61},
        {XRT_MARGIN_TOP, 18},
        {XRT_MARGIN_RIGHT, 40},
        {XRT_X_GRID_SHOWN, 1},
        {XRT_Y_GRID_SHOWN, 1},
        {XRT_LEGEND_SHOWN, 1},
        {XRT_TOP_AXIS_SHOWN, 1},
        {XRT_RIGHT_AXIS_SHOWN, 1},
        {XRT_X_MINOR_TICKS_SHOWN, 1},
        {XRT_Y_MINOR_TICKS_SHOWN, 1},
        {XRT_ANTIALIASED_LINES, 1},
        {XRT_TEXT_AREAS_ENABLED, 0},
    };
    for (auto [code, value] : ints)
        ASSERT_TRUE(XrtSetValues(chart, code, value)) << code << ": " << XrtGetLastError();
    const std::pair<int, double> doubles[] = {
        {XRT_X_MIN, 350.25}, {XRT_X_MAX, -1e-300},     {XRT_Y_MIN, 0.0},
        {XRT_Y_MAX, 4100.0}, {XRT_X_BOUND_MIN, 351.0}, {XRT_X_BOUND_MAX, 1583.0625},
    };
    for (auto [code, value] : doubles)
        ASSERT_TRUE(XrtSetValues(chart, code, value)) << code;
    ASSERT_TRUE(XrtSetValues(chart, XRT_X_TITLE, "Raman Shift (cm-1)"));
    ASSERT_TRUE(XrtSetValues(chart, XRT_Y_TITLE, "Intensity"));
    ASSERT_TRUE(XrtSetValues(chart, XRT_DATA, data));
    XrtDataStyle second;
    second.words[XRT_STYLE_LINE_COLOR] = 0xFF0000;
    ASSERT_TRUE(XrtSetValues(chart, XRT_SECOND_STYLE, &second));

    for (auto [code, value] : ints) {
        int read = -99;
        ASSERT_TRUE(XrtGetValues(chart, code, &read)) << code;
        EXPECT_EQ(read, value) << code;
    }
    for (auto [code, value] : doubles) {
        double read = -99;
        ASSERT_TRUE(XrtGetValues(chart, code, &read)) << code;
        EXPECT_EQ(read, value) << code;
    }
    std::string title;
    XrtGetValues(chart, XRT_X_TITLE, &title);
    EXPECT_EQ(title, "Raman Shift (cm-1)");
    XrtHandle shown = 0;
    XrtGetValues(chart, XRT_DATA, &shown);
    EXPECT_EQ(shown, data);
    const XrtDataStyle* style = nullptr;
    XrtGetValues(chart, XRT_SECOND_STYLE, &style);
    EXPECT_EQ(style, &second);

    // The set's own style is copied.
    XrtDataStyle own;
    own.words[XRT_STYLE_LINE_COLOR] = 0x0000FF;
    ASSERT_TRUE(XrtSetNthDataStyle(chart, 0, &own));
    own.words[XRT_STYLE_LINE_COLOR] = 0;
    XrtDataStyle copy;
    ASSERT_TRUE(XrtGetNthDataStyle(chart, 0, &copy));
    EXPECT_EQ(copy.words[XRT_STYLE_LINE_COLOR], 0x0000FFu);
    EXPECT_FALSE(XrtGetNthDataStyle(chart, 5, &copy));
    EXPECT_FALSE(XrtSetNthDataStyle(chart, -1, &own));

    // Text areas.
    XrtHandle text = XrtTextAreaCreate(chart);
    vexlar::sys::FontHandle font = vexlar::sys::CreateFont(14, 0, 900, 900, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    const char* lines[] = {"650.12", "second line", nullptr};
    ASSERT_TRUE(XrtTextAreaSetValues(text, XRT_TEXT_FONT, font));
    ASSERT_TRUE(XrtTextAreaSetValues(text, XRT_TEXT_LINES, lines));
    ASSERT_TRUE(XrtTextAreaSetValues(text, XRT_TEXT_ATTACH, XRT_ATTACH_DATA_POINT));
    ASSERT_TRUE(XrtTextAreaSetValues(text, XRT_TEXT_PLACEMENT, XRT_PLACE_ABOVE));
    ASSERT_TRUE(XrtTextAreaSetValues(text, XRT_TEXT_DATA_SET, 0));
    ASSERT_TRUE(XrtTextAreaSetValues(text, XRT_TEXT_POINT, 2047));
    ASSERT_TRUE(XrtTextAreaSetValues(text, XRT_TEXT_ANCHOR_X, 512.5));
    ASSERT_TRUE(XrtTextAreaSetValues(text, XRT_TEXT_ANCHOR_Y, -3.0));
    ASSERT_TRUE(XrtTextAreaSetValues(text, XRT_TEXT_SHOWN, 1));
    vexlar::sys::DeleteFont(font);  // the text area keeps its own copy

    std::vector<std::string> readLines;
    int value = 0;
    double anchor = 0;
    XrtHandle readFont = 0;
    XrtTextAreaGetValues(text, XRT_TEXT_LINES, &readLines);
    EXPECT_EQ(readLines, (std::vector<std::string>{"650.12", "second line"}));
    XrtTextAreaGetValues(text, XRT_TEXT_ATTACH, &value);
    EXPECT_EQ(value, XRT_ATTACH_DATA_POINT);
    XrtTextAreaGetValues(text, XRT_TEXT_PLACEMENT, &value);
    EXPECT_EQ(value, XRT_PLACE_ABOVE);
    XrtTextAreaGetValues(text, XRT_TEXT_POINT, &value);
    EXPECT_EQ(value, 2047);
    XrtTextAreaGetValues(text, XRT_TEXT_ANCHOR_X, &anchor);
    EXPECT_EQ(anchor, 512.5);
    XrtTextAreaGetValues(text, XRT_TEXT_ANCHOR_Y, &anchor);
    EXPECT_EQ(anchor, -3.0);
    XrtTextAreaGetValues(text, XRT_TEXT_FONT, &readFont);
    EXPECT_EQ(readFont, font);
    vexlar::sys::LogFont kept;
    ASSERT_TRUE(XrtTextAreaGetFont(text, &kept));
    EXPECT_EQ(kept.height, 14);
    EXPECT_EQ(kept.escapement, 900);
    EXPECT_EQ(kept.faceName, "Arial");

    XrtDestroy(chart);
    XrtDataDestroy(data);
}

TEST(XrtValues, CodeTablesNameEveryCodeOnceWithItsType)
{
    std::vector<int> seen;
    for (const auto& info : kChartCodes)
        seen.push_back(info.code);
    for (const auto& info : kTextCodes)
        seen.push_back(info.code);
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end()) << "a code is listed twice";
    EXPECT_EQ(vexlar::xrt::FindCode(kChartCodes, XRT_X_MIN)->type, XrtValueType::Double);
    EXPECT_EQ(vexlar::xrt::FindCode(kChartCodes, XRT_DATA)->type, XrtValueType::Handle);
    EXPECT_EQ(vexlar::xrt::FindCode(kChartCodes, XRT_SECOND_STYLE)->type, XrtValueType::Style);
    EXPECT_EQ(vexlar::xrt::FindCode(kTextCodes, XRT_TEXT_LINES)->type, XrtValueType::TextLines);
    EXPECT_TRUE(vexlar::xrt::FindCode(kTextCodes, XRT_TEXT_WIDTH)->readOnly);
}

}  // namespace
