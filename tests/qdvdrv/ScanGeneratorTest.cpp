#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "ScanGenerator.h"
#include "ScanSession.h"

using namespace vexlar::qdv;

namespace {

constexpr std::uint64_t kSeed = 20240611;

using Spectrum = std::vector<float>;

Spectrum Scan(const ChannelSetup& setup, const ScanSettings& scan, std::uint64_t seed = kSeed)
{
    Spectrum out(kPixels, -1.0f);
    ScanGenerator generator(seed);
    EXPECT_TRUE(generator.Generate(setup, scan, out.data()));
    return out;
}

// The program's axes for the default calibration: single-precision
// coefficients widened, the cubic evaluated in double, the laser wavenumber
// held in single precision.
double ProgramWavelength(int i)
{
    const double c0 = 350.0f, c1 = 0.5f, c2 = 5e-5f, c3 = 0.0f;
    return c3 * i * i * i + c2 * i * i + c1 * i + c0;
}

double ProgramRamanShift(int i, double laserNm = 632.8)
{
    const float laserWavenumber = static_cast<float>(1.0 / (laserNm * 1e-7));
    return laserWavenumber - 1.0 / (ProgramWavelength(i) * 1e-7);
}

int PixelNearestShift(double shift, double laserNm = 632.8)
{
    int best = 0;
    for (int i = 1; i < kPixels; ++i) {
        if (std::fabs(ProgramRamanShift(i, laserNm) - shift) < std::fabs(ProgramRamanShift(best, laserNm) - shift))
            best = i;
    }
    return best;
}

int PixelNearestWavelength(double nm)
{
    int best = 0;
    for (int i = 1; i < kPixels; ++i) {
        if (std::fabs(ProgramWavelength(i) - nm) < std::fabs(ProgramWavelength(best) - nm))
            best = i;
    }
    return best;
}

int MaxPixelNear(const Spectrum& s, int centre, int halfWidth)
{
    const int first = std::max(centre - halfWidth, 0);
    const int last = std::min(centre + halfWidth, kPixels - 1);
    return static_cast<int>(std::max_element(s.begin() + first, s.begin() + last + 1) - s.begin());
}

double Median(std::vector<float> v)
{
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

double StdDevOfDifference(const Spectrum& a, const Spectrum& b)
{
    double sum = 0.0, sumSq = 0.0;
    for (int i = 0; i < kPixels; ++i) {
        const double d = static_cast<double>(a[i]) - b[i];
        sum += d;
        sumSq += d * d;
    }
    const double mean = sum / kPixels;
    return std::sqrt(sumSq / kPixels - mean * mean);
}

ChannelSetup Noiseless(SampleKind sample = SampleKind::Cyclohexane)
{
    ChannelSetup setup;
    setup.sample = sample;
    setup.noise = 0.0;
    return setup;
}

}  // namespace

TEST(ScanGenerator, CyclohexaneBandsSitAtTheirRamanShiftsAboveBackgroundAndBelowClipping)
{
    const Spectrum s = Scan(ChannelSetup{}, ScanSettings{});
    const double background = Median(s);

    for (double shift : {801.3, 1028.3, 2852.9}) {
        const int expected = PixelNearestShift(shift);
        const int peak = MaxPixelNear(s, expected, 5);
        EXPECT_LE(std::abs(peak - expected), 1) << shift << " cm-1 band at pixel " << peak << ", expected " << expected;
        EXPECT_GE(s[peak], s[peak - 1]);
        EXPECT_GE(s[peak], s[peak + 1]);
        EXPECT_GT(s[peak] - background, 150.0) << shift;
    }
    // The two strongest bands dominate the spectrum, well above the
    // background and below the detector's full scale.
    const int top = static_cast<int>(std::max_element(s.begin(), s.end()) - s.begin());
    const bool atStrongBand =
        std::abs(top - PixelNearestShift(2852.9)) <= 1 || std::abs(top - PixelNearestShift(801.3)) <= 1;
    EXPECT_TRUE(atStrongBand) << "strongest pixel " << top;
    EXPECT_GT(s[top] - background, 1000.0);
    EXPECT_LT(s[top], kFullScaleCounts - 500);
}

TEST(ScanGenerator, BandsFollowTheLaserLineAndEachStandardShowsItsStrongestBand)
{
    ScanSettings scan;
    for (const SampleInfo& sample : AllSamples()) {
        if (sample.isLamp || sample.bands.empty())
            continue;
        const Band strongest = *std::max_element(sample.bands.begin(), sample.bands.end(),
                                                 [](const Band& a, const Band& b) { return a.height < b.height; });
        for (double laser : {632.8, 785.0}) {
            ChannelSetup setup = Noiseless(sample.kind);
            setup.laserWavelengthNm = laser;
            const Spectrum s = Scan(setup, scan);
            const int expected = PixelNearestShift(strongest.position, laser);
            EXPECT_LE(std::abs(MaxPixelNear(s, expected, 5) - expected), 1)
                << sample.key << " " << strongest.position << " cm-1 with the laser at " << laser;
        }
    }
}

TEST(ScanGenerator, LaserOffGivesNoRamanBandsOnlyTheDarkSignal)
{
    ScanSettings off;
    off.laserOn = false;
    const Spectrum darkOnly = Scan(Noiseless(SampleKind::None), ScanSettings{});
    for (SampleKind kind : {SampleKind::Cyclohexane, SampleKind::Polystyrene, SampleKind::Silicon})
        EXPECT_EQ(Scan(Noiseless(kind), off), darkOnly) << SampleData(kind).key;

    // The dark signal is the offset plus a dark current that grows with the
    // integration time.
    const double at100 = Median(darkOnly);
    EXPECT_NEAR(at100, kDarkOffsetCounts + 200.0 * 0.1, 3.0);
    ScanSettings longer = off;
    longer.integrationMs = 1000;
    EXPECT_NEAR(Median(Scan(Noiseless(SampleKind::None), longer)) - at100, 200.0 * 0.9, 5.0);

    // With the laser on the same pixel carries the band.
    const int band = PixelNearestShift(801.3);
    EXPECT_GT(Scan(Noiseless(), ScanSettings{})[band] - darkOnly[band], 1000.0f);
}

TEST(ScanGenerator, DetectorClipsAtFullScaleAndNeverReadsBelowZero)
{
    ScanSettings longScan;
    longScan.integrationMs = 1000;
    const Spectrum bright = Scan(ChannelSetup{}, longScan);
    EXPECT_EQ(*std::max_element(bright.begin(), bright.end()), static_cast<float>(kFullScaleCounts));
    EXPECT_EQ(bright[PixelNearestShift(2852.9)], static_cast<float>(kFullScaleCounts));
    EXPECT_LT(bright[100], static_cast<float>(kFullScaleCounts)) << "blue of the laser nothing clips";

    ChannelSetup noisy;
    noisy.sample = SampleKind::None;
    noisy.noise = 100.0;  // read noise far larger than the dark offset
    const Spectrum low = Scan(noisy, ScanSettings{});
    EXPECT_EQ(*std::min_element(low.begin(), low.end()), 0.0f);
    EXPECT_GT(std::count(low.begin(), low.end(), 0.0f), 100) << "many readings would lie below zero";
}

TEST(ScanGenerator, AveragingSixteenScansCutsTheNoiseFourfold)
{
    ScanSettings single;
    ScanSettings sixteen;
    sixteen.average = 16;
    const double noise1 = StdDevOfDifference(Scan(ChannelSetup{}, single, 1), Scan(ChannelSetup{}, single, 2));
    const double noise16 = StdDevOfDifference(Scan(ChannelSetup{}, sixteen, 3), Scan(ChannelSetup{}, sixteen, 4));
    EXPECT_GT(noise1, 5.0) << "a single scan is visibly noisy";
    EXPECT_NEAR(noise1 / noise16, 4.0, 0.4);

    // Averaging keeps the signal level.
    const Spectrum reference = Scan(Noiseless(), single);
    const Spectrum averaged = Scan(ChannelSetup{}, sixteen);
    const int band = PixelNearestShift(801.3);
    EXPECT_NEAR(averaged[band], reference[band], 15.0);
}

TEST(ScanGenerator, BoxcarIsTheMeanOfTheUnsmoothedNeighboursClippedAtTheEnds)
{
    ScanSettings plain;
    ScanSettings smoothed;
    smoothed.boxcar = 3;
    const Spectrum raw = Scan(ChannelSetup{}, plain);
    const Spectrum box = Scan(ChannelSetup{}, smoothed);
    for (int i = 0; i < kPixels; ++i) {
        const int first = std::max(i - 3, 0);
        const int last = std::min(i + 3, kPixels - 1);
        const double mean = std::accumulate(raw.begin() + first, raw.begin() + last + 1, 0.0) / (last - first + 1);
        ASSERT_NEAR(box[i], mean, 2e-3) << "pixel " << i;
    }
    EXPECT_NEAR(box[0], (raw[0] + raw[1] + raw[2] + raw[3]) / 4.0, 2e-3);
}

TEST(ScanGenerator, BadParametersAreTakenAtTheNearestAllowedValue)
{
    ScanSettings normal;
    const Spectrum reference = Scan(ChannelSetup{}, normal);
    for (int average : {0, -5}) {
        ScanSettings bad;
        bad.average = average;
        EXPECT_EQ(Scan(ChannelSetup{}, bad), reference) << "Average " << average;
    }
    ScanSettings negativeBox;
    negativeBox.boxcar = -3;
    EXPECT_EQ(Scan(ChannelSetup{}, negativeBox), reference);

    ScanSettings wideBox;
    wideBox.boxcar = 5000;
    const Spectrum flat = Scan(ChannelSetup{}, wideBox);
    const double mean = std::accumulate(reference.begin(), reference.end(), 0.0) / kPixels;
    EXPECT_NEAR(flat.front(), mean, 1e-2);
    EXPECT_NEAR(flat.back(), mean, 1e-2);
    EXPECT_NEAR(flat[1000], mean, 1e-2);

    ScanSettings zeroTime;
    zeroTime.integrationMs = 0;
    ScanSettings minimumTime;
    minimumTime.integrationMs = kMinIntegrationMs;
    EXPECT_EQ(Scan(ChannelSetup{}, zeroTime), Scan(ChannelSetup{}, minimumTime));

    // The scan timing uses the same rules: 1 ms × 1 reading plus readout,
    // 3 ms unless a faster detector is asked for (down to none).
    ScanSettings allBad{0, -5, -3, true, false};
    EXPECT_DOUBLE_EQ(ScanDurationMs(allBad, 1.0), ScanDurationMs(minimumTime, 1.0));
    EXPECT_LT(ScanDurationMs(allBad, 1.0), 10.0);
    ScanSettings slow{200, 5, 0, true, false};
    EXPECT_NEAR(ScanDurationMs(slow, 10.0), ScanDurationMs(slow, 1.0) / 10.0, 1e-9);
    EXPECT_GE(ScanDurationMs(slow, 1.0), 1000.0);
    ScanSettings fastest{1, 1, 0, true, false};
    EXPECT_DOUBLE_EQ(ScanDurationMs(fastest, 1.0), 4.0);
    EXPECT_DOUBLE_EQ(ScanDurationMs(fastest, 1.0, 0.0), 1.0);
}

TEST(ScanGenerator, NeonLinesSitAtTheirWavelengthsWhateverTheLaser)
{
    ScanSettings off;
    off.laserOn = false;
    const Spectrum lamp = Scan(Noiseless(SampleKind::NeonLamp), off);
    for (double nm : {585.249, 640.225, 703.241}) {
        const int expected = PixelNearestWavelength(nm);
        EXPECT_LE(std::abs(MaxPixelNear(lamp, expected, 4) - expected), 1) << nm << " nm";
        EXPECT_GT(lamp[expected] - Median(lamp), 500.0) << nm << " nm";
    }
    EXPECT_EQ(Scan(Noiseless(SampleKind::NeonLamp), ScanSettings{}), lamp);
}

TEST(ScanGenerator, DarkCorrectionRemovesTheElectricalDarkLevel)
{
    ScanSettings corrected;
    corrected.laserOn = false;
    corrected.correctDark = true;
    const Spectrum s = Scan(Noiseless(SampleKind::None), corrected);
    const double mean = std::accumulate(s.begin(), s.end(), 0.0) / kPixels;
    EXPECT_NEAR(mean, 0.0, 2.0);
    for (float v : s)
        ASSERT_LT(std::fabs(v), 3.0f) << "only the dark current's pixel pattern remains";
}

TEST(ScanGenerator, AbortStopsALongAveragingRun)
{
    std::atomic<bool> abort{true};
    Spectrum out(kPixels);
    ScanGenerator generator(kSeed);
    ScanSettings many;
    many.average = 30000;
    EXPECT_FALSE(generator.Generate(ChannelSetup{}, many, out.data(), &abort));
}

TEST(ScanGenerator, CosmicRaysStrikeAtTheirRateAndTheTestKnowsEachOne)
{
    ChannelSetup clean;
    ChannelSetup struck = clean;
    struck.cosmicRate = 20.0;  // events per second
    ScanSettings scan;         // 100 ms, one reading
    ScanGenerator without(kSeed);
    ScanGenerator with(kSeed);
    Spectrum a(kPixels), b(kPixels);
    constexpr int kScans = 1000;
    int events = 0;
    int twoPixel = 0;
    for (int n = 0; n < kScans; ++n) {
        ASSERT_TRUE(without.Generate(clean, scan, a.data()));
        ASSERT_TRUE(with.Generate(struck, scan, b.data()));
        EXPECT_TRUE(without.LastCosmicEvents().empty());
        // The noise is the same scan for scan: the two differ only where a
        // ray struck, by its counts (rounded, and clipped at full scale).
        std::vector<double> added(kPixels, 0.0);
        for (const CosmicEvent& e : with.LastCosmicEvents()) {
            ++events;
            ASSERT_GE(e.pixel, 0);
            ASSERT_LT(e.pixel, kPixels);
            EXPECT_GE(e.counts, kMinimumCosmicCounts);
            EXPECT_LE(e.counts, kFullScaleCounts);
            added[e.pixel] += e.counts;
            if (e.neighbourPixel >= 0) {
                ++twoPixel;
                EXPECT_EQ(std::abs(e.neighbourPixel - e.pixel), 1);
                EXPECT_GE(e.neighbourCounts, kCosmicNeighbourShareMin * e.counts - 1e-9);
                EXPECT_LE(e.neighbourCounts, kCosmicNeighbourShareMax * e.counts + 1e-9);
                added[e.neighbourPixel] += e.neighbourCounts;
            }
        }
        for (int i = 0; i < kPixels; ++i) {
            if (added[i] == 0.0) {
                ASSERT_EQ(a[i], b[i]) << "scan " << n << " pixel " << i;
            } else {
                const double expected = std::min<double>(a[i] + added[i], kFullScaleCounts);
                ASSERT_NEAR(b[i], expected, 1.0) << "scan " << n << " pixel " << i;
            }
        }
    }
    // 2 events per 100 ms scan on average (Poisson: ± 3 standard deviations).
    EXPECT_NEAR(events, 2 * kScans, 3 * std::sqrt(2.0 * kScans));
    EXPECT_NEAR(twoPixel, events * kCosmicTwoPixelFraction, 3 * std::sqrt(events * 0.25));
}

TEST(ScanGenerator, EachAveragedReadingHasItsOwnRaysAndTheAverageDividesThem)
{
    ChannelSetup struck;
    struck.cosmicRate = 50.0;
    ChannelSetup clean = struck;
    clean.cosmicRate = 0.0;
    ScanSettings scan;
    scan.average = 4;
    ScanGenerator with(kSeed);
    ScanGenerator without(kSeed);
    Spectrum a(kPixels), b(kPixels);
    int events = 0;
    for (int n = 0; n < 100; ++n) {
        ASSERT_TRUE(with.Generate(struck, scan, b.data()));
        ASSERT_TRUE(without.Generate(clean, scan, a.data()));
        std::vector<double> added(kPixels, 0.0);
        for (const CosmicEvent& e : with.LastCosmicEvents()) {
            ++events;
            added[e.pixel] += e.counts;
            if (e.neighbourPixel >= 0)
                added[e.neighbourPixel] += e.neighbourCounts;
        }
        // The rays of the four readings are a quarter of them in the average
        // (where no reading can have clipped).
        for (int i = 0; i < kPixels; ++i) {
            if (a[i] + added[i] < kFullScaleCounts - 100) {
                ASSERT_NEAR(b[i] - a[i], added[i] / 4.0, 1.0) << "scan " << n << " pixel " << i;
            }
        }
    }
    // 4 readings of 100 ms at 50 per second: 20 events a scan.
    EXPECT_NEAR(events, 2000, 3 * std::sqrt(2000.0));
}
