#include "files/OpenedSpectrum.h"

#include <algorithm>

namespace vexlar::files {

namespace {

// Equal value for value; a bitwise comparison would tell 0.0 from -0.0,
// which no display or file distinguishes.
bool Same(const std::vector<double>& kept, const double* shown, int pixels)
{
    return pixels >= 0 && kept.size() == static_cast<std::size_t>(pixels) &&
           std::equal(kept.begin(), kept.end(), shown);
}

}  // namespace

bool HoldsFileAxis(const OpenedSpectrum& opened, int xAxisMode, const double* x, int pixels)
{
    return !opened.path.empty() && xAxisMode == opened.xAxisMode && Same(opened.x, x, pixels);
}

DisplayedOrigin OriginOf(const OpenedSpectrum& opened, int xAxisMode, const double* x, const double* y, int pixels)
{
    if (opened.path.empty() || !Same(opened.y, y, pixels))
        return DisplayedOrigin::Live;
    if (HoldsFileAxis(opened, xAxisMode, x, pixels))
        return DisplayedOrigin::OpenedFile;
    return DisplayedOrigin::OpenedFileOnCalibratedAxis;
}

}  // namespace vexlar::files
