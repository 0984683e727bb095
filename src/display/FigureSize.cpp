#include "display/FigureSize.h"

#include <cmath>

namespace vexlar::display {

namespace {

constexpr double kMetresPerInch = 0.0254;

std::int64_t Side(int screenPixels, double screenDpi, int dpi)
{
    const double pixels = std::round(static_cast<double>(screenPixels) / screenDpi * dpi);
    return pixels < 1.0 ? 1 : static_cast<std::int64_t>(pixels);
}

}  // namespace

FigurePixels FigureSizeAt(int chartWidth, int chartHeight, double screenDpi, int dpi)
{
    if (chartWidth <= 0 || chartHeight <= 0 || !(screenDpi > 0.0) || !std::isfinite(screenDpi) || dpi <= 0)
        return {};
    return {Side(chartWidth, screenDpi, dpi), Side(chartHeight, screenDpi, dpi)};
}

bool FigureFits(const FigurePixels& size)
{
    // Each side within what an image holds, and the area within the budget
    // (tested by division, so the product never overflows).
    constexpr std::int64_t kLargestSide = 1 << 20;
    if (size.empty() || size.width > kLargestSide || size.height > kLargestSide)
        return false;
    return size.width <= kLargestFigurePixels / size.height;
}

int LargestFigureDpi(int chartWidth, int chartHeight, double screenDpi)
{
    // The figure grows with the resolution: the highest that fits lies
    // between the lowest that does and the first that does not.
    const auto fits = [&](int dpi) { return FigureFits(FigureSizeAt(chartWidth, chartHeight, screenDpi, dpi)); };
    if (fits(kLargestFigureDpi))
        return kLargestFigureDpi;
    int low = kSmallestFigureDpi;
    int high = kLargestFigureDpi;
    if (!fits(low))
        return low;
    while (high - low > 1) {
        const int middle = low + (high - low) / 2;
        (fits(middle) ? low : high) = middle;
    }
    return low;
}

int DotsPerMetre(int dpi)
{
    return static_cast<int>(std::lround(dpi / kMetresPerInch));
}

}  // namespace vexlar::display
