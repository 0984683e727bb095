#pragma once
// Where a text area's lines go on the chart: the block of lines, turned by
// the font's escapement, placed on its anchor point. The same layout gives
// the geometry the program reads back and the position the text is drawn
// at, so the two always agree.

#include <QFont>
#include <QPointF>
#include <QRect>
#include <QSizeF>
#include <QString>

#include <vector>

class QPainter;

namespace vexlar::xrt {

// Gap between a point and the text placed above it, pixels.
constexpr double kTextGapAbovePoint = 4.0;

struct TextBlockLayout {
    QPointF origin;      // where the block's own top-left corner lands (before turning)
    double angle = 0.0;  // degrees, counter-clockwise
    QRect box;           // the turned block's bounding box on the chart, whole pixels
};

// Size of the unturned block of lines: widest line by the lines' spacing.
QSizeF TextBlockSize(const QFont& font, const std::vector<QString>& lines);

// Places a block of the given size, turned by angle degrees, on the anchor
// (chart pixels) as placement (XRT_PLACE_*) asks. The origin is kept on
// whole pixels so the text is drawn crisp.
TextBlockLayout LayOutTextBlock(QSizeF blockSize, double angle, QPointF anchor, int placement);

// Draws the lines as laid out.
void DrawTextBlock(QPainter* painter, const TextBlockLayout& layout, const QFont& font,
                   const std::vector<QString>& lines);

}  // namespace vexlar::xrt
