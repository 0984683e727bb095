#include "SeriesStyle.h"

#include <algorithm>

#include "XrtCodes.h"

namespace vexlar::xrt {

namespace {

constexpr int kMaxSymbolSize = 64;

}  // namespace

QColor ColorFromBgr(std::uint32_t word)
{
    return QColor(static_cast<int>(word & 0xFF), static_cast<int>((word >> 8) & 0xFF),
                  static_cast<int>((word >> 16) & 0xFF));
}

SeriesLook LookFromStyle(const XrtDataStyle& style)
{
    SeriesLook look;
    switch (static_cast<int>(style.words[XRT_STYLE_LINE_PATTERN])) {
    case XRT_LINE_NONE:
        look.line = false;
        break;
    case XRT_LINE_DASHED:
        look.lineStyle = Qt::DashLine;
        break;
    case XRT_LINE_DOTTED:
        look.lineStyle = Qt::DotLine;
        break;
    case XRT_LINE_DASH_DOT:
        look.lineStyle = Qt::DashDotLine;
        break;
    default:
        look.lineStyle = Qt::SolidLine;
        break;
    }
    look.lineColor = ColorFromBgr(style.words[XRT_STYLE_LINE_COLOR]);

    const int symbol = static_cast<int>(style.words[XRT_STYLE_SYMBOL]);
    // A one-pixel point per sample lies under the line anyway; it is drawn
    // only when there is no line, which saves a pass over every point.
    if (symbol == XRT_SYMBOL_PIXEL)
        look.symbol = look.line ? XRT_SYMBOL_NONE : XRT_SYMBOL_PIXEL;
    else if (symbol >= XRT_SYMBOL_DOT && symbol <= XRT_SYMBOL_CIRCLE)
        look.symbol = symbol;
    else
        look.symbol = XRT_SYMBOL_NONE;
    look.symbolSize = std::clamp(static_cast<int>(style.words[XRT_STYLE_SYMBOL_SIZE]), 1, kMaxSymbolSize);
    look.symbolColor = ColorFromBgr(style.words[XRT_STYLE_SYMBOL_COLOR]);
    return look;
}

}  // namespace vexlar::xrt
