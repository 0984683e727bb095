#include "peaks/PeakSearch.h"

#include <algorithm>

namespace vexlar::peaks {

namespace {

constexpr double kHalf = 0.5;

bool IsValidWidth(int width)
{
    return width >= kMinimumWidth && width <= kMaximumWidth;
}

}  // namespace

int FirstCandidate(int xAxisMode, const double* ramanShift)
{
    int first = kFirstCandidatePixel;
    if (xAxisMode != 0) {
        int i = 0;
        // Stops on the last pixel when no shift below it is 0 or more.
        while (i < kSpectrumPixels - 1 && !(ramanShift[i] >= 0.0))
            ++i;
        first = std::max(i, kFirstCandidatePixel);
    }
    return first;
}

bool IsPeak(const double* s, int i, const PeakCriteria& criteria)
{
    // All four tests must hold; the threshold goes first because it throws
    // out nearly every pixel of the baseline with one predictable branch.
    if (!(s[i] > criteria.peakThreshold))
        return false;
    const int w = criteria.peakWidth;
    // Rising flank: S[i-w] <= S[i-w+1] <= ... <= S[i].
    for (int k = i - w; k < i; ++k) {
        if (!(s[k] <= s[k + 1]))
            return false;
    }
    // Falling flank: S[i] >= S[i+1] >= ... >= S[i+w].
    for (int k = i; k < i + w; ++k) {
        if (!(s[k] >= s[k + 1]))
            return false;
    }
    // The slope always looks at the two immediate neighbours only.
    const double meanDrop = ((s[i] - s[i + 1]) + (s[i] - s[i - 1])) * kHalf;
    return meanDrop > criteria.peakSlope;
}

void SearchPeaks(const double* spectrum, int first, const PeakCriteria& criteria,
                 const std::function<void(int pixel)>& addPeak)
{
    if (!IsValidWidth(criteria.peakWidth))
        return;
    for (int i = std::max(first, kFirstCandidatePixel); i <= kLastCandidatePixel; ++i) {
        if (IsPeak(spectrum, i, criteria))
            addPeak(i);
    }
}

}  // namespace vexlar::peaks
