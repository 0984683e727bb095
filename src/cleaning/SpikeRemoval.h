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
//      and exceeds kNoiseMultiple times that noise (and kMinimumRiseCounts),
//      and so does its rise: it is far above the same pixel in the previous
//      scan (a pixel between two bands that went only fell less than its
//      neighbours). The feature is the run of pixels around the top that
//      rose, above what the top's neighbourhood did, by more than
//      kNeighbourFraction of the top's local rise, or by more than their own
//      noise.
//   5. What tells a ray from a band is its edges. A band, or any sum of
//      bands and smooth background, never falls from one pixel to the next
//      to less than kCliffRatio of the value it falls from: the line shape's
//      wings see to that (0.27 at the least for this instrument's line, more
//      after the boxcar). A ray's footprint ends within one pixel, from its
//      full height to nothing. A cliff is a step that falls below
//      kCliffRatio of the pixel it falls from by more than
//      kCliffNoiseMultiple times the noise of that step (neighbouring pixels
//      share 2 × Boxcar of their 2 × Boxcar + 1 readings); rises are
//      measured from what the neighbourhood did beyond the run, D pixels out
//      on either side, only where that fell beyond its noise, so a
//      neighbourhood that fell makes no cliffs, and one that rose raises
//      both sides of every step alike. The ends of the detector count as
//      cliffs. The feature is rays when
//        - it is at most W pixels wide (one ray) and has a cliff on at least
//          one side (the other may be the fainter pixel of a ray that
//          struck two), or
//        - it is up to kMostRaysTogether × W wide (rays striking close
//          together: at 50 rays a second on 100 ms scans, several scans in
//          a hundred hold such a pair) and has a cliff facing out on each
//          side. The spike then runs from the first cliff facing left to
//          the last facing right; a part beyond them wider than one ray is
//          what the rays struck (the flank of a band) and is kept, a part
//          no wider is the rest of a fainter ray and goes with them.
//      A band that appears between two scans has no cliff, however narrow
//      or weak, so it is never taken for a spike.
//   6. Every pixel of a spike takes the previous scan's (cleaned) value;
//      every other pixel keeps this scan's. A pixel replaced in
//      kMostReplacedInARow scans running at one value (each scan's within
//      kAlikeNoiseMultiple times the noise of the one before, as they came)
//      that comes back at it once more has really changed: it is kept, so
//      nothing real is held back for longer than that. Rays that strike the
//      same pixel scan after scan come back at a different height each
//      time, and go on being removed.
// A scan with no previous scan to compare with (the first one, or the first
// after the channel or the acquisition parameters changed) is passed on
// unchanged and becomes the reference. Laser-on and laser-off scans are
// compared each with their own kind, so switching the laser (by the
// operator, or for a timed series' dark scans) is no change at all. A scan
// under way while the laser or the acquisition parameters were switched was
// taken partly one way and partly the other: it is passed on unchanged
// (Pass) and compared with nothing, and the reference stays as it was.
// The first scan compared with a fresh reference can take a ray of that
// reference where their rays overlap; it is cleaned and shown, but only a
// scan compared with a reference that was itself cleaned is settled (fit to
// be added to a sum).

#include <array>
#include <cstdint>

namespace vexlar::cleaning {

constexpr int kScanPixels = 2048;

// The rule's thresholds (see above).
constexpr double kNoiseMultiple = 8.0;
constexpr double kNeighbourFraction = 0.25;
constexpr double kMinimumRiseCounts = 1.0;
constexpr int kMostReplacedInARow = 2;
constexpr double kAlikeNoiseMultiple = 4.0;
constexpr double kCliffRatio = 0.25;
constexpr double kCliffNoiseMultiple = 3.0;
constexpr int kMostRaysTogether = 3;
// The local rise's noise, squared, over one pixel's rise's: it also carries
// the smaller of two probes (the mean square of the smaller of two normal
// deviates is 0.363).
constexpr double kLocalRiseVarianceRatio = 1.363;
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
        // Compared with a previous scan that was itself cleaned. The first
        // scan compared after a start still holds what the overlap of its
        // rays with the first scan's left in it: fit to show, not to add.
        bool settled = false;
        int spikePixels = 0;  // pixels replaced
    };

    SpikeRemover();

    // Cleans one scan of kScanPixels values; the cleaned scan is Cleaned()
    // until the next call.
    Result Clean(const float* scan, const ScanConditions& conditions);
    const float* Cleaned() const { return out_.data(); }

    // A scan taken partly one way and partly another (the laser or the
    // acquisition parameters switched while it was under way): Cleaned() is
    // the scan as it came, and neither reference changes.
    Result Pass(const float* scan);

    // The next scan has nothing to be compared with.
    void Forget();

private:
    using Scan = std::array<float, kScanPixels>;

    // The last scan taken one way (laser on or off), as it was cleaned.
    struct Reference {
        Scan cleaned{};
        Scan raw{};  // the same scan as it came
        ScanConditions conditions{};
        bool valid = false;
        bool cleanedOnce = false;  // cleaned against a scan before it
        // Scans in a row each pixel was replaced in, up to the last one.
        std::array<std::uint8_t, kScanPixels> replacedRun{};
    };

    void LocalRises(int gap);
    // s², from the first count samples (which it reorders).
    double NoiseScale(std::size_t count);
    // The noise of the rise at pixel i, squared.
    float Noise2(int i) const { return noise2_ * (floorLevel_ + level_[i]); }
    // Narrows the run [first, last], wider than one spike, to the rays it
    // holds (between cliffs facing out); false when it holds none.
    bool FindRays(int* first, int* last, int widest) const;
    // Pixel i is back at the value it had in the previous scan as it came.
    bool CameBackAlike(int i) const;
    // Pixel i, replaced scan after scan at one value, is at it again.
    bool HasReallyChanged(int i) const;
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
    float floorLevel_ = 1.0f;                         // m
    float limit2_ = 0.0f;                             // (kNoiseMultiple × s)²
    float noise2_ = 0.0f;                             // s²
    const float* scan_ = nullptr;                     // the scan being cleaned, as it came
};

}  // namespace vexlar::cleaning
