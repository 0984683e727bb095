#pragma once
// The simulated spectrometer's detector: what one channel reads in one scan.
//
// Plain arithmetic with its own random source, no threads and no clock, so a
// scan can be reproduced exactly from its seed.
//
// Model, per pixel i with wavelength λ(i) from the channel's true
// calibration:
//   counts = dark offset + dark current · t · (1 + fixed pattern)
//          + (t / 100 ms) · [lamp lines                      (laser or not)
//                            + laser power · (Raman bands + laser residue
//                                             + fluorescence) (laser on only)]
// The fluorescence is a broad hump cut off by the long-pass filter: nothing
// below the filter's cut-on shift, a step up to the hump at it.
// Each band has the instrument's line shape, a pseudo-Voigt a few pixels
// wide, centred at its wavelength (a Raman band at 1 / (1/λlaser − shift·1e-7)).
// Each of the `average` readings adds shot noise and read noise, is rounded to
// whole counts and clipped to the 12-bit range 0..4095; the readings are
// averaged, optionally corrected for the electrical dark level, and smoothed
// with the boxcar (mean over i − boxcar … i + boxcar, clipped at the ends).
//
// Cosmic rays (CosmicRays below) strike each reading at the channel's rate,
// drawn from a random source of their own: with a rate of 0 that source is
// never touched, and a scan with cosmic rays differs from the same seed's
// scan without them only at the pixels the rays struck.

#include <array>
#include <atomic>
#include <cstdint>
#include <random>
#include <span>
#include <vector>

#include "NormalSource.h"
#include "Samples.h"

namespace vexlar::qdv {

constexpr int kPixels = 2048;
constexpr int kChannels = 8;
constexpr int kFullScaleCounts = 4095;  // 12-bit detector
constexpr int kMinIntegrationMs = 1;    // shortest integration the detector allows
constexpr double kDefaultLaserWavelengthNm = 632.8;
constexpr double kDarkOffsetCounts = 100.0;
constexpr double kReadNoiseCounts = 3.0;
constexpr double kElectronsPerCount = 4.0;         // sets the shot noise of a count level
constexpr double kReferenceIntegrationMs = 100.0;  // sample brightness is given for this time
constexpr double kLineWidthPixels = 2.5;           // full width at half maximum of the line shape
constexpr double kLorentzFraction = 0.3;           // Lorentzian share of the pseudo-Voigt
constexpr double kFluorescencePeakCounts = 250.0;
constexpr double kLaserResidueCounts = 120.0;
// The Raman shift in cm-1 at which the long-pass filter in front of the
// detector starts to pass light: the fluorescence steps up there. (The
// filter lets the laser residue and the Raman bands through as they are.)
constexpr double kLongPassCutOnPerCm = 60.0;
// A cosmic ray crossing the detector's depleted silicon leaves at least about
// a thousand electrons in a pixel (kElectronsPerCount to a count), and up to
// whatever fills it.
constexpr double kMinimumCosmicCounts = 250.0;
// A ray shares its charge with the next pixel in this fraction of events; the
// neighbour receives between these shares of the struck pixel's counts.
constexpr double kCosmicTwoPixelFraction = 0.5;
constexpr double kCosmicNeighbourShareMin = 0.5;
constexpr double kCosmicNeighbourShareMax = 1.0;

// A channel's true wavelength calibration: λ(i) = intercept + first·i +
// second·i² + third·i³ nm. The default is the program's default polynomial.
struct Calibration {
    double intercept = 350.0;
    double first = 0.5;
    double second = 5e-5;
    double third = 0.0;

    bool operator==(const Calibration&) const = default;
    double WavelengthAt(double pixel) const;
    // dλ/di in nm per pixel.
    double DispersionAt(double pixel) const;
};

// The wavelength in nm of a Raman band `shift` cm-1 from the laser line.
double RamanBandWavelength(double laserWavelengthNm, double shiftPerCm);

// What sits in front of one channel and how the device is set up.
struct ChannelSetup {
    Calibration calibration;
    SampleKind sample = SampleKind::Cyclohexane;
    double laserWavelengthNm = kDefaultLaserWavelengthNm;
    double laserPower = 1.0;     // relative
    double noise = 1.0;          // scales shot and read noise; 0 gives noiseless scans
    double darkCurrent = 200.0;  // counts per second
    double fluorescence = 1.0;   // scales every sample's fluorescence
    double cosmicRate = 0.0;     // cosmic-ray events per second on this detector

