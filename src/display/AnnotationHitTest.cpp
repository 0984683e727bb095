#include "display/AnnotationHitTest.h"

namespace vexlar::display {

bool PlotHolds(const PixelRect& plot, int x, int y)
{
    return x >= plot.left && x <= plot.right && y >= plot.top && y <= plot.bottom;
}

bool AnnotationHolds(const int rect[4], int x, int y)
{
    return rect[0] <= x && x < rect[2] && rect[1] <= y && y < rect[3];
}

}  // namespace vexlar::display
