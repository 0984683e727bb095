#include "calibration/LampCalibration.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "calibration/CalibrationText.h"
#include "calibration/LineFinder.h"
#include "calibration/Statistics.h"

namespace vexlar::calibration {

namespace {

// A line counts as matched when its wavelength lies this close to a
// reference, in pixels of the local dispersion.
constexpr double kMatchPixels = 0.75;
// Outlier rule: a residual beyond this many robust spreads, and beyond this
// many pixels, is rejected.
constexpr double kRejectSpreads = 3.0;
constexpr double kRejectFloorPixels = 0.1;
// The alignment with the table is searched from pairs of the strongest
// lines, at least this far apart.
constexpr std::size_t kAnchorLines = 24;
constexpr double kAnchorSpacingPixels = 20.0;
// The alignment's correction is linear about the detector's middle pixel.
constexpr double kCorrectionCentre = 1023.5;
constexpr int kMaximumRounds = 8;
// A fit whose RMS residual exceeds this many pixels matched by chance.
constexpr double kLooseFitPixels = 0.25;
// A result is trusted only when
// - at least this share of the reference lines within the span of the lines
//   used were matched (lines matched by chance leave most of them out);
// - its RMS residual is within this many pixels: a line's centre is found to
//   a few hundredths of a pixel, so a right match leaves a few hundredths;
// - its correction stays within this share of the search range anywhere in
//   the span (a match at the edge of the range may be one beyond it).
constexpr double kLeastMatchedShare = 0.6;
constexpr double kTrustedRmsPixels = 0.1;
constexpr double kTrustedSearchShare = 0.8;
// Points checked for a polynomial that turns back within the lines' span.
constexpr int kMonotonySamples = 64;
// A higher order is taken only when chance alone would fit the lines this
// much better less often than this. Stricter than the usual 1 %: the lines'
// centres are off by a little that is not chance alone (the line shape is
// not the Gaussian the finder fits), and a cubic taken for it swings by a
// nanometre at the detector's far end.
constexpr double kOrderSignificance = 0.001;

struct Line {
    double pixel;
    double height;
    double guessNm;     // by the current calibration
    double dispersion;  // nm per pixel by the current calibration, magnitude
};

struct Match {
    std::size_t line;
    std::size_t reference;
    bool operator==(const Match&) const = default;
};

// Index of the reference nearest to nm (references sorted, not empty).
std::size_t Nearest(const std::vector<double>& references, double nm)
{
    const auto it = std::lower_bound(references.begin(), references.end(), nm);
    if (it == references.begin())
        return 0;
    if (it == references.end())
        return references.size() - 1;
    const auto below = it - 1;
    return static_cast<std::size_t>((nm - *below <= *it - nm ? below : it) - references.begin());
}

// The correction a + b·(pixel − centre) of the current calibration that
// puts the most lines within kMatchPixels of a reference.
struct Alignment {
    double offset = 0.0;
    double slope = 0.0;
    int inliers = 0;
    double cost = 0.0;
};

Alignment Score(const std::vector<Line>& lines, const std::vector<double>& references, double offset, double slope)
{
    Alignment a{offset, slope, 0, 0.0};
    for (const Line& l : lines) {
        const double nm = l.guessNm + offset + slope * (l.pixel - kCorrectionCentre);
        const double distance = std::fabs(nm - references[Nearest(references, nm)]);
        const double tolerance = kMatchPixels * l.dispersion;
        if (distance <= tolerance) {
            ++a.inliers;
            a.cost += (distance / tolerance) * (distance / tolerance);
        }
    }
    return a;
}

bool Better(const Alignment& a, const Alignment& b)
{
    return a.inliers > b.inliers || (a.inliers == b.inliers && a.cost < b.cost);
}

Alignment AlignWithTable(const std::vector<Line>& lines, const std::vector<double>& references, double searchNm)
{
    std::vector<std::size_t> anchors(lines.size());
    for (std::size_t i = 0; i < anchors.size(); ++i)
        anchors[i] = i;
    std::sort(anchors.begin(), anchors.end(),
              [&](std::size_t x, std::size_t y) { return lines[x].height > lines[y].height; });
    anchors.resize(std::min(anchors.size(), kAnchorLines));

    double lowestPixel = lines.front().pixel;
    double highestPixel = lines.front().pixel;
    for (const Line& l : lines) {
        lowestPixel = std::min(lowestPixel, l.pixel);
        highestPixel = std::max(highestPixel, l.pixel);
    }
    const auto withinReach = [&](double offset, double slope) {
        return std::fabs(offset + slope * (lowestPixel - kCorrectionCentre)) <= searchNm &&
               std::fabs(offset + slope * (highestPixel - kCorrectionCentre)) <= searchNm;
    };
    const auto candidates = [&](const Line& l) {
        return std::pair(std::lower_bound(references.begin(), references.end(), l.guessNm - searchNm),
                         std::upper_bound(references.begin(), references.end(), l.guessNm + searchNm));
    };

    Alignment best;
    for (std::size_t ia : anchors) {
        for (std::size_t ib : anchors) {
            const Line& a = lines[ia];
            const Line& b = lines[ib];
            if (!(b.pixel - a.pixel >= kAnchorSpacingPixels))
                continue;
            const auto [aFirst, aLast] = candidates(a);
            const auto [bFirst, bLast] = candidates(b);
            for (auto ra = aFirst; ra != aLast; ++ra) {
                for (auto rb = bFirst; rb != bLast; ++rb) {
                    // The two lines keep their order along the axis.
                    if ((*rb - *ra) * (b.guessNm - a.guessNm) <= 0.0)
                        continue;
                    const double slope = ((*rb - b.guessNm) - (*ra - a.guessNm)) / (b.pixel - a.pixel);
                    const double offset = (*ra - a.guessNm) - slope * (a.pixel - kCorrectionCentre);
                    if (!withinReach(offset, slope))
                        continue;
                    const Alignment candidate = Score(lines, references, offset, slope);
                    if (Better(candidate, best))
                        best = candidate;
                }
            }
        }
    }
    return best;
}

// Each line not excluded takes the nearest reference within kMatchPixels of
// its wavelength by model; a reference goes to the closest of the lines that
// want it. By line.
std::vector<Match> MatchLines(const std::vector<Line>& lines, const std::vector<double>& references,
                              const Polynomial& model, const std::vector<bool>& excluded)
{
    std::vector<double> claim(references.size(), -1.0);
    std::vector<std::size_t> claimant(references.size(), 0);
    for (std::size_t m = 0; m < lines.size(); ++m) {
        if (excluded[m])
            continue;
        const double nm = model(lines[m].pixel);
        const double tolerance = kMatchPixels * std::fabs(model.Slope(lines[m].pixel));
        const std::size_t k = Nearest(references, nm);
        const double distance = std::fabs(nm - references[k]);
        if (!(distance <= tolerance))
            continue;
        if (claim[k] < 0.0 || distance < claim[k]) {
            claim[k] = distance;
            claimant[k] = m;
        }
    }
    std::vector<Match> matches;
    for (std::size_t k = 0; k < references.size(); ++k) {
        if (claim[k] >= 0.0)
            matches.push_back({claimant[k], k});
    }
    std::sort(matches.begin(), matches.end(), [](const Match& a, const Match& b) { return a.line < b.line; });
    return matches;
}

// The matched lines' pixels, reference wavelengths and weights (their
// heights), as fitted.
struct FitPoints {
    std::vector<double> pixels;
    std::vector<double> nm;
    std::vector<double> weights;
};

FitPoints PointsOf(const std::vector<Line>& lines, const std::vector<double>& references,
                   const std::vector<Match>& matches)
{
    FitPoints points;
    for (const Match& m : matches) {
        points.pixels.push_back(lines[m.line].pixel);
        points.nm.push_back(references[m.reference]);
        points.weights.push_back(lines[m.line].height);
    }
    return points;
}

std::optional<Polynomial> Fit(const std::vector<Line>& lines, const std::vector<double>& references,
                              const std::vector<Match>& matches, int order)
{
    const FitPoints points = PointsOf(lines, references, matches);
    return FitPolynomial(points.pixels, points.nm, points.weights, order);
}

bool TurnsBackWithin(const Polynomial& p, double first, double last)
{
    const double startSlope = p.Slope(first);
    for (int s = 0; s <= kMonotonySamples; ++s) {
        const double x = first + (last - first) * s / kMonotonySamples;
        if (!(p.Slope(x) * startSlope > 0.0))
            return true;
    }
    return false;
}

// matched < 0: too few lines were found to try matching them. saturated:
// lines left out as saturated, which the refusal names first.
std::string TooFewLines(int found, int matched, int order, int needed, int saturated)
{
    const std::string need = "a polynomial of order " + std::to_string(order) + " needs at least " +
                             std::to_string(needed) + " matched lines.";
    const std::string lamp = saturated > 0 ? "other lamp line" : "lamp line";
    if (found == 0)
        return "No " + lamp + "s were found in the spectrum; " + need;
    const std::string lines = "Found " + std::to_string(found) + " " + lamp + (found == 1 ? "" : "s");
    if (matched < 0)
        return lines + "; " + need;
    return lines + " and matched " + std::to_string(matched) + " of them to the reference table; " + need;
}

// What the operator can do about lines matched wrongly: with saturated
// lines, shorten the integration (which the refusal says first), else look
// at the lamp and the search range.
std::string WhatToDo(double searchNm, int saturated)
{
    if (saturated > 0)
        return {};
    return " Is the lamp neon? If the calibration may be off by more than \u00b1" + FixedText(searchNm, 0) +
           " nm, widen the search range and find the lines again.";
}

// The refusal, after the saturated lines when there were any: they are a
// reason of their own, and shortening the integration comes first.
std::string Refusal(const std::string& reason, int saturated)
{
    return saturated > 0 ? LampSaturationText(saturated) + " " + reason : reason;
}

// Reference lines between first and last nm that lie under a clipped top by
// model: their lines were there, but too bright to be used.
int HiddenByClippedTops(const std::vector<double>& references, const std::vector<ClippedTop>& clipped,
                        const Polynomial& model, double firstNm, double lastNm)
{
    return static_cast<int>(std::count_if(references.begin(), references.end(), [&](double nm) {
        return nm >= firstNm && nm <= lastNm && std::any_of(clipped.begin(), clipped.end(), [&](const ClippedTop& t) {
                   const double a = model(static_cast<double>(t.first) - 1.0);
                   const double b = model(static_cast<double>(t.last) + 1.0);
                   return nm >= std::min(a, b) && nm <= std::max(a, b);
               });
    }));
}

// Why a fit that matched enough lines is still not to be trusted; empty when
// it is. hidden: reference lines in the span whose lines were saturated.
std::string Doubt(const LampCalibrationResult& r, const std::vector<double>& references, int hidden,
                  const Polynomial& current, double dispersion, double searchNm)
{
    const int inSpan = static_cast<int>(std::count_if(references.begin(), references.end(),
                                                      [&](double nm) { return nm >= r.firstNm && nm <= r.lastNm; })) -
                       hidden;
    if (r.linesMatched < kLeastMatchedShare * inSpan) {
        return "Only " + std::to_string(r.linesMatched) + " of the " + std::to_string(inSpan) +
               " reference lines between " + FixedText(r.firstNm, 1) + " and " + FixedText(r.lastNm, 1) +
               " nm were matched: the lines were matched by chance." + WhatToDo(searchNm, r.linesSaturated);
    }
    if (r.rmsNm > kTrustedRmsPixels * dispersion) {
        return "The RMS residual (" + FixedText(r.rmsNm, 3) +
               " nm) is more than a tenth of a pixel, far more than "
               "the lines' centres can be off: the lines may be matched wrongly." +
               WhatToDo(searchNm, r.linesSaturated);
    }
    double correction = 0.0;
    for (double p = r.firstPixel; p <= r.lastPixel; p += 1.0)
        correction = std::max(correction, std::fabs(r.calibration(p) - current(p)));
    if (correction > kTrustedSearchShare * searchNm) {
        // Said as the rule is: the last fifth of the range, not its edge,
        // which a correction short of it would seem not to reach.
        return "The correction (up to " + FixedText(correction, 1) +
               " nm) comes within a fifth of the edge of the "
               "search range (\u00b1" +
               FixedText(searchNm, 0) +
               " nm), where the lines may be matched wrongly: only a "
               "correction up to " +
               FixedText(kTrustedSearchShare * searchNm, 1) +
               " nm is trusted. Widen the search "
               "range and find the lines again.";
    }
    return {};
}

// The calibration with a polynomial of the given order (1 to 3).
LampCalibrationResult CalibrateAtOrder(std::span<const double> spectrum, std::span<const double> fullScale,
                                       const Polynomial& current, std::span<const LampLine> table,
                                       const LampSettings& settings, int order)
{
    LampCalibrationResult result;
    result.order = order;
    result.linesNeeded = LampLinesNeeded(order);

    // Lines cut off at full scale are left out, and counted.
    const std::vector<ClippedTop> clipped = ClippedTops(spectrum, fullScale);
    result.linesSaturated = static_cast<int>(clipped.size());
    std::vector<SpectralLine> found = FindLines(spectrum);
    std::erase_if(found, [&](const SpectralLine& l) { return TouchesClippedTop(l, clipped); });
    result.linesFound = static_cast<int>(found.size());
    result.lineWidthPixels = MedianWidth(found);
    std::vector<Line> lines;
    for (const SpectralLine& f : found)
        lines.push_back({f.pixel, f.height, current(f.pixel), std::fabs(current.Slope(f.pixel))});
    if (static_cast<int>(lines.size()) < result.linesNeeded) {
        result.message = Refusal(TooFewLines(result.linesFound, -1, order, result.linesNeeded, result.linesSaturated),
                                 result.linesSaturated);
        return result;
    }

    // The references the lines can reach, without those the instrument
    // cannot separate from a neighbour.
    std::vector<double> tableNm;
    for (const LampLine& l : table)
        tableNm.push_back(l.nm);
    std::sort(tableNm.begin(), tableNm.end());
    double lowestGuess = lines.front().guessNm;
    double highestGuess = lines.front().guessNm;
    for (const Line& l : lines) {
        lowestGuess = std::min(lowestGuess, l.guessNm);
        highestGuess = std::max(highestGuess, l.guessNm);
    }
    const double pixelSpan = lines.back().pixel - lines.front().pixel;
    const double meanDispersion = pixelSpan > 0.0 ? (highestGuess - lowestGuess) / pixelSpan : lines.front().dispersion;
    const double widthNm = kResolvedLineWidths * result.lineWidthPixels * meanDispersion;
    std::vector<double> references;
    for (std::size_t k = 0; k < tableNm.size(); ++k) {
        const double nm = tableNm[k];
        if (nm < lowestGuess - settings.searchNm || nm > highestGuess + settings.searchNm)
            continue;
        const bool closeBelow = k > 0 && nm - tableNm[k - 1] < widthNm;
        const bool closeAbove = k + 1 < tableNm.size() && tableNm[k + 1] - nm < widthNm;
        if (closeBelow || closeAbove)
            ++result.unresolvedLeftOut;
        else
            references.push_back(nm);
    }
    if (references.empty()) {
        result.message = Refusal(TooFewLines(result.linesFound, 0, order, result.linesNeeded, result.linesSaturated),
                                 result.linesSaturated);
        return result;
    }

    const Alignment alignment = AlignWithTable(lines, references, settings.searchNm);
    Polynomial model = current;
    model.c[0] += alignment.offset - alignment.slope * kCorrectionCentre;
    model.c[1] += alignment.slope;

    // Match, fit and reject until the matches stay the same.
    std::vector<bool> excluded(lines.size(), false);
    std::vector<Match> rejected;
    std::vector<Match> previous;
    std::vector<Match> matches;
    for (int round = 0; round < kMaximumRounds; ++round) {
        matches = MatchLines(lines, references, model, excluded);
        if (static_cast<int>(matches.size()) < result.linesNeeded) {
            result.linesMatched = static_cast<int>(matches.size() + rejected.size());
            result.message = Refusal(
                TooFewLines(result.linesFound, result.linesMatched, order, result.linesNeeded, result.linesSaturated),
                result.linesSaturated);
            return result;
        }
        std::optional<Polynomial> fit = Fit(lines, references, matches, order);
        while (fit && static_cast<int>(matches.size()) > result.linesNeeded) {
            std::vector<double> residuals;
            for (const Match& m : matches)
                residuals.push_back(references[m.reference] - (*fit)(lines[m.line].pixel));
            const auto worst = static_cast<std::size_t>(
                std::max_element(residuals.begin(), residuals.end(),
                                 [](double a, double b) { return std::fabs(a) < std::fabs(b); }) -
                residuals.begin());
            const double floor = kRejectFloorPixels * std::fabs(fit->Slope(lines[matches[worst].line].pixel));
            if (!(std::fabs(residuals[worst]) > std::max(kRejectSpreads * RobustSpread(residuals), floor)))
                break;
            excluded[matches[worst].line] = true;
            rejected.push_back(matches[worst]);
            matches.erase(matches.begin() + static_cast<std::ptrdiff_t>(worst));
            fit = Fit(lines, references, matches, order);
        }
        if (!fit) {
            result.message = Refusal("The matched lines do not fix a polynomial of order " + std::to_string(order) +
                                         "; choose a lower order.",
                                     result.linesSaturated);
            return result;
        }
        model = *fit;
        if (matches == previous)
            break;
        previous = matches;
    }

    result.calibration = model;
    result.linesUsed = static_cast<int>(matches.size());
    result.linesRejected = static_cast<int>(rejected.size());
    result.linesMatched = result.linesUsed + result.linesRejected;
    double sumOfSquares = 0.0;
    result.firstPixel = result.lastPixel = lines[matches.front().line].pixel;
    result.firstNm = result.lastNm = references[matches.front().reference];
    const auto addRow = [&](const Match& m, bool isRejected) {
        const Line& l = lines[m.line];
        const double reference = references[m.reference];
        const double fitted = model(l.pixel);
        result.lines.push_back({reference, l.pixel, fitted, reference - fitted, l.height, isRejected});
        if (isRejected)
            return;
        sumOfSquares += (reference - fitted) * (reference - fitted);
        result.firstPixel = std::min(result.firstPixel, l.pixel);
        result.lastPixel = std::max(result.lastPixel, l.pixel);
        result.firstNm = std::min(result.firstNm, reference);
        result.lastNm = std::max(result.lastNm, reference);
    };
    for (const Match& m : matches)
        addRow(m, false);
    for (const Match& m : rejected)
        addRow(m, true);
    std::sort(result.lines.begin(), result.lines.end(),
              [](const LampLineMatch& a, const LampLineMatch& b) { return a.pixel < b.pixel; });
    result.rmsNm = std::sqrt(sumOfSquares / result.linesUsed);
    const FitPoints used = PointsOf(lines, references, matches);
    if (const std::optional<FittedPolynomial> errors =
            FitPolynomialWithErrors(used.pixels, used.nm, used.weights, order)) {
        result.lastDetectorPixel = static_cast<double>(spectrum.size()) - 1.0;
        result.firstDetectorPixelErrorNm = errors->StandardError(0.0);
        result.lastDetectorPixelErrorNm = errors->StandardError(result.lastDetectorPixel);
    }

    // Lines matched by chance (a lamp that is not neon, a calibration off by
    // more than the search range) scatter over the whole match window.
    if (result.rmsNm > kLooseFitPixels * meanDispersion) {
        result.message =
            Refusal("The lines match the reference table only loosely (RMS residual " + FixedText(result.rmsNm, 3) +
                        " nm, more than a quarter pixel): they were matched by chance." +
                        WhatToDo(settings.searchNm, result.linesSaturated),
                    result.linesSaturated);
        return result;
    }
    const int hidden = HiddenByClippedTops(references, clipped, model, result.firstNm, result.lastNm);
    const std::string doubt = Doubt(result, references, hidden, current, meanDispersion, settings.searchNm);
    if (!doubt.empty()) {
        result.message = Refusal(doubt, result.linesSaturated);
        return result;
    }
    if (TurnsBackWithin(model, result.firstPixel, result.lastPixel)) {
        result.message = Refusal("The fitted polynomial turns back within the span of the lines; choose a lower order.",
                                 result.linesSaturated);
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace

int LampLinesNeeded(int order)
{
    return order + 3;
}

int ChooseLampOrder(std::span<const double> pixels, std::span<const double> nm, std::span<const double> weights,
                    int highest)
{
    int order = kMinimumLampOrder;
    std::optional<FittedPolynomial> fit = FitPolynomialWithErrors(pixels, nm, weights, order);
    while (fit && order < highest) {
        const std::optional<FittedPolynomial> next = FitPolynomialWithErrors(pixels, nm, weights, order + 1);
        if (!next || next->degreesOfFreedom < 1)
            break;
        // The improvement by the one more coefficient against the scatter
        // left: F with 1 and the next fit's degrees of freedom.
        const double improvement = fit->sumOfSquares - next->sumOfSquares;
        const double scatter = next->sumOfSquares / next->degreesOfFreedom;
        const double f =
            scatter > 0.0 ? improvement / scatter : (improvement > 0.0 ? std::numeric_limits<double>::infinity() : 0.0);
        if (!(FDistributionTail(f, 1, next->degreesOfFreedom) < kOrderSignificance))
            break;
        ++order;
        fit = next;
    }
    return order;
}

LampCalibrationResult CalibrateFromLamp(std::span<const double> spectrum, const Polynomial& current,
                                        std::span<const LampLine> table, const LampSettings& settings,
                                        std::span<const double> fullScale)
{
    LampCalibrationResult result;
    if (settings.order != kAutomaticLampOrder &&
        (settings.order < kMinimumLampOrder || settings.order > kMaximumLampOrder)) {
        result.message = "The polynomial order must be 1, 2 or 3.";
        return result;
    }
    if (!(settings.searchNm > 0.0) || !std::isfinite(settings.searchNm)) {
        result.message = "The search range must be a positive number of nanometres.";
        return result;
    }
    if (settings.order != kAutomaticLampOrder)
        return CalibrateAtOrder(spectrum, fullScale, current, table, settings, settings.order);

    // The lines matched with the highest order they allow; too few for any
    // order: the refusal of the lowest.
    LampCalibrationResult matched;
    for (int order = kMaximumLampOrder; order >= kMinimumLampOrder; --order) {
        matched = CalibrateAtOrder(spectrum, fullScale, current, table, settings, order);
        if (!matched.lines.empty())
            break;
    }
    if (matched.lines.empty())
        return matched;
    std::vector<double> pixels;
    std::vector<double> nm;
    std::vector<double> weights;
    for (const LampLineMatch& l : matched.lines) {
        if (l.rejected)
            continue;
        pixels.push_back(l.pixel);
        nm.push_back(l.referenceNm);
        weights.push_back(l.height);
    }
    const int order = ChooseLampOrder(pixels, nm, weights, matched.order);
    result = order == matched.order ? matched : CalibrateAtOrder(spectrum, fullScale, current, table, settings, order);
    result.orderChosen = true;
    result.highestOrderFitted = matched.order;
    return result;
}

}  // namespace vexlar::calibration
