#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "NormalSource.h"
#include "ScanGenerator.h"

using namespace vexlar::qdv;

namespace {

double NormalCdf(double x)
{
    return 0.5 * std::erfc(-x / std::sqrt(2.0));
}

}  // namespace

TEST(NormalSource, DrawsAreStandardNormalInTheirMomentsTailsAndDistribution)
{
    NormalSource normal(7);
    constexpr int kDraws = 2'000'000;
    std::vector<double> draws(kDraws);
    double sum = 0.0, sumSq = 0.0, sumFourth = 0.0;
    int beyondThree = 0, beyondTailStart = 0;
    for (double& x : draws) {
        x = normal();
        sum += x;
        sumSq += x * x;
        sumFourth += x * x * x * x;
        beyondThree += std::fabs(x) > 3.0;
        beyondTailStart += std::fabs(x) > 3.6541528853610088;  // the base layer's tail
    }
    const double mean = sum / kDraws;
    const double variance = sumSq / kDraws - mean * mean;
    EXPECT_NEAR(mean, 0.0, 0.003);
    EXPECT_NEAR(variance, 1.0, 0.004);
    EXPECT_NEAR(sumFourth / kDraws / (variance * variance), 3.0, 0.03) << "kurtosis of a normal";
    EXPECT_NEAR(beyondThree / double(kDraws), 2.0 * (1.0 - NormalCdf(3.0)), 0.0002);
    EXPECT_NEAR(beyondTailStart / double(kDraws), 2.0 * (1.0 - NormalCdf(3.6541528853610088)), 0.00006)
        << "the tail beyond the ziggurat's base is drawn as often as a normal's";

    // The whole distribution: the largest gap between the draws' CDF and the
    // normal's (Kolmogorov-Smirnov), far below what 2 million draws allow.
    std::sort(draws.begin(), draws.end());
    double worst = 0.0;
    for (int i = 0; i < kDraws; i += 97)
        worst = std::max(worst, std::fabs(NormalCdf(draws[i]) - (i + 0.5) / kDraws));
    EXPECT_LT(worst, 0.0015);
}

TEST(NormalSource, TheSameSeedGivesTheSameDrawsAndAnotherSeedOthers)
{
    NormalSource a(42), b(42), c(43);
    int same = 0;
    for (int i = 0; i < 1000; ++i) {
        const double x = a();
        EXPECT_EQ(x, b());
        same += x == c();
    }
    EXPECT_EQ(same, 0);
}

// The generator's noise against its model: shot noise of the photo-counts
// plus the read noise, then rounding to whole counts (a variance of 1/12).
TEST(ScanGeneratorNoise, EachPixelVariesAsItsShotAndReadNoisePredict)
{
    for (const SampleKind sample : {SampleKind::None, SampleKind::Cyclohexane}) {
        ChannelSetup setup;
        setup.sample = sample;
        const ScanSettings scan;
        std::vector<double> expected(kPixels);
        ScanGenerator::ExpectedCounts(setup, scan, expected.data());

        ScanGenerator generator(11);
        std::vector<float> out(kPixels);
        constexpr int kScans = 40;
        double sumOfSquares = 0.0, predicted = 0.0, bias = 0.0;
        for (int n = 0; n < kScans; ++n) {
            ASSERT_TRUE(generator.Generate(setup, scan, out.data()));
            for (int i = 0; i < kPixels; ++i) {
                const double d = out[i] - expected[i];
                sumOfSquares += d * d;
                bias += d;
                const double photo = std::max(expected[i] - kDarkOffsetCounts, 0.0);
                predicted += photo / kElectronsPerCount + kReadNoiseCounts * kReadNoiseCounts + 1.0 / 12.0;
            }
        }
        const double samples = double(kScans) * kPixels;
        EXPECT_NEAR(sumOfSquares / predicted, 1.0, 0.02) << "sample " << int(sample);
        EXPECT_NEAR(bias / samples, 0.0, 0.05) << "the noise has no offset";
    }
}

TEST(ScanGeneratorNoise, ANewSetUpOrScanTakesEffectAtOnceOnTheSameGenerator)
{
    ScanGenerator generator(5);
    std::vector<float> out(kPixels);
    std::vector<double> expected(kPixels);

    ChannelSetup setup;
    setup.noise = 0.0;
    ScanSettings scan;
    const auto matchesModel = [&](const char* what) {
        ASSERT_TRUE(generator.Generate(setup, scan, out.data()));
        ScanGenerator::ExpectedCounts(setup, scan, expected.data());
        for (int i = 0; i < kPixels; ++i) {
            ASSERT_EQ(out[i], std::clamp(std::round(expected[i]), 0.0, double(kFullScaleCounts)))
                << what << ", pixel " << i;
        }
    };
    matchesModel("cyclohexane, laser on");
    scan.laserOn = false;
    matchesModel("laser off");
    scan.laserOn = true;
    scan.integrationMs = 37;
    matchesModel("another integration time");
    setup.sample = SampleKind::NeonLamp;
    matchesModel("another sample");
    setup.calibration.intercept = 360.0;
    matchesModel("another calibration");
    setup.laserPower = 0.5;
    matchesModel("another laser power");

    // Noise switched back on is noise at once.
    setup.noise = 1.0;
    ASSERT_TRUE(generator.Generate(setup, scan, out.data()));
    int differing = 0;
    for (int i = 0; i < kPixels; ++i)
        differing += out[i] != std::clamp(std::round(expected[i]), 0.0, double(kFullScaleCounts));
    EXPECT_GT(differing, kPixels / 2);
}

// Eight channels with eight set-ups, scan after scan: each keeps its own.
TEST(ScanGeneratorNoise, EightChannelsWithTheirOwnSetUpsEachGetTheirOwnSpectrum)
{
    ScanGenerator generator(9);
    std::vector<float> out(kPixels);
    std::vector<double> expected(kPixels);
    const ScanSettings scan;
    for (int round = 0; round < 3; ++round) {
        for (int ch = 0; ch < kChannels + 1; ++ch) {  // one more set-up than is kept
            ChannelSetup setup;
            setup.noise = 0.0;
            setup.laserPower = 0.2 + 0.1 * ch;
            ASSERT_TRUE(generator.Generate(setup, scan, out.data()));
            ScanGenerator::ExpectedCounts(setup, scan, expected.data());
            for (int i = 0; i < kPixels; i += 7)
                ASSERT_EQ(out[i], std::clamp(std::round(expected[i]), 0.0, double(kFullScaleCounts))) << ch;
        }
    }
}
