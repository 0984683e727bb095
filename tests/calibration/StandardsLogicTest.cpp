// The calibration from standards as plain arithmetic: least-squares
// polynomials, lines found with sub-pixel centres, the lamp calibration
// recovering a known polynomial, the Raman-shift check recovering a known
// laser line, the average of fresh scans and the texts the dialogs show.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "calibration/CalibrationText.h"
#include "calibration/LampCalibration.h"
#include "calibration/LineFinder.h"
#include "calibration/PolynomialFit.h"
#include "calibration/RamanShiftCheck.h"
#include "calibration/ReferenceLines.h"
#include "calibration/ScanAverage.h"
#include "calibration/Statistics.h"
#include "support/DecimalCommaLanguage.h"

using namespace vexlar::calibration;

namespace {

constexpr int kPixels = 2048;
constexpr double kBaseline = 100.0;
constexpr double kLineFwhm = 2.6;  // pixels

Polynomial Make(double c0, double c1, double c2, double c3)
{
    Polynomial p;
    p.c = {c0, c1, c2, c3};
    return p;
}

// The pixel where an increasing calibration reaches nm.
double PixelOf(const Polynomial& p, double nm)
{
    double low = 0.0;
    double high = kPixels - 1.0;
    for (int i = 0; i < 60; ++i) {
        const double mid = 0.5 * (low + high);
        (p(mid) < nm ? low : high) = mid;
    }
    return 0.5 * (low + high);
}

struct RenderedLine {
    double pixel;
    double height;
};

// Gaussian lines over a flat baseline with seeded normal noise.
std::vector<double> Render(const std::vector<RenderedLine>& lines, double noise, unsigned seed)
{
    std::vector<double> y(kPixels, kBaseline);
    const double sigma = kLineFwhm / 2.3548200450309493;
    for (const RenderedLine& l : lines) {
        for (int i = 0; i < kPixels; ++i) {
            const double x = (i - l.pixel) / sigma;
            if (std::fabs(x) < 12.0)
                y[i] += l.height * std::exp(-0.5 * x * x);
        }
    }
    std::mt19937 random(seed);
    std::normal_distribution<double> gaussian(0.0, noise);
    for (double& v : y)
        v += gaussian(random);
    return y;
}

// Every neon line of the table at the pixel truth gives it, as bright as the
// table says (the strongest 3000 counts above the baseline).
std::vector<RenderedLine> NeonLamp(const Polynomial& truth)
{
    std::vector<RenderedLine> lines;
    for (const LampLine& l : NeonLines())
        lines.push_back({PixelOf(truth, l.nm), 3.0 * l.relativeIntensity});
    return lines;
}

// The largest difference between two calibrations over a pixel span.
double LargestDifference(const Polynomial& a, const Polynomial& b, double first, double last)
{
    double largest = 0.0;
    for (double p = first; p <= last; p += 0.5)
        largest = std::max(largest, std::fabs(a(p) - b(p)));
    return largest;
}

const LampLineMatch* Row(const LampCalibrationResult& r, double nm)
{
    for (const LampLineMatch& l : r.lines) {
        if (std::fabs(l.referenceNm - nm) < 1e-9)
            return &l;
    }
    return nullptr;
}

// A calibration like a real spectrometer's, with a cubic term, and the
// first guess the lamp target starts from: +1.5 nm in the intercept and 1 %
// in the linear term.
const Polynomial kTruth = Make(349.2, 0.5031, 4.6e-5, 2.0e-9);
const Polynomial kGuess = Make(349.2 + 1.5, 0.5031 * 1.01, 4.6e-5, 2.0e-9);

}  // namespace

// --- Least squares ------------------------------------------------------------------------------

