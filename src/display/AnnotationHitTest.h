#pragma once
// Where a right-click lands on the chart: inside the plot rectangle or not,
// and on which annotation. Plain C++ over the slots' rectangles, so that the
// view's context menu only gathers the numbers and shows the result.

#include <cstddef>

namespace vexlar::display {

// A rectangle in chart-window pixels: left, top, right, bottom.
struct PixelRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// Whether (x, y) lies in the plot rectangle; its edges belong to it.
bool PlotHolds(const PixelRect& plot, int x, int y);

// Whether (x, y) lies in an annotation's rectangle: left and top edges
// included, right and bottom excluded.
bool AnnotationHolds(const int rect[4], int x, int y);

// The slot hit at (x, y): where annotations overlap the lowest slot in use
// whose rectangle holds the point; -1 over a blank area. Slots is any
// sequence of records with `inUse` and `screenRect`.
template <typename Slots>
int HitAnnotation(const Slots& slots, int x, int y)
{
    int slot = 0;
    for (const auto& a : slots) {
        if (a.inUse && AnnotationHolds(a.screenRect, x, y))
            return slot;
        ++slot;
    }
    return -1;
}

}  // namespace vexlar::display
