#include "AxisRange.h"

#include <algorithm>
#include <cmath>

namespace vexlar::xrt {

namespace {

constexpr double kLargestValue = 1e200;    // well inside what the plot can scale
constexpr double kRelativeMinSpan = 1e-9;  // narrower spans lose the tick labels' precision
constexpr double kAbsoluteMinSpan = 1e-100;
constexpr double kEqualRelativeHalfSpan = 0.01;  // min == max: show +-1 % around the value
constexpr double kEqualZeroHalfSpan = 0.5;       // min == max == 0: show -0.5 .. 0.5

}  // namespace

DrawnRange DrawableRange(double minimum, double maximum)
{
    DrawnRange range;
    if (!std::isfinite(minimum) || !std::isfinite(maximum))
        return range;
    range.reversed = minimum > maximum;
    double lower = std::clamp(std::min(minimum, maximum), -kLargestValue, kLargestValue);
    double upper = std::clamp(std::max(minimum, maximum), -kLargestValue, kLargestValue);
    const double centre = lower / 2 + upper / 2;
    if (lower == upper) {
        const double half =
            centre != 0.0 ? std::max(std::abs(centre) * kEqualRelativeHalfSpan, kAbsoluteMinSpan) : kEqualZeroHalfSpan;
        lower = centre - half;
        upper = centre + half;
    } else {
        const double minSpan = std::max(std::abs(centre) * kRelativeMinSpan, kAbsoluteMinSpan);
        if (upper - lower < minSpan) {
            lower = centre - minSpan / 2;
            upper = centre + minSpan / 2;
        }
    }
    range.lower = lower;
    range.upper = upper;
    return range;
}

}  // namespace vexlar::xrt
