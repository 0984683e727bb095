#include "calibration/RamanShiftCheck.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "calibration/CalibrationText.h"
#include "calibration/LineFinder.h"
#include "calibration/Statistics.h"

namespace vexlar::calibration {

namespace {

constexpr double kNmPerCm = 1e7;
// A band counts as matched within this many pixels of its expected place.
constexpr double kMatchPixels = 0.75;
// Outlier rule: an error further from the median error than this many
// robust spreads, and than this many pixels, is set aside.
constexpr double kRejectSpreads = 3.0;
constexpr double kRejectFloorPixels = 0.25;
// Matched bands the check needs (fewer when the standard has fewer usable).
constexpr int kBandsNeeded = 3;
// A result is trusted only when
// - at least this share of the standard's usable bands within the span of
//   the bands matched were matched (another substance's bands leave most of
//   them out);
// - the bands' errors scatter about their mean by no more than this many
//   pixels (a band's centre is found to a few hundredths of a pixel, and a
//   wrong laser wavelength moves every band alike);
// - the common offset stays within this share of the tolerance (a match at
//   the edge of the tolerance may be one beyond it).
constexpr double kLeastMatchedShare = 0.6;
constexpr double kTrustedScatterPixels = 0.15;
constexpr double kTrustedToleranceShare = 0.8;
// What to look at when the standard's bands are not there.
constexpr char kNoStandardHint[] =
    " Is the laser on, and is the chosen standard the sample in front of the spectrometer?";
// Bands this close to either end of the detector cannot be fitted.
constexpr double kEdgePixels = 2.0;

// The Raman axis of the channel at fractional pixels.
class ShiftAxis {
public:
    ShiftAxis(const Polynomial& calibration, double laserWavenumber, std::size_t pixels)
        : calibration_(calibration), laser_(laserWavenumber), pixels_(pixels)
    { }

    double Shift(double pixel) const { return laser_ - kNmPerCm / calibration_(pixel); }
    // cm-1 per pixel, magnitude.
    double Dispersion(double pixel) const
    {
        const double nm = calibration_(pixel);
        return std::fabs(kNmPerCm * calibration_.Slope(pixel) / (nm * nm));
    }
    // The fractional pixel where the axis reaches shift, if it does away
    // from the detector's ends.
    std::optional<double> PixelOf(double shift) const
    {
        double previous = Shift(0.0);
        for (std::size_t i = 1; i < pixels_; ++i) {
            const double next = Shift(static_cast<double>(i));
            if (std::isfinite(previous) && std::isfinite(next) && previous != next &&
                (shift - previous) * (shift - next) <= 0.0) {
                const double pixel = static_cast<double>(i - 1) + (shift - previous) / (next - previous);
                if (pixel < kEdgePixels || pixel > static_cast<double>(pixels_ - 1) - kEdgePixels)
                    return std::nullopt;
                return pixel;
            }
            previous = next;
        }
        return std::nullopt;
    }

private:
    Polynomial calibration_;
    double laser_;
    std::size_t pixels_;
};

struct Found {
    double pixel;
    double shift;
    double height;
};

struct Reference {
    std::size_t row;  // in the result's bands
    double shift;
    double tolerance;  // cm-1: kMatchPixels at its place
    double floor;      // cm-1: kRejectFloorPixels at its place
};

// For each reference, the found band it takes for this offset, or none.
std::vector<std::optional<std::size_t>> Assign(const std::vector<Reference>& references,
                                               const std::vector<Found>& found, double offset)
{
    std::vector<std::optional<std::size_t>> taken(references.size());
    std::vector<double> claim(found.size(), -1.0);
    std::vector<std::size_t> claimant(found.size(), 0);
    for (std::size_t r = 0; r < references.size(); ++r) {
        const double target = references[r].shift + offset;
        std::optional<std::size_t> nearest;
        for (std::size_t f = 0; f < found.size(); ++f) {
            if (!nearest || std::fabs(found[f].shift - target) < std::fabs(found[*nearest].shift - target))
                nearest = f;
        }
        if (!nearest)
            continue;
        const double distance = std::fabs(found[*nearest].shift - target);
        if (!(distance <= references[r].tolerance))
            continue;
        if (claim[*nearest] < 0.0 || distance < claim[*nearest]) {
            claim[*nearest] = distance;
            claimant[*nearest] = r;
        }
    }
    for (std::size_t f = 0; f < found.size(); ++f) {
        if (claim[f] >= 0.0)
            taken[claimant[f]] = f;
    }
    return taken;
}

// The offset common to every band that matches the most references.
double FindOffset(const std::vector<Reference>& references, const std::vector<Found>& found, double tolerance)
{
    double best = 0.0;
    int bestCount = -1;
    double bestCost = 0.0;
    for (const Found& f : found) {
        for (const Reference& r : references) {
            const double offset = f.shift - r.shift;
            if (!(std::fabs(offset) <= tolerance))
                continue;
            const auto taken = Assign(references, found, offset);
            int count = 0;
            double cost = 0.0;
            for (std::size_t k = 0; k < taken.size(); ++k) {
                if (!taken[k])
                    continue;
                ++count;
                const double d = (found[*taken[k]].shift - references[k].shift - offset) / references[k].tolerance;
                cost += d * d;
            }
            if (count > bestCount || (count == bestCount && cost < bestCost)) {
                best = offset;
                bestCount = count;
                bestCost = cost;
            }
        }
    }
    return best;
}

double Mean(const std::vector<double>& values)
{
    double sum = 0.0;
    for (double v : values)
        sum += v;
    return values.empty() ? 0.0 : sum / static_cast<double>(values.size());
}

double RootMeanSquare(const std::vector<double>& values, double about)
{
    double sum = 0.0;
    for (double v : values)
        sum += (v - about) * (v - about);
    return values.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(values.size()));
}

}  // namespace

