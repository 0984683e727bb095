#pragma once
// What a data style record (nine 32-bit words) means for drawing a set.

#include <QColor>

#include "XrtValue.h"

namespace vexlar::xrt {

struct SeriesLook {
    bool line = true;
    Qt::PenStyle lineStyle = Qt::SolidLine;
    QColor lineColor = Qt::black;
    int symbol = 0;  // XRT_SYMBOL_*
    int symbolSize = 0;
    QColor symbolColor = Qt::black;
};

// A colour word in the order 0x00BBGGRR.
QColor ColorFromBgr(std::uint32_t word);

SeriesLook LookFromStyle(const XrtDataStyle& style);

}  // namespace vexlar::xrt