TEST(PolynomialFit, RecoversAPolynomialAndRefusesWhatCannotFixOne)
{
    const Polynomial truth = Make(350.0, 0.5, 5e-5, -3e-9);
    std::vector<double> x;
    std::vector<double> y;
    for (double p : {12.0, 300.5, 511.0, 800.25, 1023.0, 1400.0, 1790.5, 2040.0}) {
        x.push_back(p);
        y.push_back(truth(p));
    }
    for (int order = 0; order <= 3; ++order)
        ASSERT_TRUE(FitPolynomial(x, y, order)) << order;
    const Polynomial fit = *FitPolynomial(x, y, 3);
    EXPECT_LT(LargestDifference(fit, truth, 0.0, 2047.0), 1e-8);
    EXPECT_NEAR(fit.c[3], -3e-9, 1e-15);

    // Weights: a point with a wrong value and a tiny weight hardly moves a
    // straight line through the others.
    std::vector<double> lx = {0, 100, 200, 300, 400};
    std::vector<double> ly = {1, 2, 3, 4, 50};
    const Polynomial weighted = *FitPolynomial(lx, ly, std::vector<double>{1, 1, 1, 1, 1e-9}, 1);
    EXPECT_NEAR(weighted.c[1], 0.01, 1e-6);
    EXPECT_NEAR(weighted.c[0], 1.0, 1e-5);

    EXPECT_FALSE(FitPolynomial(std::vector<double>{1, 2, 3}, std::vector<double>{1, 2, 3}, 3)) << "too few points";
    EXPECT_FALSE(FitPolynomial(std::vector<double>{5, 5, 7, 7, 9}, std::vector<double>{1, 2, 3, 4, 5}, 3))
        << "three distinct pixels do not fix a cubic";
    EXPECT_FALSE(FitPolynomial(std::vector<double>{1, 2, NAN}, std::vector<double>{1, 2, 3}, 1));
    EXPECT_FALSE(FitPolynomial(std::vector<double>{1, 2, 3}, std::vector<double>{1, 2}, 1));
    EXPECT_FALSE(FitPolynomial(lx, ly, std::vector<double>{1, 1, 0, 1, 1}, 1)) << "a weight of zero";
    EXPECT_FALSE(FitPolynomial(x, y, 4));
}

// --- Lines ------------------------------------------------------------------------------------------

TEST(LineFinder, CentresLinesBetweenPixelsAndSkipsSpikesFlatTopsAndNoise)
{
    const std::vector<RenderedLine> truth = {{300.0, 800}, {500.25, 800}, {700.5, 800}, {900.8, 150}};
    std::vector<double> y = Render(truth, 3.0, 1);
    // A cosmic-ray spike one pixel wide and a clipped line with a flat top.
    y[1200] += 900;
    for (int i = 1498; i <= 1502; ++i)
        y[i] = 4095;
    const std::vector<SpectralLine> lines = FindLines(y);
    ASSERT_EQ(lines.size(), truth.size()) << "no spike, no flat top, nothing in the noise";
    for (std::size_t k = 0; k < truth.size(); ++k) {
        EXPECT_NEAR(lines[k].pixel, truth[k].pixel, truth[k].height > 500 ? 0.03 : 0.08) << k;
        EXPECT_NEAR(lines[k].fwhm, kLineFwhm, 0.2) << k;
        EXPECT_NEAR(lines[k].height, truth[k].height, 0.05 * truth[k].height) << k;
    }
    EXPECT_NEAR(NoiseLevel(y), 3.0, 0.3);
    EXPECT_NEAR(MedianWidth(lines), kLineFwhm, 0.2);

    y[40] = NAN;
    EXPECT_TRUE(FindLines(y).empty()) << "a spectrum with a value that is not a number";
    EXPECT_TRUE(FindLines(std::vector<double>(kPixels, 0.0)).empty());
}

// --- The lamp -----------------------------------------------------------------------------------------

