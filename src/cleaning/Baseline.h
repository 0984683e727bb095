#pragma once
// The fluorescence baseline under a Raman spectrum: asymmetric least squares
// (P. H. C. Eilers and H. F. M. Boelens, "Baseline correction with
// asymmetric least squares smoothing", 2005).
//
// The baseline z of a spectrum y minimises
//     Σ w[i] (y[i] − z[i])² + λ Σ (z[i] − 2 z[i+1] + z[i+2])²,
// a smooth curve drawn through the points with weights w: p for a point above
// the curve, 1 − p for one below. Starting from equal weights, the normal
// equations (W + λ DᵀD) z = W y are solved, the weights are set from which
// side of z each point lies on, and this is repeated until no weight changes
// or the curve moves by less than kSettledCounts anywhere (at most
// kMaximumIterations times). The matrix is pentadiagonal; it is
// held sparse with its pattern analysed once and factorised (LDLᵀ) on each
// iteration.
//
// One change to the published method: a point counts as above the curve only
// when it lies more than kAboveNoise times the local noise above it. Plain
// asymmetric least squares treats the upper half of the noise like a band and
// settles on the lower edge of the noise, about 1.7 standard deviations under
// its middle at p = 0.01, so the band-free stretches of a corrected spectrum
// would stand above zero by that much (tens of counts under a strong
// fluorescence). With the margin the curve runs through the middle of the
// noise and under the bands. The noise is measured on the spectrum itself:
// the median absolute second difference of each kNoiseWindow-pixel
// neighbourhood (taken every kNoiseStep pixels and joined by straight lines),
// which a band touches too seldom, and a fluorescence hump too gently, to
// move. In a noise-free spectrum the margin is zero and the method is the
// published one.

#include <memory>

#include "cleaning/BaselineSettings.h"

namespace vexlar::cleaning {

constexpr int kMaximumIterations = 12;
constexpr double kSettledCounts = 0.01;
constexpr double kAboveNoise = 2.0;
constexpr int kNoiseWindow = 64;
constexpr int kNoiseStep = 32;
// The shortest spectrum a baseline is drawn under.
constexpr int kMinimumBaselinePoints = 4;

class BaselineEstimator {
public:
    BaselineEstimator();
    ~BaselineEstimator();
    BaselineEstimator(const BaselineEstimator&) = delete;
    BaselineEstimator& operator=(const BaselineEstimator&) = delete;

    // Settings outside their ranges are not taken (false).
    bool SetSettings(const BaselineSettings& settings);
    const BaselineSettings& Settings() const { return settings_; }

    // The baseline of y[0 .. n) into baseline[0 .. n). False, with a zero
    // baseline, when y holds a value that is not a finite number or n is
    // below kMinimumBaselinePoints. The first call for a length sets up the
    // matrix and its pattern; later calls for that length keep them.
    bool Estimate(const double* y, int n, double* baseline);

    // corrected[i] = y[i] − baseline[i]; corrected may be y itself. False,
    // with corrected = y, when Estimate is false or a difference is not a
    // finite number.
    bool Subtract(const double* y, int n, double* corrected);

    // The same on the Stokes side beyond the cut-on shift only: the baseline
    // is fitted to, and subtracted from, the pixels from the first to the
    // last whose Raman shift (shift[i], cm-1) is at least Settings().cutOn;
    // the others (the laser line, the anti-Stokes side, the filter's edge
    // where the fluorescence steps up) are left as they came. False, with
    // corrected = y, when fewer than kMinimumBaselinePoints pixels lie
    // there or Subtract of them is false.
    bool Subtract(const double* y, const double* shift, int n, double* corrected);

    // The iterations the last Estimate took.
    int LastIterations() const { return iterations_; }

private:
    struct Workspace;

    // The baseline into the workspace's z; false when y cannot have one.
    bool Fit(const double* y, int n);
    // Subtract of y[first .. last], y elsewhere.
    bool SubtractBetween(const double* y, int n, int first, int last, double* corrected);
    // The margin above the curve of each point: kAboveNoise × its noise.
    void NoiseMargins(const double* y, int n);

    BaselineSettings settings_{};
    std::unique_ptr<Workspace> work_;
    int iterations_ = 0;
};

}  // namespace vexlar::cleaning
