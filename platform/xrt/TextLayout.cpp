#include "TextLayout.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cmath>

#include "XrtCodes.h"

namespace vexlar::xrt {

QSizeF TextBlockSize(const QFont& font, const std::vector<QString>& lines)
{
    if (lines.empty())
        return {};
    QFontMetricsF metrics(font);
    double width = 0.0;
    for (const QString& line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    const double height = metrics.height() + metrics.lineSpacing() * static_cast<double>(lines.size() - 1);
    return {width, height};
}

TextBlockLayout LayOutTextBlock(QSizeF blockSize, double angle, QPointF anchor, int placement)
{
    // The turned block relative to its own top-left corner; QTransform turns
    // clockwise on the y-down screen, so counter-clockwise is a negative angle.
    const QRectF turned = QTransform().rotate(-angle).mapRect(QRectF(QPointF(0, 0), blockSize));

    QPointF wanted;  // where turned.topLeft() should land
    switch (placement) {
    case XRT_PLACE_CENTRED:
        wanted = anchor - QPointF(turned.width() / 2, turned.height() / 2);
        break;
    case XRT_PLACE_ABOVE:
        wanted = anchor - QPointF(turned.width() / 2, turned.height() + kTextGapAbovePoint);
        break;
    default:
        wanted = anchor;
        break;
    }
    const QPointF shift = wanted - turned.topLeft();
    TextBlockLayout layout;
    layout.origin = QPointF(std::round(shift.x()), std::round(shift.y()));
    layout.angle = angle;
    const QRectF box = turned.translated(layout.origin);
    const int left = static_cast<int>(std::floor(box.left()));
    const int top = static_cast<int>(std::floor(box.top()));
    const int right = static_cast<int>(std::ceil(box.right()));
    const int bottom = static_cast<int>(std::ceil(box.bottom()));
    layout.box = QRect(left, top, right - left, bottom - top);
    return layout;
}

void DrawTextBlock(QPainter* painter, const TextBlockLayout& layout, const QFont& font,
                   const std::vector<QString>& lines)
{
    QFontMetricsF metrics(font);
    painter->save();
    painter->setFont(font);
    painter->translate(layout.origin);
    painter->rotate(-layout.angle);
    double baseline = metrics.ascent();
    for (const QString& line : lines) {
        painter->drawText(QPointF(0, baseline), line);
        baseline += metrics.lineSpacing();
    }
    painter->restore();
}

}  // namespace vexlar::xrt