TEST(LampCalibration, RecoversAKnownCalibrationFromAFirstGuessOffByMoreThanTheLineSpacing)
{
    // At the far end of the lines the guess is 7 nm off: farther than the
    // nearest reference line in most places.
    ASSERT_GT(std::fabs(kGuess(1100.0) - kTruth(1100.0)), 6.5);
    const std::vector<double> spectrum = Render(NeonLamp(kTruth), 3.0, 7);
    const LampCalibrationResult r = CalibrateFromLamp(spectrum, kGuess, NeonLines(), LampSettings{});

    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_GE(r.linesUsed, 35);
    EXPECT_EQ(r.linesNeeded, 6);
    EXPECT_NEAR(r.firstNm, 540.0562, 1e-9);
    EXPECT_NEAR(r.lastNm, 966.5420, 1e-9);
    EXPECT_NEAR(r.firstPixel, PixelOf(kTruth, 540.0562), 0.05);
    EXPECT_LT(LargestDifference(r.calibration, kTruth, r.firstPixel, r.lastPixel), 0.02);
    EXPECT_LT(r.rmsNm, 0.02);
    // Pairs closer than the line width are not used: 753.5774/754.4044 nm
    // lie 1.4 pixels apart.
    EXPECT_EQ(Row(r, 753.5774), nullptr);
    EXPECT_EQ(Row(r, 754.4044), nullptr);
    EXPECT_GE(r.unresolvedLeftOut, 2);
    for (const LampLineMatch& l : r.lines) {
        EXPECT_NEAR(l.fittedNm, r.calibration(l.pixel), 1e-9);
        EXPECT_NEAR(l.residualNm, l.referenceNm - l.fittedNm, 1e-12);
    }

    // A lower order recovers the span as well as the shape allows: the
    // cubic term of the truth is 0.07 nm over the span.
    LampSettings quadratic;
    quadratic.order = 2;
    const LampCalibrationResult q = CalibrateFromLamp(spectrum, kGuess, NeonLines(), quadratic);
    ASSERT_TRUE(q.ok) << q.message;
    EXPECT_EQ(q.calibration.c[3], 0.0);
    EXPECT_LT(LargestDifference(q.calibration, kTruth, q.firstPixel, q.lastPixel), 0.1);
}

TEST(LampCalibration, AMissingLineChangesLittleAndAMisplacedOneIsRejected)
{
    std::vector<RenderedLine> lamp = NeonLamp(kTruth);
    // The lamp's strongest line missing.
    const auto strongest = std::max_element(
        lamp.begin(), lamp.end(), [](const RenderedLine& a, const RenderedLine& b) { return a.height < b.height; });
    lamp.erase(strongest);
    // 717.3938 nm appears 0.4 pixel off (within matching reach, far outside
    // the others' residuals), and a line the table does not know at 700 nm.
    for (RenderedLine& l : lamp) {
        if (std::fabs(l.pixel - PixelOf(kTruth, 717.3938)) < 1e-9)
            l.pixel += 0.4;
    }
    lamp.push_back({PixelOf(kTruth, 700.0), 2000});

    const LampCalibrationResult r = CalibrateFromLamp(Render(lamp, 3.0, 11), kGuess, NeonLines(), LampSettings{});
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(Row(r, 692.9467), nullptr) << "the missing line";
    const LampLineMatch* misplaced = Row(r, 717.3938);
    ASSERT_NE(misplaced, nullptr);
    EXPECT_TRUE(misplaced->rejected);
    EXPECT_NEAR(misplaced->residualNm, -0.4 * kTruth.Slope(misplaced->pixel), 0.03);
    EXPECT_GE(r.linesRejected, 1);
    EXPECT_EQ(r.linesMatched, r.linesUsed + r.linesRejected);
    for (const LampLineMatch& l : r.lines)
        EXPECT_GT(std::fabs(l.pixel - PixelOf(kTruth, 700.0)), 3.0) << "the unknown line is matched to nothing";
    EXPECT_LT(LargestDifference(r.calibration, kTruth, r.firstPixel, r.lastPixel), 0.02);
}

TEST(LampCalibration, TooFewLinesAreRefusedSayingHowManyWereFoundAndHowManyAreNeeded)
{
    LampSettings cubic;
    cubic.order = 3;
    std::vector<RenderedLine> three;
    for (double nm : {640.2248, 692.9467, 703.2413})
        three.push_back({PixelOf(kTruth, nm), 2000});
    LampCalibrationResult r = CalibrateFromLamp(Render(three, 3.0, 3), kGuess, NeonLines(), cubic);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.linesFound, 3);
    EXPECT_EQ(r.message, "Found 3 lamp lines; a polynomial of order 3 needs at least 6 matched lines.");

    r = CalibrateFromLamp(Render({}, 3.0, 3), kGuess, NeonLines(), cubic);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "No lamp lines were found in the spectrum; a polynomial of order 3 needs at least 6 "
                         "matched lines.");

    // Enough lines, but only four of them neon lines: the rest match nothing.
    std::vector<RenderedLine> mixed;
    for (double nm : {640.2248, 692.9467, 703.2413, 724.5167})
        mixed.push_back({PixelOf(kTruth, nm), 2000});
    for (double nm : {560.0, 680.0, 780.0, 900.0})
        mixed.push_back({PixelOf(kTruth, nm), 2000});
    r = CalibrateFromLamp(Render(mixed, 3.0, 5), kGuess, NeonLines(), cubic);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "Found 8 lamp lines and matched 4 of them to the reference table; a polynomial of order 3 "
                         "needs at least 6 matched lines.");

    // Order 1 needs four: the same four lines fix it, but a neon lamp shows
    // many more of the table's lines between them, so the fit is not
    // offered.
    LampSettings straight;
    straight.order = 1;
    r = CalibrateFromLamp(Render(mixed, 3.0, 5), kGuess, NeonLines(), straight);
    EXPECT_EQ(r.linesUsed, 4);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message.substr(0, 14), "Only 4 of the ") << r.message;

    LampSettings bad;
    bad.order = 4;
    EXPECT_EQ(CalibrateFromLamp(Render(mixed, 3.0, 5), kGuess, NeonLines(), bad).message,
              "The polynomial order must be 1, 2 or 3.");
    bad = LampSettings{};
    bad.searchNm = 0.0;
    EXPECT_FALSE(CalibrateFromLamp(Render(mixed, 3.0, 5), kGuess, NeonLines(), bad).ok);
}

