#pragma once
// The lines of a spectrum with sub-pixel centres: emission lines of a lamp or
// Raman bands, each found as a local maximum that stands out of the noise
// and placed by a fit of its top, not at its brightest pixel.

#include <cstddef>
#include <span>
#include <vector>

namespace vexlar::calibration {

struct SpectralLine {
    double pixel;   // centre, in pixels from the first
    double height;  // above the local baseline, in the spectrum's units
    double fwhm;    // full width at half maximum, pixels
};

// A line must rise this many times the noise above the higher of its two
// feet to count.
constexpr double kDefaultLineSignalToNoise = 7.0;

// Two lines closer together than this many line widths (FWHM) cannot be
// told apart well enough to place either: each pulls the other's centre.
constexpr double kResolvedLineWidths = 1.2;

// The noise of one pixel: 1.4826 × the median absolute deviation of each
// pixel from the mean of the middle half of the 15 pixels around it, so that
// lines, a smooth background, boxcar smoothing and whole-count readings
// hardly change it. 0 for fewer than three pixels.
double NoiseLevel(std::span<const double> spectrum);

// Every line, lowest pixel first. A pixel i is a line's top when it is
// higher than pixel i − 1 and not lower than pixel i + 1; its feet are the
// lowest pixels within 8 pixels on either side, and it counts when it stands
// more than minimumSignalToNoise × NoiseLevel above the higher foot. Its
// centre and width come from the Gaussian through its top three pixels
// (a parabola through their logarithms) above the lower foot. Tops that no
// Gaussian fits (a neighbour at the foot's level, a top of three or more
// equal pixels, as a clipped line has) and widths
// below 0.8 pixel (a cosmic-ray spike) or above 40 pixels (background) are
// not lines. A spectrum holding a value that is not finite has no lines.
std::vector<SpectralLine> FindLines(std::span<const double> spectrum,
                                    double minimumSignalToNoise = kDefaultLineSignalToNoise);

// The top of a line too bright for the detector: a run of pixels, first to
// last, each at or above its full scale. Its centre and height cannot be
// found: the detector cut them off.
struct ClippedTop {
    std::size_t first;
    std::size_t last;
};

// The clipped tops of the spectrum, lowest pixel first. fullScale holds, for
// each pixel, the value it shows when the detector is full (its full scale
// less what was subtracted from it); none when it is empty or of another
// length than the spectrum.
std::vector<ClippedTop> ClippedTops(std::span<const double> spectrum, std::span<const double> fullScale);

// True when the line's top, the pixel nearest its centre and one on either
// side, touches one of the clipped tops: FindLines places a top of one or two
// clipped pixels as if it were whole.
bool TouchesClippedTop(const SpectralLine& line, const std::vector<ClippedTop>& tops);

// The median width of the lines, pixels; 0 for none.
double MedianWidth(const std::vector<SpectralLine>& lines);

}  // namespace vexlar::calibration
