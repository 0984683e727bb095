#pragma once
// The settings of the fluorescence baseline (asymmetric least squares,
// Eilers and Boelens 2005), their defaults for a 2048-pixel detector and the
// values they may take.

namespace vexlar::cleaning {

// λ, how stiff the baseline is: it bends on a scale of about λ^¼ pixels. The
// default (between 5 and 6 pixels) follows a strong fluorescence's steep rise
// past the laser line, while the asymmetry keeps it under bands a few pixels
// wide; a spectrum of broad bands on a gentle background wants more.
constexpr double kDefaultSmoothness = 1e3;
constexpr double kMinimumSmoothness = 1.0;
constexpr double kMaximumSmoothness = 1e12;

// p, the weight of points above the baseline (those below weigh 1 − p): the
// smaller, the more the baseline keeps under the bands.
constexpr double kDefaultAsymmetry = 0.01;
constexpr double kMinimumAsymmetry = 1e-6;
constexpr double kMaximumAsymmetry = 0.5;

// The Raman shift (cm-1) beyond which the baseline is fitted: the long-pass
// filter in front of the detector cuts the fluorescence off near the laser
// line, so it steps up there, and no smooth curve follows a step. The
// default lies past the edge of a typical filter, short of the lowest bands
// of the usual samples.
constexpr double kDefaultCutOn = 100.0;
constexpr double kMinimumCutOn = 0.0;
constexpr double kMaximumCutOn = 4000.0;

struct BaselineSettings {
    double smoothness = kDefaultSmoothness;
    double asymmetry = kDefaultAsymmetry;
    double cutOn = kDefaultCutOn;

    bool operator==(const BaselineSettings&) const = default;
};

// Within the ranges above (and numbers at all).
inline bool IsUsableSmoothness(double value)
{
    return value >= kMinimumSmoothness && value <= kMaximumSmoothness;
}

inline bool IsUsableAsymmetry(double value)
{
    return value >= kMinimumAsymmetry && value <= kMaximumAsymmetry;
}

inline bool IsUsableCutOn(double value)
{
    return value >= kMinimumCutOn && value <= kMaximumCutOn;
}

}  // namespace vexlar::cleaning