TEST(LampCalibration, AGuessOffByMoreThanTheSearchRangeIsRefusedUntilTheRangeIsWidened)
{
    const Polynomial farOff = Make(kTruth.c[0] + 25.0, kTruth.c[1], kTruth.c[2], kTruth.c[3]);
    const std::vector<double> spectrum = Render(NeonLamp(kTruth), 3.0, 13);
    const LampCalibrationResult refused = CalibrateFromLamp(spectrum, farOff, NeonLines(), LampSettings{});
    EXPECT_FALSE(refused.ok) << "never a calibration from lines matched by chance";

    LampSettings wide;
    wide.searchNm = 40.0;
    const LampCalibrationResult r = CalibrateFromLamp(spectrum, farOff, NeonLines(), wide);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_LT(LargestDifference(r.calibration, kTruth, r.firstPixel, r.lastPixel), 0.02);
}

TEST(LampCalibration, LinesMatchedByChanceOrAtTheEdgeOfTheSearchAreNotTrusted)
{
    // The program's default calibration as the truth; guesses 26 and 36 nm
    // off, beyond the default search range, with the linear term 2 % off
    // either way. Each lines up some lines by chance, with a small RMS.
    const Polynomial truth = Make(350.0, 0.5, 5e-5, 0.0);
    const std::vector<double> spectrum = Render(NeonLamp(truth), 3.0, 13);
    LampSettings cubic;
    cubic.order = 3;
    for (const Polynomial& guess : {Make(376.0, 0.49, 5e-5, 0.0), Make(386.0, 0.51, 5e-5, 0.0)}) {
        const LampCalibrationResult r = CalibrateFromLamp(spectrum, guess, NeonLines(), cubic);
        EXPECT_FALSE(r.ok) << "guess " << guess.c[0];
        EXPECT_GE(r.linesMatched, 6) << "enough lines for a cubic, matched wrongly";
        EXPECT_LT(r.rmsNm, 0.12) << "within a quarter pixel";
        EXPECT_EQ(r.message.substr(0, 5), "Only ") << r.message;
        EXPECT_NE(r.message.find("widen the search range"), std::string::npos) << r.message;

        LampSettings wide;
        wide.searchNm = 60.0;
        const LampCalibrationResult w = CalibrateFromLamp(spectrum, guess, NeonLines(), wide);
        ASSERT_TRUE(w.ok) << w.message;
        EXPECT_GE(w.linesUsed, 35);
        EXPECT_LT(LargestDifference(w.calibration, truth, w.firstPixel, w.lastPixel), 0.02);
    }

    // 16 nm off in the intercept and 2 % in the linear term: the right lines,
    // but the correction (12 nm) reaches into the last fifth of the range.
    const Polynomial edge = Make(366.0, 0.49, 5e-5, 0.0);
    const LampCalibrationResult e = CalibrateFromLamp(spectrum, edge, NeonLines(), LampSettings{});
    EXPECT_FALSE(e.ok);
    EXPECT_EQ(e.message.substr(0, 26), "The correction (up to 12.3") << e.message;
    EXPECT_NE(e.message.find("Widen the search range"), std::string::npos) << e.message;
}

