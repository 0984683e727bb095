#include "cleaning/SpikeRemoval.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vexlar::cleaning {

namespace {

// The median of the square of a standard normal deviate.
constexpr double kMedianOfSquaredNormal = 0.45493642311957283;
constexpr float kLargestSample = 3.0e38f;

double LevelOf(float counts)
{
    return counts > 0.0f ? counts : 0.0;
}

}  // namespace

int WidestSpike(int boxcar)
{
    const int smoothing = std::clamp(boxcar, 0, (kWidestSpike - 2) / 2);
    return 2 + 2 * smoothing;
}

SpikeRemover::SpikeRemover() = default;

void SpikeRemover::LocalRises(int gap)
{
    const int n = kScanPixels;
    const float* d = rise_.data();
    for (int i = 0; i < n; ++i) {
        // Two probes of the neighbourhood, on both sides or, at the ends, on
        // the one side there is; the one that changed less counts, so a spike
        // beside this pixel does not make one of it.
        int a = i - gap;
        int b = i + gap;
        if (a < 0)
            a = b + 1;
        else if (b >= n)
            b = a - 1;
        const float around = std::fabs(d[a]) < std::fabs(d[b]) ? d[a] : d[b];
        localRise_[i] = d[i] - around;
    }
}

double SpikeRemover::NoiseScale()
{
    // s² from the median of h² / (m + p) over every fourth pixel.
    const auto middle = samples_.begin() + samples_.size() / 2;
    std::nth_element(samples_.begin(), middle, samples_.end());
    return *middle / kMedianOfSquaredNormal;
}

bool SpikeRemover::AboveNoise(int i) const
{
    const double rise = localRise_[i];
    return rise > kMinimumRiseCounts
           && rise * rise > limit2_ * (floorLevel_ + LevelOf(cleaned_[current_ ^ 1][i]));
}

int SpikeRemover::ReplaceSpikeAt(int top, int widest, int* replacedUpTo)
{
    const float* h = localRise_.data();
    const float part = static_cast<float>(kNeighbourFraction) * h[top];
    // The spike reaches as far as its pixels rose by a good part of its top,
    // or by more than the noise.
    const auto inSpike = [&](int i) { return h[i] > part || AboveNoise(i); };
    int first = top;
    int last = top;
    while (first > 0 && inSpike(first - 1) && last - first < widest)
        --first;
    while (last < kScanPixels - 1 && inSpike(last + 1) && last - first < widest)
        ++last;
    if (last - first + 1 > widest)
        return 0;  // as wide as a band: a real change of the spectrum
    // Tops are visited from left to right, so an overlap is only ever with
    // the spike replaced last.
    first = std::max(first, *replacedUpTo + 1);
    if (first > last)
        return 0;
    for (int i = first; i <= last; ++i) {
        if (replacedRun_[i] >= kMostReplacedInARow)
            return 0;  // replaced scan after scan: the pixel has really changed
    }
    const float* before = cleaned_[current_ ^ 1].data();
    float* out = cleaned_[current_].data();
    for (int i = first; i <= last; ++i) {
        out[i] = before[i];
        replacedNow_[i] = 1;
    }
    *replacedUpTo = last;
    return last - first + 1;
}

SpikeRemover::Result SpikeRemover::Clean(const float* scan, const ScanConditions& conditions)
{
    Result result;
    current_ ^= 1;
    float* out = cleaned_[current_].data();
    const float* previous = cleaned_[current_ ^ 1].data();
    std::memcpy(out, scan, sizeof(float) * kScanPixels);

    if (!hasReference_ || !(conditions == conditions_)) {
        hasReference_ = true;
        conditions_ = conditions;
        replacedRun_.fill(0);
        return result;
    }
    result.compared = true;

    double levelSum = 0.0;
    for (int i = 0; i < kScanPixels; ++i) {
        rise_[i] = scan[i] - previous[i];
        levelSum += LevelOf(previous[i]);
    }
    const int widest = WidestSpike(conditions.boxcar);
    LocalRises(widest + 1);

    // The noise of the local rise, measured on this scan. The mean level
    // stands in for the read noise of dim pixels; at least a count, so a
    // dark-corrected scan near zero still has a floor.
    floorLevel_ = std::max(levelSum / kScanPixels, 1.0);
    for (std::size_t j = 0; j < samples_.size(); ++j) {
        const int i = static_cast<int>(j) * kNoiseSampleStride;
        const double h = localRise_[i];
        const double sample = h * h / (floorLevel_ + LevelOf(previous[i]));
        // A value that is not a number must not upset the ordering.
        samples_[j] = sample >= 0.0 && sample < kLargestSample ? static_cast<float>(sample) : kLargestSample;
    }
    limit2_ = kNoiseMultiple * kNoiseMultiple * NoiseScale();

    replacedNow_.fill(0);
    const float* h = localRise_.data();
    int replacedUpTo = -1;
    for (int i = 0; i < kScanPixels; ++i) {
        const float rise = h[i];
        if (!(rise > kMinimumRiseCounts))
            continue;
        if ((i > 0 && h[i - 1] > rise) || (i < kScanPixels - 1 && h[i + 1] > rise))
            continue;  // not the top
        if (!AboveNoise(i))
            continue;
        result.spikePixels += ReplaceSpikeAt(i, widest, &replacedUpTo);
    }
    for (int i = 0; i < kScanPixels; ++i)
        replacedRun_[i] = replacedNow_[i] ? static_cast<std::uint8_t>(replacedRun_[i] + 1) : 0;
    return result;
}

}  // namespace vexlar::cleaning
