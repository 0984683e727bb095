// The peak search and the ".peak" file text, as plain arithmetic.

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <random>
#include <vector>

#include "peaks/PeakFile.h"
#include "peaks/PeakSearch.h"
#include "support/TempDir.h"

using namespace vexlar::peaks;

namespace {

constexpr int N = kSpectrumPixels;

std::vector<int> Search(const std::vector<double>& s, PeakCriteria c, int first = kFirstCandidatePixel)
{
    std::vector<int> found;
    SearchPeaks(s.data(), first, c, [&](int pixel) { found.push_back(pixel); });
    return found;
}

// A flat baseline of 0 with one triangle: top at pixel `top`, flanks falling
// by `step` per pixel.
std::vector<double> Triangle(int top, double height, double step)
{
    std::vector<double> s(N, 0.0);
    for (int i = 0; i < N; ++i)
        s[i] = std::max(0.0, height - step * std::abs(i - top));
    return s;
}

// The search written out plainly from its rules, for comparison.
std::vector<int> ReferenceSearch(const std::vector<double>& s, int mode, const std::vector<double>& raman,
                                 double threshold, double slope, int width)
{
    std::vector<int> peaks;
    if (width < 1 || width > 5)
        return peaks;
    int first = 5;
    if (mode != 0) {
        int f = 2047;
        for (int i = 0; i < 2047; ++i) {
            if (raman[i] >= 0.0) {
                f = i;
                break;
            }
        }
        if (f > first)
            first = f;
    }
    for (int i = first; i <= 2042; ++i) {
        bool shape = true;
        for (int k = 1; k <= width; ++k) {
            if (s[i - k] > s[i - k + 1])
                shape = false;
            if (s[i + k - 1] < s[i + k])
                shape = false;
        }
        const double meanDrop = ((s[i] - s[i + 1]) + (s[i] - s[i - 1])) / 2.0;
        if (shape && s[i] > threshold && meanDrop > slope)
            peaks.push_back(i);
    }
    return peaks;
}

}  // namespace

TEST(PeakSearch, ThresholdAndSlopeAreStrict)
{
    std::vector<double> s(N, 0.0);
    s[1000] = 1000.0;
    EXPECT_EQ(Search(s, {100.0, 10.0, 1}), std::vector<int>{1000});
    EXPECT_TRUE(Search(s, {1000.0, 10.0, 1}).empty()) << "equal to the threshold is not above it";
    EXPECT_EQ(Search(s, {999.999, 10.0, 1}), std::vector<int>{1000});
    // Zero and negative settings are plain numbers too.
    EXPECT_EQ(Search(s, {-5.0, 0.0, 1}), std::vector<int>{1000});

    // Flanks falling by exactly 20: a mean drop of 20.
    const std::vector<double> t = Triangle(700, 500.0, 20.0);
    EXPECT_EQ(Search(t, {100.0, 19.99, 1}), std::vector<int>{700});
    EXPECT_TRUE(Search(t, {100.0, 20.0, 1}).empty());
    // The slope looks at the immediate neighbours only, whatever the width.
    EXPECT_EQ(Search(t, {100.0, 19.99, 5}), std::vector<int>{700});
    EXPECT_TRUE(Search(t, {100.0, 20.0, 5}).empty());
}

TEST(PeakSearch, WidthLengthensTheMonotoneFlanks)
{
    std::vector<double> s = Triangle(900, 400.0, 50.0);
    for (int w = 1; w <= 5; ++w)
        EXPECT_EQ(Search(s, {100.0, 10.0, w}), std::vector<int>{900}) << "width " << w;
    // The third pixel to the left above the second: fine for widths 1 and 2,
    // a broken rising flank for 3 and more.
    s[897] = s[898] + 1.0;
    EXPECT_EQ(Search(s, {100.0, 10.0, 2}), std::vector<int>{900});
    EXPECT_TRUE(Search(s, {100.0, 10.0, 3}).empty());
    // The same on the falling side.
    s = Triangle(900, 400.0, 50.0);
    s[903] = s[902] + 1.0;
    EXPECT_EQ(Search(s, {100.0, 10.0, 2}), std::vector<int>{900});
    EXPECT_TRUE(Search(s, {100.0, 10.0, 3}).empty());
    // Equal neighbours on a flank pass.
    s = Triangle(900, 400.0, 50.0);
    s[897] = s[898];
    EXPECT_EQ(Search(s, {100.0, 10.0, 5}), std::vector<int>{900});

    // Widths outside 1 to 5 find nothing.
    s = Triangle(900, 400.0, 50.0);
    EXPECT_TRUE(Search(s, {100.0, 10.0, 0}).empty());
    EXPECT_TRUE(Search(s, {100.0, 10.0, 6}).empty());
    EXPECT_TRUE(Search(s, {100.0, 10.0, -1}).empty());
}