    bool operator==(const ChannelSetup&) const = default;
};

// The scan as the program asked for it; out-of-range values are allowed and
// taken as Normalized() gives them.
struct ScanSettings {
    int integrationMs = 100;
    int average = 1;
    int boxcar = 0;
    bool laserOn = true;
    bool correctDark = false;
};

// Average below 1 counts as 1, a negative boxcar as 0, a boxcar wider than
// the detector as the detector's width, an integration time below the
// detector's minimum as that minimum.
ScanSettings Normalized(const ScanSettings& scan);

// One cosmic-ray event of one reading: the counts it added at pixel and, for
// a ray that shared its charge, at pixel + 1 (the last pixel shares with the
// one before it; neighbourPixel is then pixel − 1). Before clipping.
struct CosmicEvent {
    int pixel = 0;
    double counts = 0.0;
    int neighbourPixel = -1;  // -1: one pixel wide
    double neighbourCounts = 0.0;
};

// The cosmic rays that strike a detector: a Poisson number of events per
// reading (rate × integration time), each at a uniformly random pixel, with a
// height uniform between kMinimumCosmicCounts and full scale, one or two
// pixels wide. Events are independent between readings and scans. The rays
// of the last scan are kept, so a test knows the truth.
class CosmicRays {
public:
    explicit CosmicRays(std::uint64_t seed);

    // Starts a new scan: forgets the events of the last one.
    void BeginScan();
    // Draws the events of one reading of integrationMs at ratePerSecond and
    // adds their counts to counts[kPixels]. Nothing is drawn at rate 0.
    void Strike(double ratePerSecond, int integrationMs, double* counts);
    // The events of the scan since BeginScan, reading after reading.
    std::span<const CosmicEvent> Events() const { return events_; }

private:
    std::mt19937_64 random_;
    std::vector<CosmicEvent> events_;
};

class ScanGenerator {
public:
    explicit ScanGenerator(std::uint64_t seed);

    // Fills out[kPixels] with one scan. When abort is given and becomes true
    // between two of the averaged readings, stops and returns false (out is
    // then incomplete).
    bool Generate(const ChannelSetup& setup, const ScanSettings& scan, float* out,
                  const std::atomic<bool>* abort = nullptr);

    // The noise-free mean counts of one reading, before rounding and
    // clipping, into out[kPixels].
    static void ExpectedCounts(const ChannelSetup& setup, const ScanSettings& scan, double* out);

    // The dark level the driver subtracts when dark correction is on.
    static double ElectricalDark(const ChannelSetup& setup, const ScanSettings& scan);

    // The cosmic rays of the last Generate (over all of its readings).
    std::span<const CosmicEvent> LastCosmicEvents() const { return cosmic_.Events(); }

private:
    // The noise-free counts of one reading and their noise, worked out once
    // for a channel's set-up and scan and kept while they stay the same (the
    // lines' shapes and the square roots cost more than the noise itself).
    struct Reading {
        bool valid = false;
        ChannelSetup setup;
        int integrationMs = 0;
        bool laserOn = false;
        std::array<double, kPixels> expected{};
        std::array<double, kPixels> sigma{};  // standard deviation of a reading's noise
    };
    const Reading& ReadingFor(const ChannelSetup& setup, const ScanSettings& scan);

    NormalSource noise_;
    CosmicRays cosmic_;
    // One kept reading for each channel of the device, reused round robin
    // (on the heap: a generator is often a local variable).
    std::vector<Reading> readings_ = std::vector<Reading>(kChannels);
    std::size_t nextReading_ = 0;
    std::array<double, kPixels> sum_{};
    std::array<double, kPixels> rays_{};  // the counts the cosmic rays of one reading add
    std::array<double, kPixels + 1> prefix_{};
};

}  // namespace vexlar::qdv
