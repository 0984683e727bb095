#include "cleaning/SpikeRemoval.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vexlar::cleaning {

namespace {

// The median of the square of a standard normal deviate.
constexpr double kMedianOfSquaredNormal = 0.45493642311957283;
constexpr float kLargestSample = 3.0e38f;

float LevelOf(float counts)
{
    return counts > 0.0f ? counts : 0.0f;
}

}  // namespace

int WidestSpike(int boxcar)
{
    const int smoothing = std::clamp(boxcar, 0, (kWidestSpike - 2) / 2);
    return 2 + 2 * smoothing;
}

SpikeRemover::SpikeRemover() = default;

void SpikeRemover::Forget()
{
    for (Reference& r : references_)
        r.valid = false;
}

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

double SpikeRemover::NoiseScale(std::size_t count)
{
    // s² from the median of h² / (m + c) over the samples.
    if (count == 0)
        return 0.0;
    const auto middle = samples_.begin() + count / 2;
    std::nth_element(samples_.begin(), middle, samples_.begin() + count);
    return *middle / kMedianOfSquaredNormal;
}

bool SpikeRemover::AboveNoise(int i) const
{
    const double rise = localRise_[i];
    return rise > kMinimumRiseCounts && rise * rise > limit2_ * (floorLevel_ + level_[i]);
}

int SpikeRemover::ReplaceSpikeAt(int top, int widest, int* replacedUpTo)
{
    const float* d = rise_.data();
    const float* h = localRise_.data();
    // Every pixel of the feature is measured against what the top's
    // neighbourhood did, so a band's flanks count in full.
    const float around = d[top] - h[top];
    const float part = static_cast<float>(kNeighbourFraction) * h[top];
    const auto inSpike = [&](int i) { return d[i] - around > part || AboveNoise(i); };
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
        if (reference_->replacedRun[i] >= kMostReplacedInARow)
            return 0;  // replaced scan after scan: the pixel has really changed
    }
    const float* before = reference_->cleaned.data();
    for (int i = first; i <= last; ++i) {
        out_[i] = before[i];
        replacedNow_[i] = 1;
    }
    *replacedUpTo = last;
    return last - first + 1;
}

SpikeRemover::Result SpikeRemover::Clean(const float* scan, const ScanConditions& conditions)
{
    Result result;
    std::memcpy(out_.data(), scan, sizeof(float) * kScanPixels);
    reference_ = &references_[conditions.laserOn ? 1 : 0];
    Reference& reference = *reference_;

    if (!reference.valid || !(conditions == reference.conditions)) {
        reference.valid = true;
        reference.conditions = conditions;
        reference.replacedRun.fill(0);
        reference.cleaned = out_;
        return result;
    }
    result.compared = true;

    const float* previous = reference.cleaned.data();
    double levelSum = 0.0;
    float highest = scan[0];
    for (int i = 0; i < kScanPixels; ++i) {
        rise_[i] = scan[i] - previous[i];
        level_[i] = 0.5f * (LevelOf(scan[i]) + LevelOf(previous[i]));
        levelSum += LevelOf(previous[i]);
        highest = std::max(highest, scan[i]);
    }
    const int widest = WidestSpike(conditions.boxcar);
    LocalRises(widest + 1);

    // The noise of the local rise, measured on this scan. The mean level
    // stands in for the read noise of dim pixels; at least a count, so a
    // dark-corrected scan near zero still has a floor.
    floorLevel_ = std::max(levelSum / kScanPixels, 1.0);
    std::size_t count = 0;
    for (int i = 0; i < kScanPixels; i += kNoiseSampleStride) {
        // A pixel held at the top of the scale in both scans says nothing
        // about the noise.
        if (scan[i] == highest && previous[i] == highest)
            continue;
        const double h = localRise_[i];
        const double sample = h * h / (floorLevel_ + level_[i]);
        // A value that is not a number must not upset the ordering.
        samples_[count++] = sample < kLargestSample ? static_cast<float>(sample) : kLargestSample;
    }
    limit2_ = kNoiseMultiple * kNoiseMultiple * NoiseScale(count);

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
        reference.replacedRun[i] = replacedNow_[i] ? static_cast<std::uint8_t>(reference.replacedRun[i] + 1) : 0;
    reference.cleaned = out_;
    return result;
}

}  // namespace vexlar::cleaning
