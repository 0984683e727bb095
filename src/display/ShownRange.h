#pragma once
// Which detector pixels the chart's shown x range covers, and what the
// scale and cursor commands make of them.

namespace vexlar::display {

constexpr int kPixels = 2048;
constexpr int kLastPixel = kPixels - 1;

// The pixel range under the shown x range, searched the instrument's way:
// for each pixel below the last, lo is the last pixel whose x lies below the
// X minimum and hi the last whose x lies below the X maximum (both 0 when no
// pixel qualifies). The last pixel is never examined.
struct PixelRange {
    int lo = 0;
    int hi = 0;
};
PixelRange ShownPixelRange(const double* x, double xMinimum, double xMaximum);

// Autoscale's y range over pixels lo to hi - 1: starting from 4000 and 0, the
// lowest and highest intensity there. No pixel (lo >= hi) leaves 4000 and 0.
struct YRange {
    double low;
    double high;
};
YRange AutoscaleYRange(const double* spectrum, PixelRange range);

// Where switching the cursor on puts it: halfway between lo and hi.
int CursorStartPixel(PixelRange range);

// The four cursor moves: a move that starts on the last pixel in its
// direction wraps to the other end; a 25-pixel move that would pass an end
// stops on it.
enum class CursorMove { Left1, Right1, Left25, Right25 };
int MoveCursor(int pixel, CursorMove move);

}  // namespace vexlar::display
