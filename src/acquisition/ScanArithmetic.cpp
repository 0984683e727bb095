#include "acquisition/ScanArithmetic.h"

namespace vexlar::acquisition {

ScanUse UseOfScan(bool additive, bool subtractDark)
{
    if (additive)
        return ScanUse::AddToSum;
    return subtractDark ? ScanUse::SubtractDark : ScanUse::Replace;
}

void ApplyScan(ScanUse use, const float* scan, const double* dark, double* spectrum, int pixels)
{
    switch (use) {
    case ScanUse::AddToSum:
        for (int i = 0; i < pixels; ++i)
            spectrum[i] = (static_cast<double>(scan[i]) - dark[i]) + spectrum[i];
        break;
    case ScanUse::SubtractDark:
        for (int i = 0; i < pixels; ++i)
            spectrum[i] = static_cast<double>(scan[i]) - dark[i];
        break;
    case ScanUse::Replace:
        for (int i = 0; i < pixels; ++i)
            spectrum[i] = static_cast<double>(scan[i]);
        break;
    }
}

}  // namespace vexlar::acquisition