RamanCheckResult CheckRamanShift(std::span<const double> spectrum, const Polynomial& calibration,
                                 double laserWavenumber, std::span<const double> bands,
                                 const RamanCheckSettings& settings)
{
    RamanCheckResult result;
    if (!(settings.toleranceCm > 0.0) || !std::isfinite(settings.toleranceCm)) {
        result.message = "The tolerance must be a positive number of cm-1.";
        return result;
    }
    if (!(laserWavenumber > 0.0) || !std::isfinite(laserWavenumber)) {
        result.message = "The laser wavelength is not usable.";
        return result;
    }
    const ShiftAxis axis(calibration, laserWavenumber, spectrum.size());

    const std::vector<SpectralLine> lines = FindLines(spectrum);
    std::vector<Found> found;
    for (const SpectralLine& l : lines) {
        const double shift = axis.Shift(l.pixel);
        if (std::isfinite(shift))
            found.push_back({l.pixel, shift, l.height});
    }
    result.bandsFound = static_cast<int>(found.size());
    result.bandWidthPixels = MedianWidth(lines);

    // The standard's bands on this axis, and those the instrument resolves.
    std::vector<double> sorted(bands.begin(), bands.end());
    std::sort(sorted.begin(), sorted.end());
    std::vector<Reference> references;
    for (std::size_t k = 0; k < sorted.size(); ++k) {
        const std::optional<double> pixel = axis.PixelOf(sorted[k]);
        if (!pixel) {
            ++result.bandsOutsideTheAxis;
            continue;
        }
        const double dispersion = axis.Dispersion(*pixel);
        const double width = kResolvedLineWidths * result.bandWidthPixels * dispersion;
        const bool closeBelow = k > 0 && sorted[k] - sorted[k - 1] < width;
        const bool closeAbove = k + 1 < sorted.size() && sorted[k + 1] - sorted[k] < width;
        const bool unresolved = closeBelow || closeAbove;
        result.bands.push_back({sorted[k], unresolved ? BandStatus::Unresolved : BandStatus::NotFound});
        if (!unresolved)
            references.push_back(
                {result.bands.size() - 1, sorted[k], kMatchPixels * dispersion, kRejectFloorPixels * dispersion});
    }
    if (references.empty()) {
        result.message = result.bands.empty() ? "None of the standard's bands lies on this channel's Raman axis."
                                              : "None of the standard's bands can be told apart from its neighbours "
                                                "on this channel.";
        return result;
    }
    result.bandsNeeded = std::min(kBandsNeeded, static_cast<int>(references.size()));

    const double offset = FindOffset(references, found, settings.toleranceCm);
    const auto taken = Assign(references, found, offset);
    std::vector<std::size_t> used;
    for (std::size_t r = 0; r < references.size(); ++r) {
        if (!taken[r])
            continue;
        BandCheck& row = result.bands[references[r].row];
        const Found& f = found[*taken[r]];
        row.status = BandStatus::Used;
        row.measuredShift = f.shift;
        row.error = f.shift - references[r].shift;
        row.pixel = f.pixel;
        row.height = f.height;
        used.push_back(r);
    }
    result.bandsMatched = static_cast<int>(used.size());
    if (result.bandsMatched < result.bandsNeeded) {
        result.message =
            (result.bandsFound == 0
                 ? std::string("No bands were found in the spectrum")
                 : "Found " + std::to_string(result.bandsFound) + " band" + (result.bandsFound == 1 ? "" : "s") +
                       " and matched " + std::to_string(result.bandsMatched) + " of them to the standard") +
            "; the check needs at least " + std::to_string(result.bandsNeeded) + " matched band" +
            (result.bandsNeeded == 1 ? "." : "s.") + kNoStandardHint;
        return result;
    }

    const auto errorsOf = [&] {
        std::vector<double> errors;
        for (std::size_t r : used)
            errors.push_back(result.bands[references[r].row].error);
        return errors;
    };
    while (static_cast<int>(used.size()) > result.bandsNeeded) {
        const std::vector<double> errors = errorsOf();
        const double median = Median(errors);
        std::vector<double> deviations;
        for (double e : errors)
            deviations.push_back(e - median);
        const double spread = RobustSpread(deviations);
        std::size_t worst = 0;
        for (std::size_t i = 1; i < deviations.size(); ++i) {
            if (std::fabs(deviations[i]) > std::fabs(deviations[worst]))
                worst = i;
        }
        if (!(std::fabs(deviations[worst]) > std::max(kRejectSpreads * spread, references[used[worst]].floor)))
            break;
        result.bands[references[used[worst]].row].status = BandStatus::Rejected;
        used.erase(used.begin() + static_cast<std::ptrdiff_t>(worst));
    }

    const std::vector<double> errors = errorsOf();
    result.bandsUsed = static_cast<int>(used.size());
    result.meanError = Mean(errors);
    result.rmsError = RootMeanSquare(errors, 0.0);
    result.rmsErrorAfter = RootMeanSquare(errors, result.meanError);
    result.bestLaserNm = kNmPerCm / (laserWavenumber - result.meanError);

    // Judging the result: the share of bands matched within their span, the
    // scatter about the common offset, the offset against the tolerance.
    double lowest = 0.0;
    double highest = 0.0;
    double dispersion = 0.0;
    for (std::size_t k = 0; k < used.size(); ++k) {
        const BandCheck& b = result.bands[references[used[k]].row];
        lowest = k == 0 ? b.referenceShift : std::min(lowest, b.referenceShift);
        highest = k == 0 ? b.referenceShift : std::max(highest, b.referenceShift);
        dispersion += references[used[k]].tolerance / kMatchPixels;
    }
    dispersion /= static_cast<double>(used.size());
    const auto inSpan = static_cast<int>(std::count_if(references.begin(), references.end(), [&](const Reference& r) {
        return r.shift >= lowest && r.shift <= highest;
    }));
    if (result.bandsMatched < kLeastMatchedShare * inSpan) {
        result.message = "Only " + std::to_string(result.bandsMatched) + " of the standard's " +
                         std::to_string(inSpan) + " bands between " + FixedText(lowest, 0) + " and " +
                         FixedText(highest, 0) + " cm-1 were found where expected: the bands were matched by chance." +
                         kNoStandardHint;
        return result;
    }
    if (result.rmsErrorAfter > kTrustedScatterPixels * dispersion) {
        result.message =
            "The bands' errors scatter by " + FixedText(result.rmsErrorAfter, 2) +
            " cm-1 about their mean, far more than their centres can be off: the bands may be matched wrongly." +
            kNoStandardHint;
        return result;
    }
    if (std::fabs(result.meanError) > kTrustedToleranceShare * settings.toleranceCm) {
        // Said as the rule is: the last fifth of the tolerance, not its edge.
        result.message = "The mean error (" + FixedText(result.meanError, 1) +
                         " cm-1) comes within a fifth of the "
                         "edge of the tolerance (" +
                         FixedText(settings.toleranceCm, 0) +
                         " cm-1), where the bands may be matched "
                         "wrongly: only a mean error within \u00b1" +
                         FixedText(kTrustedToleranceShare * settings.toleranceCm, 1) +
                         " cm-1 is trusted. Widen the tolerance and check again.";
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace vexlar::calibration
