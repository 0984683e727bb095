#include "calibration/LineFinder.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "calibration/Statistics.h"

namespace vexlar::calibration {

namespace {

constexpr int kFootWindow = 8;           // pixels searched on either side for a line's feet
constexpr std::size_t kNoiseWindow = 7;  // pixels on either side of the noise estimate's median
constexpr double kMinimumFwhm = 0.8;
constexpr double kMaximumFwhm = 40.0;
// FWHM of a Gaussian in units of its standard deviation: 2·sqrt(2·ln 2).
constexpr double kFwhmPerSigma = 2.3548200450309493;
// Below this share of the tallest value a rise is rounding, not a line: the
// floor of the threshold for a spectrum without noise.
constexpr double kNoiselessFloor = 1e-9;
// Neighbours within this many of their widths are taken off a line's top,
// in this many passes.
constexpr double kNeighbourReach = 4.0;
constexpr int kNeighbourPasses = 8;

bool AllFinite(std::span<const double> values)
{
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

struct Top {
    std::size_t apex;
    double baseline;
};

// The Gaussian through three pixels around apex (values above the
// baseline): a parabola through their logarithms. Nothing when they do not
// make a peak a Gaussian fits, or one of a line's width.
std::optional<SpectralLine> FitTop(std::size_t apex, double left, double top, double right)
{
    if (!(left > 0.0 && top > 0.0 && right > 0.0))
        return std::nullopt;
    const double a = std::log(left);
    const double b = std::log(top);
    const double c = std::log(right);
    const double curvature = a - 2.0 * b + c;  // −1 / σ² of the Gaussian
    if (!(curvature < 0.0))
        return std::nullopt;
    const double fwhm = kFwhmPerSigma * std::sqrt(-1.0 / curvature);
    if (fwhm < kMinimumFwhm || fwhm > kMaximumFwhm)
        return std::nullopt;
    const double offset = 0.5 * (a - c) / curvature;
    if (std::fabs(offset) > 1.0)
        return std::nullopt;
    const double height = std::exp(b - (a - c) * (a - c) / (8.0 * curvature));
    return SpectralLine{static_cast<double>(apex) + offset, height, fwhm};
}

double GaussianAt(const SpectralLine& line, double pixel)
{
    const double x = (pixel - line.pixel) * kFwhmPerSigma / line.fwhm;
    return line.height * std::exp(-0.5 * x * x);
}

// The mean of the middle half of values: as robust to a line among them as
// the median, but not confined to the whole counts a detector reads, which
// would make the deviations from it whole numbers too.
double MiddleMean(std::vector<double>& values)
{
    std::sort(values.begin(), values.end());
    const std::size_t quarter = values.size() / 4;
    double sum = 0.0;
    for (std::size_t k = quarter; k < values.size() - quarter; ++k)
        sum += values[k];
    return sum / static_cast<double>(values.size() - 2 * quarter);
}

double LowestIn(std::span<const double> y, std::size_t first, std::size_t last)
{
    return *std::min_element(y.begin() + static_cast<std::ptrdiff_t>(first),
                             y.begin() + static_cast<std::ptrdiff_t>(last) + 1);
}

}  // namespace

double NoiseLevel(std::span<const double> spectrum)
{
    const std::size_t n = spectrum.size();
    if (n < 3 || !AllFinite(spectrum))
        return 0.0;
    // Each pixel against the middle of its neighbourhood: a smooth
    // background drops out, and so does the correlation a boxcar brings
    // between neighbouring pixels, which differences of neighbours would
    // mistake for less noise.
    std::vector<double> window;
    std::vector<double> deviations(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t first = i >= kNoiseWindow ? i - kNoiseWindow : 0;
        const std::size_t last = std::min(i + kNoiseWindow, n - 1);
        window.assign(spectrum.begin() + static_cast<std::ptrdiff_t>(first),
                      spectrum.begin() + static_cast<std::ptrdiff_t>(last) + 1);
        deviations[i] = spectrum[i] - MiddleMean(window);
    }
    return RobustSpread(deviations);
}

std::vector<SpectralLine> FindLines(std::span<const double> y, double minimumSignalToNoise)
{
    std::vector<SpectralLine> lines;
    const std::size_t n = y.size();
    if (n < 3 || !AllFinite(y))
        return lines;
    double tallest = 0.0;
    for (double v : y)
        tallest = std::max(tallest, std::fabs(v));
    const double threshold = std::max(minimumSignalToNoise * NoiseLevel(y), kNoiselessFloor * tallest);

    std::vector<Top> tops;
    for (std::size_t i = 1; i + 1 < n; ++i) {
        if (!(y[i] > y[i - 1] && y[i] >= y[i + 1]))
            continue;
        if (i + 2 < n && y[i] == y[i + 1] && y[i] == y[i + 2])
            continue;
        const std::size_t first = i >= kFootWindow ? i - kFootWindow : 0;
        const std::size_t last = std::min(i + kFootWindow, n - 1);
        const double leftFoot = LowestIn(y, first, i - 1);
        const double rightFoot = LowestIn(y, i + 1, last);
        if (!(y[i] - std::max(leftFoot, rightFoot) > threshold))
            continue;
        const double baseline = std::min(leftFoot, rightFoot);
        const std::optional<SpectralLine> line = FitTop(i, y[i - 1] - baseline, y[i] - baseline, y[i + 1] - baseline);
        if (!line)
            continue;
        tops.push_back({i, baseline});
        lines.push_back(*line);
    }

    // Each top again without what its neighbours' Gaussians add to it, so
    // that two close lines do not pull each other's centres together.
    for (int pass = 0; pass < kNeighbourPasses; ++pass) {
        for (std::size_t k = 0; k < lines.size(); ++k) {
            double values[3];
            for (int d = -1; d <= 1; ++d) {
                const std::size_t at = tops[k].apex + d;
                values[d + 1] = y[at] - tops[k].baseline;
                for (std::size_t j = 0; j < lines.size(); ++j) {
                    if (j != k && std::fabs(lines[j].pixel - lines[k].pixel) < kNeighbourReach * lines[j].fwhm)
                        values[d + 1] -= GaussianAt(lines[j], static_cast<double>(at));
                }
            }
            if (const std::optional<SpectralLine> line = FitTop(tops[k].apex, values[0], values[1], values[2]))
                lines[k] = *line;
        }
    }
    return lines;
}

std::vector<ClippedTop> ClippedTops(std::span<const double> spectrum, std::span<const double> fullScale)
{
    std::vector<ClippedTop> tops;
    if (fullScale.size() != spectrum.size())
        return tops;
    for (std::size_t i = 0; i < spectrum.size(); ++i) {
        if (!(spectrum[i] >= fullScale[i]))
            continue;
        if (!tops.empty() && tops.back().last + 1 == i)
            tops.back().last = i;
        else
            tops.push_back({i, i});
    }
    return tops;
}

bool TouchesClippedTop(const SpectralLine& line, const std::vector<ClippedTop>& tops)
{
    const double nearest = std::round(line.pixel);
    return std::any_of(tops.begin(), tops.end(), [&](const ClippedTop& t) {
        return static_cast<double>(t.first) <= nearest + 1.0 && static_cast<double>(t.last) >= nearest - 1.0;
    });
}

double MedianWidth(const std::vector<SpectralLine>& lines)
{
    std::vector<double> widths;
    widths.reserve(lines.size());
    for (const SpectralLine& l : lines)
        widths.push_back(l.fwhm);
    return Median(std::move(widths));
}

}  // namespace vexlar::calibration
