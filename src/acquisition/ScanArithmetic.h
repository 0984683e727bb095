#pragma once
// What one scan makes of the spectrum: the scan as it came, the scan less
// the dark spectrum, or the scan less the dark added to the running sum of
// additive mode. One pass over the pixels, nothing allocated; the same
// arithmetic in the same order for every spectrum, so that files written
// from it are the same to the last bit.

namespace vexlar::acquisition {

enum class ScanUse {
    Replace,       // the spectrum is the scan
    SubtractDark,  // the spectrum is the scan less the dark
    AddToSum,      // the scan less the dark is added to the spectrum
};

// How the flags of acquisition use the next scan: added in additive mode,
// the dark taken off while Subtract Dark is on, else shown as it came.
ScanUse UseOfScan(bool additive, bool subtractDark);

// spectrum[i] for pixels 0 to pixels - 1 made from scan[i] (and dark[i]).
void ApplyScan(ScanUse use, const float* scan, const double* dark, double* spectrum, int pixels);

}  // namespace vexlar::acquisition