TEST(PeakSearch, PlateauGivesTwoPeaksEachOnItsOwnSlope)
{
    std::vector<double> s(N, 0.0);
    s[500] = s[501] = 800.0;
    // Each half of the plateau: half its outer drop, 400.
    EXPECT_EQ(Search(s, {100.0, 399.0, 1}), (std::vector<int>{500, 501}));
    EXPECT_TRUE(Search(s, {100.0, 400.0, 1}).empty());
    // A lower outer neighbour on the right: only the left pixel passes.
    s[502] = 200.0;
    EXPECT_EQ(Search(s, {100.0, 350.0, 1}), std::vector<int>{500});
}

TEST(PeakSearch, CandidatesStayFiveFromEitherEnd)
{
    std::vector<double> s(N, 0.0);
    s[3] = 1000.0;
    s[2045] = 1000.0;
    EXPECT_TRUE(Search(s, {100.0, 10.0, 1}).empty());
    // The first and last candidates themselves.
    s[5] = 1000.0;
    s[2042] = 1000.0;
    EXPECT_EQ(Search(s, {100.0, 10.0, 1}), (std::vector<int>{5, 2042}));
    s[5] = s[2042] = 0.0;
    s[4] = s[2043] = 1000.0;
    EXPECT_TRUE(Search(s, {100.0, 10.0, 1}).empty());
    // A first candidate given below 5 is held at 5.
    s[4] = 0.0;
    s[3] = 1000.0;
    EXPECT_TRUE(Search(s, {100.0, 10.0, 1}, 0).empty());
}

TEST(PeakSearch, RamanModeStartsAtTheFirstNonNegativeShift)
{
    std::vector<double> raman(N);
    for (int i = 0; i < N; ++i)
        raman[i] = (i - 300) * 1.5;
    EXPECT_EQ(FirstCandidate(1, raman.data()), 300);
    EXPECT_EQ(FirstCandidate(0, raman.data()), 5) << "wavelength mode ignores the shifts";
    raman[299] = 0.0;  // exactly 0 counts
    EXPECT_EQ(FirstCandidate(1, raman.data()), 299);

    std::vector<double> s(N, 0.0);
    s[200] = 1000.0;
    s[1200] = 1000.0;
    EXPECT_EQ(Search(s, {100.0, 10.0, 1}, FirstCandidate(1, raman.data())), std::vector<int>{1200});

    // All shifts non-negative: from pixel 5.
    std::fill(raman.begin(), raman.end(), 10.0);
    EXPECT_EQ(FirstCandidate(1, raman.data()), 5);
    // None below the last pixel: the last pixel, and nothing is found.
    std::fill(raman.begin(), raman.end(), -1.0);
    EXPECT_EQ(FirstCandidate(1, raman.data()), 2047);
    raman[2047] = 5.0;
    EXPECT_EQ(FirstCandidate(1, raman.data()), 2047) << "the last pixel itself is not examined";
    EXPECT_TRUE(Search(s, {100.0, 10.0, 1}, FirstCandidate(1, raman.data())).empty());
}

