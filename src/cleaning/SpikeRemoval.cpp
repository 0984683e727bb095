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
    const auto local = [d](int i, int a, int b) { return d[i] - (std::fabs(d[a]) < std::fabs(d[b]) ? d[a] : d[b]); };
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

bool SpikeRemover::FindRays(int* first, int* last, int widest) const
{
    const float* d = rise_.data();
    // The noise of one pixel's rise, squared (the local rise also carries
    // the smaller of its two probes: kLocalRiseVarianceRatio times as
    // much), and how much of it two neighbouring pixels share after the
    // boxcar: 2 × Boxcar of their 2 × Boxcar + 1 readings.
    const auto pixelNoise = [this](int i) {
        return std::sqrt(Noise2(i) / static_cast<float>(kLocalRiseVarianceRatio));
    };
    const int boxcar = (widest - 2) / 2;
    const float shared = static_cast<float>(2 * boxcar) / static_cast<float>(2 * boxcar + 1);
    const float ratio = static_cast<float>(kCliffRatio);
    const float multiple = static_cast<float>(kCliffNoiseMultiple);
    // What the neighbourhood did beyond the run, from the side that changed
    // less (the other may hold a ray of this scan or of the previous one):
    // only a fall beyond its noise is taken out. A rise left in raises both
    // sides of every step alike, which never makes a cliff of a band's flank.
    const int gap = widest + 1;
    int probe = -1;
    for (const int p : {*first - gap, *last + gap}) {
        if (p >= 0 && p < kScanPixels && (probe < 0 || std::fabs(d[p]) < std::fabs(d[probe])))
            probe = p;
    }
    const float beside = probe < 0 ? 0.0f : std::min(0.0f, d[probe] + multiple * pixelNoise(probe));
    const auto value = [&](int i) { return d[i] - beside; };
    // From pixel i to its neighbour j the rise falls below what a band's
    // line shape allows, by more than kCliffNoiseMultiple times the noise
    // of that difference.
    const auto cliff = [&](int i, int j) {
        const float fall = ratio * value(i) - value(j);
        if (!(fall > 0.0f))
            return false;
        const float ni = ratio * pixelNoise(i);
        const float nj = pixelNoise(j);
        const float noise2 = nj * nj + ni * ni - 2.0f * shared * ni * nj;
        return fall * fall > multiple * multiple * noise2;
    };
    // The ends of the detector count as cliffs: nothing is known beyond.
    int left = *first == 0 ? 0 : -1;
    for (int i = std::max(*first, 1); i <= *last && left < 0; ++i) {
        if (cliff(i, i - 1))
            left = i;
    }
    int right = *last == kScanPixels - 1 ? *last : -1;
    for (int i = std::min(*last, kScanPixels - 2); i >= *first && right < 0; --i) {
        if (cliff(i, i + 1))
            right = i;
    }
    // One ray wide: a cliff on one side will do (the other may be the
    // fainter pixel of a ray that struck two).
    if (*last - *first + 1 <= widest)
        return left >= 0 || right >= 0;
    if (left < 0 || right < 0 || left > right)
        return false;
    // Beyond a cliff, a part no wider than a ray is the rest of a fainter
    // ray beside it; a wider part is what the rays struck (a band's flank).
    if (left - *first > widest)
        *first = left;
    if (*last - right > widest)
        *last = right;
    return true;
}

bool SpikeRemover::CameBackAlike(int i) const
{
    const float change = scan_[i] - reference_->raw[i];
    return change * change <= static_cast<float>(kAlikeNoiseMultiple * kAlikeNoiseMultiple) * Noise2(i);
}

bool SpikeRemover::HasReallyChanged(int i) const
{
    return reference_->replacedRun[i] >= kMostReplacedInARow && CameBackAlike(i);
}

int SpikeRemover::ReplaceSpikeAt(int top, int widest, int* replacedUpTo)
{
    const float* d = rise_.data();
    const float* h = localRise_.data();
    // Every pixel of the feature is measured against what the top's
    // neighbourhood did, so a band's flanks count in full.
    const float around = d[top] - h[top];
    const float part = static_cast<float>(kNeighbourFraction) * h[top];
    const auto inSpike = [&](int i) {
        const float rise = d[i] - around;
        return rise > part || (rise > 0.0f && rise * rise > limit2_ * (floorLevel_ + level_[i]));
    };
    // Looked at up to kMostRaysTogether spikes' widths to either side.
    const int longest = kMostRaysTogether * widest;
    int first = top;
    int last = top;
    while (first > 0 && top - first < longest && inSpike(first - 1))
        --first;
    while (last < kScanPixels - 1 && last - top < longest && inSpike(last + 1))
        ++last;
    if (!FindRays(&first, &last, widest))
        return 0;  // a band, or a band with a ray too faint to tell
    // Tops are visited from left to right, so an overlap is only ever with
    // the spike replaced last.
    first = std::max(first, *replacedUpTo + 1);
    if (first > last)
        return 0;
    for (int i = first; i <= last; ++i) {
        if (HasReallyChanged(i))
            return 0;
    }
    const float* before = reference_->cleaned.data();
    for (int i = first; i <= last; ++i) {
        out_[i] = before[i];
        replacedNow_[i] = 1;
    }
    *replacedUpTo = last;
    return last - first + 1;
}

SpikeRemover::Result SpikeRemover::Pass(const float* scan)
{
    std::memcpy(out_.data(), scan, sizeof(float) * kScanPixels);
    return {};
}

SpikeRemover::Result SpikeRemover::Clean(const float* scan, const ScanConditions& conditions)
{
    Result result;
    std::memcpy(out_.data(), scan, sizeof(float) * kScanPixels);
    reference_ = &references_[conditions.laserOn ? 1 : 0];
    Reference& reference = *reference_;

    if (!reference.valid || !(conditions == reference.conditions)) {
        reference.valid = true;
        reference.cleanedOnce = false;
        reference.conditions = conditions;
        reference.replacedRun.fill(0);
        reference.cleaned = out_;
        reference.raw = out_;
        return result;
    }
    result.compared = true;
    result.settled = reference.cleanedOnce;

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
    const double scale = NoiseScale(count);
    noise2_ = static_cast<float>(scale);
    limit2_ = static_cast<float>(kNoiseMultiple * kNoiseMultiple * scale);
    scan_ = scan;

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
        // The top itself rose far above the previous scan: a pixel that only
        // fell less than its neighbours (between two bands that went) is no
        // spike.
        const float rise = rise_[i];
        if (!(rise > least && rise * rise > limit2 * (floor + level[i])))
            continue;
        result.spikePixels += ReplaceSpikeAt(i, widest, &replacedUpTo);
    }
    // Scans in a row each pixel was replaced in, at one value: a replaced
    // pixel that came back at another starts a new run.
    for (int i = 0; i < kScanPixels; ++i) {
        std::uint8_t& run = reference.replacedRun[i];
        if (!replacedNow_[i])
            run = 0;
        else if (run == 0 || !CameBackAlike(i))
            run = 1;
        else if (run < kMostReplacedInARow)
            ++run;
    }
    reference.cleaned = out_;
    reference.cleanedOnce = true;
    std::memcpy(reference.raw.data(), scan, sizeof(float) * kScanPixels);
    return result;
}

}  // namespace vexlar::cleaning