TEST(LampCalibration, ACorrectionShortOfTheEdgeIsRefusedInWordsThatSayTheLastFifthOfTheRange)
{
    // 25 nm off with the range at 30 nm: short of its edge, but beyond the
    // 24 nm trusted.
    const Polynomial farOff = Make(kTruth.c[0] + 25.0, kTruth.c[1], kTruth.c[2], kTruth.c[3]);
    const std::vector<double> spectrum = Render(NeonLamp(kTruth), 3.0, 13);
    LampSettings settings;
    settings.searchNm = 30.0;
    const LampCalibrationResult r = CalibrateFromLamp(spectrum, farOff, NeonLines(), settings);
    ASSERT_FALSE(r.ok);
    EXPECT_EQ(
        r.message,
        "The correction (up to 25.0 nm) comes within a fifth of the edge of the search range (\u00b130 nm), where "
        "the lines may be matched wrongly: only a correction up to 24.0 nm is trusted. Widen the search range and "
        "find the lines again.");
    EXPECT_EQ(r.message.find("reaches the edge"), std::string::npos);
}

TEST(LampCalibration, LinesCutOffAtFullScaleAreNotUsedAndARefusalTheyCauseSaysSo)
{
    std::vector<double> spectrum = Render(NeonLamp(kTruth), 3.0, 17);
    // The detector full at 2000 counts: the six lines whose tops rise above
    // it (692.9, 703.2, 717.4, 724.5, 837.8 and 849.5 nm) are cut off.
    const std::vector<double> fullScale(kPixels, 2000.0);
    for (double& v : spectrum)
        v = std::min(v, 2000.0);
    const LampCalibrationResult r = CalibrateFromLamp(spectrum, kGuess, NeonLines(), LampSettings{}, fullScale);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.linesSaturated, 6);
    for (double nm : {692.9467, 703.2413, 717.3938, 724.5167, 837.7608, 849.5360})
        EXPECT_EQ(Row(r, nm), nullptr) << nm;
    EXPECT_LT(LargestDifference(r.calibration, kTruth, r.firstPixel, r.lastPixel), 0.02);

    // Full at 150 counts: every line cut off (neighbours cut off together
    // count once).
    for (double& v : spectrum)
        v = std::min(v, 150.0);
    const LampCalibrationResult refused =
        CalibrateFromLamp(spectrum, kGuess, NeonLines(), LampSettings{}, std::vector<double>(kPixels, 150.0));
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.message, "40 lamp lines were saturated (their tops reach the detector's full scale) and were "
                               "not used: choose a shorter integration time. No other lamp lines were found in the "
                               "spectrum; a polynomial of order 1 needs at least 4 matched lines.");
}

TEST(LampCalibration, TheOrderIsTheLowestThatTheNextDoesNotFitSignificantlyBetter)
{
    // F of 1 and 10 degrees of freedom exceeds 10.04 one time in a hundred,
    // of 1 and 30 exceeds 4.171 one time in twenty.
    EXPECT_NEAR(FDistributionTail(10.0443, 1, 10), 0.01, 1e-5);
    EXPECT_NEAR(FDistributionTail(4.1709, 1, 30), 0.05, 1e-5);
    // A straight line through (0, 0), (1, 1), (2, 2), (3, 4): its standard
    // error at 0 is s·√(1/n + x̄²/Sxx) = √(0.15 × 0.7).
    const std::optional<FittedPolynomial> line = FitPolynomialWithErrors(
        std::vector<double>{0, 1, 2, 3}, std::vector<double>{0, 1, 2, 4}, std::vector<double>(4, 1.0), 1);
    ASSERT_TRUE(line);
    EXPECT_NEAR(line->StandardError(0.0), std::sqrt(0.105), 1e-12);

    // 31 lines over the span of a neon lamp, the same 0.005 nm of noise on
    // each whatever the instrument: a straight one, the simulator's
    // quadratic one, and one with a cubic term.
    for (const auto& [truth, order] :
         {std::pair{Make(350.0, 0.52, 0.0, 0.0), 1}, std::pair{Make(350.0, 0.5, 5e-5, 0.0), 2}, std::pair{kTruth, 3}}) {
        std::mt19937 random(5);
        std::normal_distribution<double> noise(0.0, 0.005);
        std::vector<double> pixels;
        std::vector<double> nm;
        for (int k = 0; k <= 30; ++k) {
            pixels.push_back(370.0 + 24.5 * k);
            nm.push_back(truth(pixels.back()) + noise(random));
        }
        EXPECT_EQ(ChooseLampOrder(pixels, nm, std::vector<double>(pixels.size(), 1.0), 3), order);
    }
}