TEST(PeakSearch, AgreesWithThePlainReadingOnRandomSpectra)
{
    std::mt19937 random(20240611u);
    std::uniform_int_distribution<int> level(0, 12);
    std::uniform_int_distribution<int> widthPick(0, 6);
    std::uniform_int_distribution<int> firstShiftPixel(-50, 2100);
    std::uniform_real_distribution<double> threshold(-2.0, 10.0);
    std::uniform_real_distribution<double> slope(-1.0, 4.0);
    std::bernoulli_distribution smooth(0.5);
    std::size_t total = 0;
    for (int run = 0; run < 3000; ++run) {
        // Small whole numbers make plateaus and equal neighbours common.
        std::vector<double> s(N);
        double walk = 6.0;
        const bool walking = smooth(random);
        for (double& v : s) {
            if (walking)
                walk = std::clamp(walk + (level(random) - 6) / 3, 0.0, 12.0);
            v = walking ? walk : level(random);
        }
        const int zero = firstShiftPixel(random);
        std::vector<double> raman(N);
        for (int i = 0; i < N; ++i)
            raman[i] = (i - zero) * 2.0;
        const int mode = run % 3 == 0 ? 1 : 0;
        const PeakCriteria c{std::round(threshold(random)), slope(random), widthPick(random)};
        const std::vector<int> found = Search(s, c, FirstCandidate(mode, raman.data()));
        ASSERT_EQ(found, ReferenceSearch(s, mode, raman, c.peakThreshold, c.peakSlope, c.peakWidth))
            << "run " << run << " width " << c.peakWidth << " threshold " << c.peakThreshold << " slope "
            << c.peakSlope;
        total += found.size();
    }
    EXPECT_GT(total, 100000u) << "the random spectra must hold many peaks to compare";
}

TEST(PeakFile, HeaderAndRowsWithCrLf)
{
    PeakFileHeader h;
    h.integrationTime = 65535;
    h.average = 3;
    h.boxcar = -2;
    h.additions = 4;
    h.xAxisMode = 0;
    const std::string wavelength = PeakFileText(h, {{1000, 650.125, 1234.56}, {12, 351.999, -0.04}});
    EXPECT_EQ(wavelength, "Integration Time 65535 msec\r\n"
                          "Averages: 3\r\n"
                          "Boxcar Smoothing Width: -2\r\n"
                          "Spectral Additions 5\r\n"
                          "Pixel\tWavelength (nm)\tIntensity\r\n"
                          "1000\t650.12\t1234.6\r\n"
                          "12\t352.00\t-0.0\r\n");
    h.xAxisMode = 1;
    h.additions = 0;
    EXPECT_EQ(PeakFileText(h, {{600, 520.6, 10.0}}), "Integration Time 65535 msec\r\n"
                                                     "Averages: 3\r\n"
                                                     "Boxcar Smoothing Width: -2\r\n"
                                                     "Spectral Additions 1\r\n"
                                                     "Pixel\tRaman Shift (cm-1)\tIntensity\r\n"
                                                     "600\t521\t10.0\r\n");
    // What was done to the spectrum comes after the settings, only when done.
    h.spikesRemoved = true;
    h.baselineSubtracted = true;
    h.baselineSmoothness = 1000.0;
    h.baselineAsymmetry = 0.01;
    EXPECT_EQ(PeakFileText(h, {}), "Integration Time 65535 msec\r\n"
                                   "Averages: 3\r\n"
                                   "Boxcar Smoothing Width: -2\r\n"
                                   "Spectral Additions 1\r\n"
                                   "Spikes removed\r\n"
                                   "Baseline subtracted (smoothness 1000, asymmetry 0.01)\r\n"
                                   "Pixel\tRaman Shift (cm-1)\tIntensity\r\n");
    // As printf rounds: to the nearest, ties of the binary value as they fall.
    EXPECT_EQ(PeakXText(0.5, 1), "0");
    EXPECT_EQ(PeakXText(1.5, 1), "2");
    EXPECT_EQ(PeakXText(-3.7, 1), "-4");
    EXPECT_EQ(PeakXText(650.123, 0), "650.12");
    EXPECT_EQ(PeakXText(650.123, 2), "650.12") << "anything but 1 is wavelength";
    EXPECT_EQ(FixedText(1e300, 1).size(), 303u);
}
