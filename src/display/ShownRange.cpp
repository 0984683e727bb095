#include "display/ShownRange.h"

namespace vexlar::display {

namespace {

constexpr double kAutoscaleStartLow = 4000.0;
constexpr double kAutoscaleStartHigh = 0.0;
constexpr int kBigStep = 25;

}  // namespace

PixelRange ShownPixelRange(const double* x, double xMinimum, double xMaximum)
{
    PixelRange r;
    for (int i = 0; i < kLastPixel; ++i) {
        if (x[i] < xMinimum)
            r.lo = i;
        if (x[i] < xMaximum)
            r.hi = i;
    }
    return r;
}

YRange AutoscaleYRange(const double* spectrum, PixelRange range)
{
    YRange y{kAutoscaleStartLow, kAutoscaleStartHigh};
    for (int i = range.lo; i < range.hi; ++i) {
        if (spectrum[i] < y.low)
            y.low = spectrum[i];
        if (spectrum[i] > y.high)
            y.high = spectrum[i];
    }
    return y;
}

int CursorStartPixel(PixelRange range)
{
    return range.lo + (range.hi - range.lo) / 2;
}

int MoveCursor(int p, CursorMove move)
{
    switch (move) {
    case CursorMove::Left1:
        return p == 0 ? kLastPixel : p - 1;
    case CursorMove::Right1:
        return p == kLastPixel ? 0 : p + 1;
    case CursorMove::Left25:
        if (p == 0)
            return kLastPixel;
        return p <= kBigStep - 1 ? 0 : p - kBigStep;
    case CursorMove::Right25:
        if (p == kLastPixel)
            return 0;
        return p >= kLastPixel - kBigStep + 1 ? kLastPixel : p + kBigStep;
    }
    return p;
}

}  // namespace vexlar::display
