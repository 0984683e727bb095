#include "cleaning/SpikeRemoval.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <numeric>

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
    float* h = localRise_.data();
    // Two probes of the neighbourhood, gap pixels to either side; the one
    // that changed less counts, so a spike beside this pixel does not make
    // one of it. At the ends both probes are on the one side there is.
    const auto local = [d](int i, int a, int b) {
        return d[i] - (std::fabs(d[a]) < std::fabs(d[b]) ? d[a] : d[b]);
    };
    for (int i = 0; i < gap; ++i)
        h[i] = local(i, i + gap, i + gap + 1);
    for (int i = gap; i < n - gap; ++i)
        h[i] = local(i, i - gap, i + gap);
    for (int i = n - gap; i < n; ++i)
        h[i] = local(i, i - gap, i - gap - 1);
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
    const float rise = localRise_[i];
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
    // In lanes, so that the pass runs on whole vectors.
    constexpr int kLanes = 8;
    static_assert(kScanPixels % kLanes == 0);
    float levelSums[kLanes] = {};
    float highests[kLanes];
    std::fill(std::begin(highests), std::end(highests), scan[0]);
    for (int i = 0; i < kScanPixels; i += kLanes) {
        for (int k = 0; k < kLanes; ++k) {
            const float x = scan[i + k];
            const float p = previous[i + k];
            rise_[i + k] = x - p;
            level_[i + k] = 0.5f * (LevelOf(x) + LevelOf(p));
            levelSums[k] += LevelOf(p);
            highests[k] = highests[k] < x ? x : highests[k];
        }
    }
    const float levelSum = std::accumulate(std::begin(levelSums), std::end(levelSums), 0.0f);
    const float highest = *std::max_element(std::begin(highests), std::end(highests));
    const int widest = WidestSpike(conditions.boxcar);
    LocalRises(widest + 1);

    // The noise of the local rise, measured on this scan. The mean level
    // stands in for the read noise of dim pixels; at least a count, so a
    // dark-corrected scan near zero still has a floor.
    floorLevel_ = std::max(levelSum / kScanPixels, 1.0f);
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
    limit2_ = static_cast<float>(kNoiseMultiple * kNoiseMultiple * NoiseScale(count));

    // The pixels beyond the noise, in one pass; then the tops among them.
    const float* h = localRise_.data();
    const float* level = level_.data();
    const float limit2 = limit2_;
    const float floor = floorLevel_;
    const float least = static_cast<float>(kMinimumRiseCounts);
    for (int i = 0; i < kScanPixels; ++i) {
        const float rise = h[i];
        beyond_[i] = static_cast<std::uint8_t>((rise > least) & (rise * rise > limit2 * (floor + level[i])));
    }
    replacedNow_.fill(0);
    int replacedUpTo = -1;
    for (int i = 0; i < kScanPixels; ++i) {
        if (!beyond_[i])
            continue;
        if ((i > 0 && h[i - 1] > h[i]) || (i < kScanPixels - 1 && h[i + 1] > h[i]))
            continue;  // not the top
        result.spikePixels += ReplaceSpikeAt(i, widest, &replacedUpTo);
    }
    for (int i = 0; i < kScanPixels; ++i)
        reference.replacedRun[i] = replacedNow_[i] ? static_cast<std::uint8_t>(reference.replacedRun[i] + 1) : 0;
    reference.cleaned = out_;
    return result;
}

}  // namespace vexlar::cleaning
