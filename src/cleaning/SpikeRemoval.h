#pragma once
// Cosmic-ray spikes taken out of each scan before it reaches the spectrum.
//
// A cosmic ray that crosses the detector during a scan leaves one or two
// pixels far brighter than they should be; smoothed by the driver's boxcar it
// spreads over 2 × Boxcar more. The peak finder would mark it as the
// strongest "band", and an additive sum would keep it for good. A real
// Raman band is steady from scan to scan and, even where it appears between
// two scans (the laser switched on), wider than a spike.
//
// The rule, scan by scan, with x this scan and p the previous scan taken the
// same way (channel, acquisition parameters, laser on or off) as it was
// cleaned:
//   1. The rise of each pixel is d[i] = x[i] − p[i].
//   2. Its local rise h[i] = d[i] − d[j] takes out what the neighbourhood did
//      (fluorescence growing, the laser switched on, a longer integration):
//      d[j] is the smaller of the rises D pixels to either side (both on the
//      one side there is, at the ends), so a spike there does not count.
//      D = W + 1, where W = 2 + 2 × Boxcar is the widest a spike can be.
//   3. The noise of h at a pixel is taken as s × √(m + c[i]): shot noise
//      grows with the square root of the counts c[i] = (x[i] + p[i]) / 2
//      (negative counts taken as 0), m (the mean count of the previous scan,
//      at least 1) stands in for the read noise of dim pixels, and s is
//      measured on every scan from the median of h² / (m + c) over every
//      eighth pixel but those held at the top of the scale in both scans
//      (the median of a squared normal deviate is 0.455), so
//      averaging, smoothing and the detector's gain need no setting.
//   4. A pixel is the top of a spike when its local rise is a local maximum
//      and exceeds kNoiseMultiple times that noise (and kMinimumRiseCounts):
//      it is far above the same pixel in the previous scan. The spike is the
//      run of pixels around the top that rose, above what the top's
//      neighbourhood did, by more than kNeighbourFraction of the top's local
//      rise, or by more than their own noise; it stands far above its
//      neighbours in this scan when that run is at most W pixels wide. A
//      band's line shape keeps more than a quarter of its height further out
//      than that, so a band that appears between two scans is not taken for
//      a spike.
//   5. Every pixel of a spike takes the previous scan's (cleaned) value;
//      every other pixel keeps this scan's. A pixel replaced in
//      kMostReplacedInARow scans running has really changed: it is kept from
//      the next one on, so nothing real is held back for longer than that.
// A scan with no previous scan to compare with (the first one, or the first
// after the channel or the acquisition parameters changed) is passed on
// unchanged and becomes the reference. Laser-on and laser-off scans are
// compared each with their own kind, so switching the laser (by the
// operator, or for a timed series' dark scans) is no change at all.

#include <array>
#include <cstdint>

namespace vexlar::cleaning {

constexpr int kScanPixels = 2048;

// The rule's thresholds (see above).
constexpr double kNoiseMultiple = 8.0;
constexpr double kNeighbourFraction = 0.25;
constexpr double kMinimumRiseCounts = 1.0;
constexpr int kMostReplacedInARow = 2;
// Every kNoiseSampleStride-th pixel goes into the noise measurement.
constexpr int kNoiseSampleStride = 8;
// The widest spike the rule looks for, in pixels, however wide the boxcar.
constexpr int kWidestSpike = 24;

// What a scan was taken with: a scan is compared only with one taken the
// same way.
struct ScanConditions {
    int channel = 0;
    int integrationTime = 0;
    int average = 0;
    int boxcar = 0;
    int correctDark = 0;
    int laserOn = 0;  // 0 or 1: each has its own previous scan

    bool operator==(const ScanConditions&) const = default;
};

// The widest spike (in pixels) after the driver's boxcar of half-width boxcar.
int WidestSpike(int boxcar);

class SpikeRemover {
public:
    struct Result {
        bool compared = false;  // false: no previous scan, passed on unchanged
        int spikePixels = 0;    // pixels replaced
    };

    SpikeRemover();

    // Cleans one scan of kScanPixels values; the cleaned scan is Cleaned()
    // until the next call.
    Result Clean(const float* scan, const ScanConditions& conditions);
    const float* Cleaned() const { return out_.data(); }

    // The next scan has nothing to be compared with.
    void Forget();

private:
    using Scan = std::array<float, kScanPixels>;

    // The last scan taken one way (laser on or off), as it was cleaned.
    struct Reference {
        Scan cleaned{};
        ScanConditions conditions{};
        bool valid = false;
        // Scans in a row each pixel was replaced in, up to the last one.
        std::array<std::uint8_t, kScanPixels> replacedRun{};
    };

    void LocalRises(int gap);
    // s², from the first count samples (which it reorders).
    double NoiseScale(std::size_t count);
    // The local rise of pixel i is beyond the noise.
    bool AboveNoise(int i) const;
    // Replaces the spike topped at pixel top, when it is one; the number of
    // pixels replaced that were not already.
    int ReplaceSpikeAt(int top, int widest, int* replacedUpTo);

    Reference references_[2];
    Reference* reference_ = nullptr;  // the one this scan is compared with
    Scan out_{};
    Scan level_{};      // c, the counts the noise of each pixel goes with
    Scan rise_{};       // d
    Scan localRise_{};  // h
    std::array<float, kScanPixels / kNoiseSampleStride> samples_{};
    std::array<std::uint8_t, kScanPixels> replacedNow_{};
    std::array<std::uint8_t, kScanPixels> beyond_{};  // the local rise is beyond the noise
    float floorLevel_ = 1.0f;  // m
    float limit2_ = 0.0f;      // (kNoiseMultiple × s)²
};

}  // namespace vexlar::cleaning