// --- The Raman shift -------------------------------------------------------------------------------

namespace {

constexpr double kTrueLaserNm = 632.8;

// The program's default calibration, as the axes widen it.
const Polynomial kDefaultAxis = Make(350.0f, 0.5f, 5e-5f, 0.0f);

// Bands of a standard at the shifts the true laser gives them; heights
// falling from 1500 counts band by band.
std::vector<double> Standard(std::span<const double> shifts, double noise, unsigned seed, double misplacedShift = 0.0,
                             double misplacedBy = 0.0)
{
    std::vector<RenderedLine> lines;
    double height = 1500.0;
    for (double shift : shifts) {
        double pixel = PixelOf(kDefaultAxis, 1e7 / (1e7 / kTrueLaserNm - shift));
        if (shift == misplacedShift)
            pixel += misplacedBy;
        lines.push_back({pixel, height});
        height = std::max(150.0, height * 0.8);
    }
    return Render(lines, noise, seed);
}

double StoredWavenumber(double laserNm)
{
    return static_cast<float>(1e7 / laserNm);
}

std::span<const double> Bands(const char* name)
{
    for (const RamanStandard& s : RamanStandards()) {
        if (std::string(s.name) == name)
            return s.bands;
    }
    return {};
}

const BandCheck* Band(const RamanCheckResult& r, double shift)
{
    for (const BandCheck& b : r.bands) {
        if (b.referenceShift == shift)
            return &b;
    }
    return nullptr;
}

}  // namespace

TEST(RamanShiftCheck, FindsTheLaserLineThatRemovesTheErrorOfALaserFieldOffBy0_3Nanometres)
{
    const std::span<const double> cyclohexane = Bands("Cyclohexane");
    ASSERT_EQ(cyclohexane.size(), 11u);
    const std::vector<double> spectrum = Standard(cyclohexane, 3.0, 17);

    const RamanCheckResult r =
        CheckRamanShift(spectrum, kDefaultAxis, StoredWavenumber(632.5), cyclohexane, RamanCheckSettings{});
    ASSERT_TRUE(r.ok) << r.message;
    // 1e7/632.5 − 1e7/632.8 = 7.496 cm-1 on every band.
    EXPECT_NEAR(r.meanError, 7.496, 0.1);
    EXPECT_NEAR(r.rmsError, 7.5, 0.15);
    EXPECT_NEAR(r.bestLaserNm, kTrueLaserNm, 0.005);
    EXPECT_LT(r.rmsErrorAfter, 0.3);
    EXPECT_EQ(r.bands.size(), 11u);
    // Closer than 1.2 line widths: 1.5 pixels apart, lines 2.6 pixels wide.
    EXPECT_EQ(Band(r, 2923.8)->status, BandStatus::Unresolved);
    EXPECT_EQ(Band(r, 2938.3)->status, BandStatus::Unresolved);
    // 3.2 pixels apart: told apart, and neither pulls the other's centre.
    EXPECT_NEAR(Band(r, 384.1)->error, 7.496, 0.3);
    EXPECT_NEAR(Band(r, 426.3)->error, 7.496, 0.3);
    EXPECT_EQ(r.bandsUsed, 9);
    EXPECT_NEAR(Band(r, 801.3)->measuredShift, 801.3 + 7.496, 0.3);

    // With the laser it offers, the errors are gone.
    const RamanCheckResult after =
        CheckRamanShift(spectrum, kDefaultAxis, StoredWavenumber(r.bestLaserNm), cyclohexane, RamanCheckSettings{});
    ASSERT_TRUE(after.ok);
    EXPECT_NEAR(after.meanError, 0.0, 0.05);

    // A laser field 0.8 nm off puts every band 20 cm-1 off: found within
    // the default tolerance, not within 10 cm-1.
    const RamanCheckResult far =
        CheckRamanShift(spectrum, kDefaultAxis, StoredWavenumber(632.0), cyclohexane, RamanCheckSettings{});
    ASSERT_TRUE(far.ok) << far.message;
    EXPECT_NEAR(far.meanError, 1e7 / 632.0 - 1e7 / kTrueLaserNm, 0.1);
    RamanCheckSettings narrow;
    narrow.toleranceCm = 10.0;
    EXPECT_FALSE(CheckRamanShift(spectrum, kDefaultAxis, StoredWavenumber(632.0), cyclohexane, narrow).ok);
}

