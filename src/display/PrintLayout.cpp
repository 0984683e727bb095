#include "display/PrintLayout.h"

#include <cstdint>

namespace vexlar {
namespace {

// size * numerator / denominator, rounded to the nearest whole unit (halves
// up). All three are positive; the product is taken in 64 bits so that large
// charts on high-resolution pages cannot overflow.
int ScaleRounded(int size, int numerator, int denominator)
{
    const std::int64_t twice = 2 * static_cast<std::int64_t>(size) * numerator + denominator;
    return static_cast<int>(twice / (2 * static_cast<std::int64_t>(denominator)));
}

}  // namespace

PrintedChartRect LayOutPrintedChart(int chartWidth, int chartHeight, int pageWidth, int pageHeight)
{
    if (chartWidth <= 0 || chartHeight <= 0 || pageWidth <= 0 || pageHeight <= 0)
        return {};

    const std::int64_t chartAcrossPage = static_cast<std::int64_t>(chartWidth) * pageHeight;
    const std::int64_t pageAcrossChart = static_cast<std::int64_t>(pageWidth) * chartHeight;

    PrintedChartRect rect;
    if (chartAcrossPage < pageAcrossChart) {
        // Narrower than the page: full height, centred across.
        rect.height = pageHeight;
        rect.width = ScaleRounded(chartWidth, pageHeight, chartHeight);
        rect.left = (pageWidth - rect.width) / 2;
    } else {
        // As wide as the page or wider (equal proportions included): full
        // width, centred down.
        rect.width = pageWidth;
        rect.height = ScaleRounded(chartHeight, pageWidth, chartWidth);
        rect.top = (pageHeight - rect.height) / 2;
    }
    return rect;
}

}  // namespace vexlar
