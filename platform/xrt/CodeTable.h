#pragma once
// Which codes a chart and a text area know, the type of value each takes, and
// which are read only. Checked before any value reaches the chart, so a
// value is never read as a type it is not.

#include <cstddef>

#include "XrtCodes.h"
#include "XrtValue.h"

namespace vexlar::xrt {

// The values an int code accepts.
enum class IntRange { Any, Flag, NonNegative, Attach, Placement };

struct CodeInfo {
    int code;
    const char* name;
    XrtValueType type;
    bool readOnly;
    IntRange range;  // for XrtValueType::Int
};

inline constexpr CodeInfo kChartCodes[] = {
    {XRT_CURSOR_SHOWN, "cursor shown", XrtValueType::Int, false, IntRange::Flag},
    {XRT_REPAINT, "repaint", XrtValueType::Int, false, IntRange::Flag},
    {XRT_DATA, "data shown", XrtValueType::Handle, false, IntRange::Any},
    {XRT_SECOND_STYLE, "second style", XrtValueType::Style, false, IntRange::Any},
    {XRT_WIDTH, "width", XrtValueType::Int, false, IntRange::NonNegative},
    {XRT_HEIGHT, "height", XrtValueType::Int, false, IntRange::NonNegative},
    {XRT_X_BOUND_MIN, "lower X bound", XrtValueType::Double, false, IntRange::Any},
    {XRT_X_BOUND_MAX, "upper X bound", XrtValueType::Double, false, IntRange::Any},
    {XRT_X_MAX, "X maximum", XrtValueType::Double, false, IntRange::Any},
    {XRT_Y_MAX, "Y maximum", XrtValueType::Double, false, IntRange::Any},
    {XRT_X_MIN, "X minimum", XrtValueType::Double, false, IntRange::Any},
    {XRT_Y_MIN, "Y minimum", XrtValueType::Double, false, IntRange::Any},
    {XRT_CURSOR_POINT, "cursor point", XrtValueType::Int, false, IntRange::Any},
    {XRT_ORIGIN_X, "origin x", XrtValueType::Int, false, IntRange::Any},
    {XRT_ORIGIN_Y, "origin y", XrtValueType::Int, false, IntRange::Any},
    {XRT_MARGIN_LEFT, "left margin", XrtValueType::Int, false, IntRange::NonNegative},
    {XRT_MARGIN_BOTTOM, "bottom margin", XrtValueType::Int, false, IntRange::NonNegative},
    {XRT_MARGIN_TOP, "top margin", XrtValueType::Int, false, IntRange::NonNegative},
    {XRT_MARGIN_RIGHT, "right margin", XrtValueType::Int, false, IntRange::NonNegative},
    {XRT_X_TITLE, "X axis title", XrtValueType::Text, false, IntRange::Any},
    {XRT_Y_TITLE, "Y axis title", XrtValueType::Text, false, IntRange::Any},
    {XRT_X_GRID_SHOWN, "X grid shown", XrtValueType::Int, false, IntRange::Flag},
    {XRT_Y_GRID_SHOWN, "Y grid shown", XrtValueType::Int, false, IntRange::Flag},
    {XRT_LEGEND_SHOWN, "legend shown", XrtValueType::Int, false, IntRange::Flag},
    {XRT_TOP_AXIS_SHOWN, "top axis shown", XrtValueType::Int, false, IntRange::Flag},
    {XRT_RIGHT_AXIS_SHOWN, "right axis shown", XrtValueType::Int, false, IntRange::Flag},
    {XRT_X_MINOR_TICKS_SHOWN, "X minor ticks shown", XrtValueType::Int, false, IntRange::Flag},
    {XRT_Y_MINOR_TICKS_SHOWN, "Y minor ticks shown", XrtValueType::Int, false, IntRange::Flag},
    {XRT_ANTIALIASED_LINES, "antialiased lines", XrtValueType::Int, false, IntRange::Flag},
    {XRT_TEXT_AREAS_ENABLED, "text areas enabled", XrtValueType::Int, false, IntRange::Flag},
};

inline constexpr CodeInfo kTextCodes[] = {
    {XRT_TEXT_SHOWN, "text shown", XrtValueType::Int, false, IntRange::Flag},
    {XRT_TEXT_WIDTH, "text width", XrtValueType::Int, true, IntRange::Any},
    {XRT_TEXT_HEIGHT, "text height", XrtValueType::Int, true, IntRange::Any},
    {XRT_TEXT_ANCHOR_X, "anchor x", XrtValueType::Double, false, IntRange::Any},
    {XRT_TEXT_ANCHOR_Y, "anchor y", XrtValueType::Double, false, IntRange::Any},
    {XRT_TEXT_FONT, "font", XrtValueType::Handle, false, IntRange::Any},
    {XRT_TEXT_DATA_SET, "data set", XrtValueType::Int, false, IntRange::NonNegative},
    {XRT_TEXT_POINT, "point index", XrtValueType::Int, false, IntRange::NonNegative},
    {XRT_TEXT_LEFT, "text left", XrtValueType::Int, true, IntRange::Any},
    {XRT_TEXT_TOP, "text top", XrtValueType::Int, true, IntRange::Any},
    {XRT_TEXT_LINES, "text lines", XrtValueType::TextLines, false, IntRange::Any},
    {XRT_TEXT_ATTACH, "attachment", XrtValueType::Int, false, IntRange::Attach},
    {XRT_TEXT_PLACEMENT, "placement", XrtValueType::Int, false, IntRange::Placement},
};

template <std::size_t N>
constexpr const CodeInfo* FindCode(const CodeInfo (&table)[N], int code)
{
    for (const CodeInfo& info : table) {
        if (info.code == code)
            return &info;
    }
    return nullptr;
}

constexpr bool IntInRange(IntRange range, int value)
{
    switch (range) {
    case IntRange::Any:
        return true;
    case IntRange::Flag:
        return value == 0 || value == 1;
    case IntRange::NonNegative:
        return value >= 0;
    case IntRange::Attach:
        return value == XRT_ATTACH_COORDS || value == XRT_ATTACH_DATA_POINT;
    case IntRange::Placement:
        return value == XRT_PLACE_AT_CORNER || value == XRT_PLACE_CENTRED || value == XRT_PLACE_ABOVE;
    }
    return false;
}

constexpr const char* TypeName(XrtValueType type)
{
    switch (type) {
    case XrtValueType::Int:
        return "an int";
    case XrtValueType::Double:
        return "a double";
    case XrtValueType::Text:
        return "a text";
    case XrtValueType::TextLines:
        return "a list of text lines";
    case XrtValueType::Handle:
        return "a handle";
    case XrtValueType::Style:
        return "a data style";
    }
    return "an unknown type";
}

}  // namespace vexlar::xrt