TEST(RamanShiftCheck, SetsAsideAMisplacedBandAndChecksASingleLineStandard)
{
    const std::span<const double> polystyrene = Bands("Polystyrene");
    const std::vector<double> spectrum = Standard(polystyrene, 3.0, 19, 1155.3, 0.5);
    const RamanCheckResult r =
        CheckRamanShift(spectrum, kDefaultAxis, StoredWavenumber(kTrueLaserNm), polystyrene, RamanCheckSettings{});
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(Band(r, 1155.3)->status, BandStatus::Rejected);
    EXPECT_GT(Band(r, 1155.3)->error, 4.0);
    EXPECT_NEAR(r.meanError, 0.0, 0.3) << "the rejected band takes no part";

    const std::span<const double> silicon = Bands("Silicon");
    const RamanCheckResult si = CheckRamanShift(Standard(silicon, 3.0, 23), kDefaultAxis, StoredWavenumber(632.9),
                                                silicon, RamanCheckSettings{});
    ASSERT_TRUE(si.ok) << si.message;
    EXPECT_EQ(si.bandsNeeded, 1);
    EXPECT_NEAR(si.meanError, 1e7 / 632.9 - 1e7 / kTrueLaserNm, 0.3);
    EXPECT_NEAR(si.bestLaserNm, kTrueLaserNm, 0.02);
}

TEST(RamanShiftCheck, ASpectrumWithoutTheStandardIsRefused)
{
    const RamanCheckResult none = CheckRamanShift(Render({}, 3.0, 29), kDefaultAxis, StoredWavenumber(632.8),
                                                  Bands("Naphthalene"), RamanCheckSettings{});
    EXPECT_FALSE(none.ok);
    EXPECT_EQ(none.message,
              "No bands were found in the spectrum; the check needs at least 3 matched bands. Is the laser on, and is "
              "the chosen standard the sample in front of the spectrometer?");

    // Sulfur's bands where naphthalene's are expected.
    const RamanCheckResult wrong = CheckRamanShift(Standard(Bands("Sulfur"), 3.0, 31), kDefaultAxis,
                                                   StoredWavenumber(632.8), Bands("Naphthalene"), RamanCheckSettings{});
    EXPECT_FALSE(wrong.ok);
    EXPECT_EQ(wrong.message.substr(0, 22), "Found 4 bands and matc");
    EXPECT_NE(wrong.message.find("the check needs at least 3 matched bands."), std::string::npos);
}

TEST(RamanShiftCheck, AnotherStandardsBandsMatchedByChanceAreNotTrusted)
{
    // Cyclohexane in front of the spectrometer, each other standard chosen:
    // whatever lines up by chance is no laser wavelength to offer.
    const std::vector<double> cyclohexane = Standard(Bands("Cyclohexane"), 3.0, 37);
    int judged = 0;
    for (const RamanStandard& s : RamanStandards()) {
        const RamanCheckResult r =
            CheckRamanShift(cyclohexane, kDefaultAxis, StoredWavenumber(kTrueLaserNm), s.bands, RamanCheckSettings{});
        if (std::string(s.name) == "Cyclohexane") {
            EXPECT_TRUE(r.ok) << r.message;
            continue;
        }
        EXPECT_FALSE(r.ok) << s.name << ": " << r.bandsMatched << " bands, RMS " << r.rmsError;
        EXPECT_NE(r.message.find("is the chosen standard the sample in front of the spectrometer?"), std::string::npos)
            << r.message;
        judged += r.bandsMatched >= r.bandsNeeded;
    }
    EXPECT_GE(judged, 1) << "some standard lines up by chance and is judged, not merely short of bands";

    // The right standard with the laser field 25 cm-1 off: within the
    // tolerance of 30 cm-1, but at its edge.
    const double off = StoredWavenumber(kTrueLaserNm) + 25.0;
    const RamanCheckResult edge =
        CheckRamanShift(cyclohexane, kDefaultAxis, off, Bands("Cyclohexane"), RamanCheckSettings{});
    EXPECT_FALSE(edge.ok);
    EXPECT_NE(edge.message.find(" cm-1) comes within a fifth of the edge of the tolerance (30 cm-1), where the "
                                "bands may be matched wrongly: only a mean error within \u00b124.0 cm-1 is trusted. "
                                "Widen the tolerance and check again."),
              std::string::npos)
        << edge.message;
    EXPECT_EQ(edge.message.find("reaches the edge"), std::string::npos) << edge.message;
    RamanCheckSettings wide;
    wide.toleranceCm = 60.0;
    const RamanCheckResult widened = CheckRamanShift(cyclohexane, kDefaultAxis, off, Bands("Cyclohexane"), wide);
    ASSERT_TRUE(widened.ok) << widened.message;
    EXPECT_NEAR(widened.bestLaserNm, kTrueLaserNm, 0.02);
}

