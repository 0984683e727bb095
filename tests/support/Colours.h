#pragma once
// Colours as tests find them in a drawn chart or page.

#include <QColor>

namespace vexlar::test {

// The spectrum's red, also where a thin line is blended into the white paper.
inline bool IsRed(QRgb p)
{
    return qRed(p) > 150 && qRed(p) - qGreen(p) > 60 && qRed(p) - qBlue(p) > 60;
}

}  // namespace vexlar::test