// --- Fresh scans --------------------------------------------------------------------------------------

TEST(ScanAverage, AveragesTheScansWantedThenStopsAndCanBeStoppedEarly)
{
    ScanAverage average;
    std::vector<std::pair<int, int>> told;
    average.Add(std::vector<double>{9, 9});
    EXPECT_TRUE(average.Average().empty()) << "nothing kept before a start";

    average.Start(3, [&](int collected, int wanted) { told.emplace_back(collected, wanted); });
    EXPECT_TRUE(average.Collecting());
    average.Add(std::vector<double>{1, 10});
    average.Add(std::vector<double>{2, 20, 7});  // another length: not kept
    average.Add(std::vector<double>{2, 20});
    average.Add(std::vector<double>{6, 60});
    EXPECT_FALSE(average.Collecting());
    average.Add(std::vector<double>{100, 100});
    EXPECT_EQ(told, (std::vector<std::pair<int, int>>{{1, 3}, {2, 3}, {3, 3}}));
    EXPECT_EQ(average.Average(), (std::vector<double>{3, 30}));

    told.clear();
    average.Start(2, [&](int collected, int wanted) { told.emplace_back(collected, wanted); });
    average.Add(std::vector<double>{4, 4});
    average.Stop();
    average.Add(std::vector<double>{8, 8});
    EXPECT_EQ(told, (std::vector<std::pair<int, int>>{{1, 2}}));
    EXPECT_EQ(average.Collected(), 1);
    EXPECT_EQ(average.Average(), (std::vector<double>{4, 4}));
}

// --- Texts --------------------------------------------------------------------------------------------

TEST(CalibrationText, NumbersKeepTheirDecimalPointInEveryLanguage)
{
    vexlar::test::DecimalCommaLanguage comma;
    ASSERT_TRUE(comma.made()) << comma.failure();
    ASSERT_TRUE(comma.UseForNumbers());

    LampCalibrationResult lamp;
    lamp.linesUsed = 38;
    lamp.linesRejected = 3;
    lamp.rmsNm = 0.021549;
    lamp.firstNm = 540.0562;
    lamp.lastNm = 966.542;
    lamp.firstPixel = 366.66;
    lamp.lastPixel = 1109.92;
    EXPECT_EQ(LampSummaryText(lamp), "38 lines used, 3 rejected; RMS residual 0.0215 nm.");
    EXPECT_EQ(LampSpanText(lamp), "The lines span 540.06 to 966.54 nm (pixels 366.7 to 1109.9). Outside this span "
                                  "the calibration is extrapolated.");

    RamanCheckResult raman;
    raman.bandsUsed = 1;
    raman.meanError = 7.4961;
    raman.rmsError = 7.5;
    raman.bestLaserNm = 632.80049;
    raman.rmsErrorAfter = 0.617;
    EXPECT_EQ(RamanSummaryText(raman), "Mean error 7.50 cm-1, RMS error 7.50 cm-1 over 1 band.");
    EXPECT_EQ(BestLaserText(raman),
              "A laser wavelength of 632.800 nm removes the mean error (RMS error then 0.62 cm-1).");
    EXPECT_EQ(LaserWavelengthText(632.8006), "632.801");
    EXPECT_EQ(FixedText(NAN, 2), "-");
    EXPECT_STREQ(BandStatusText(BandStatus::Unresolved), "unresolved");
}
