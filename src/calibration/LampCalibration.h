#pragma once
// The wavelength calibration of a channel from a lamp spectrum: the lamp's
// lines found with sub-pixel centres, matched to a table of reference
// wavelengths starting from the channel's current calibration, and a
// polynomial of order 1 to 3 fitted to them by least squares.
//
// Saturation. A line whose top reaches the detector's full scale is cut off
// there: its centre is placed wrongly, and so are its neighbours'. Such
// lines are not used; the result says how many there were.
//
// Order. Unless the operator sets it, the order is chosen from the lines:
// matched with the highest order they allow, the lines are fitted with each
// order from 1 up, and the lowest order that the next one does not fit
// significantly better is taken (an F-test of the weighted residual sums of
// squares at the 0.1 % level). A higher order than the instrument needs fits
// the noise of the lines' centres and swings away outside their span.
//
// Matching. The current calibration may be several nanometres off at the
// detector's far end, more than the spacing of neighbouring lines, so a line
// is not simply given the nearest reference. First the correction
// a + b·(pixel − 1023.5) that best aligns the found lines with the table is
// searched: every pair of strong lines, each paired with every reference
// within the search range of its first-guess wavelength, gives one candidate
// correction; the one that puts the most lines within 0.75 pixel of a
// reference wins (ties go to the closer fit). Then each line takes the
// nearest reference within 0.75 pixel of its corrected wavelength (a
// reference only once, to the closest line), the polynomial is fitted, and
// matching and fitting are repeated with the fitted polynomial until the
// matches stay the same. Reference lines closer to a neighbour in the table
// than 1.2 times the lines' measured width (FWHM) cannot be told apart on
// this instrument and are left out.
//
// Outliers. A line is rejected when its residual is more than three times
// the lines' robust spread (1.4826 × the median absolute residual) and more
// than 0.1 pixel: the worst such line first, then the polynomial is fitted
// again, until none is left or only the needed number of lines remains.

#include <span>
#include <string>
#include <vector>

#include "calibration/PolynomialFit.h"
#include "calibration/ReferenceLines.h"

namespace vexlar::calibration {

constexpr int kMinimumLampOrder = 1;
constexpr int kMaximumLampOrder = 3;
// The order chosen from the lines.
constexpr int kAutomaticLampOrder = 0;
constexpr int kDefaultLampOrder = kAutomaticLampOrder;
// How far, in nm, the current calibration may be off anywhere in the span of
// the lines.
constexpr double kDefaultLampSearchNm = 15.0;

// The outlier rule above, as the operator reads it.
constexpr char kLampOutlierRule[] =
    "A line is rejected when its residual is more than three times the lines' robust spread "
    "(1.4826 \u00d7 the median absolute residual) and more than 0.1 pixel; the worst line goes first "
    "and the polynomial is fitted again.";

struct LampSettings {
    // kAutomaticLampOrder, or 1 to 3.
    int order = kDefaultLampOrder;
    double searchNm = kDefaultLampSearchNm;
};

// Matched lines a polynomial of this order needs: its coefficients and two
// more, so that the residuals tell something and one outlier can be rejected.
int LampLinesNeeded(int order);

// The order the lines call for, by the rule above: 1 up to highest, for
// lines at pixels with wavelengths nm, each fitted with its weight.
int ChooseLampOrder(std::span<const double> pixels, std::span<const double> nm, std::span<const double> weights,
                    int highest);

struct LampLineMatch {
    double referenceNm;
    double pixel;
    double fittedNm;    // the new calibration at the pixel
    double residualNm;  // reference − fitted
    double height;
    bool rejected;
};

struct LampCalibrationResult {
    // False: refused; message says why.
    bool ok = false;
    std::string message;
    // The lines found, those whose top reaches full scale left out.
    int linesFound = 0;
    // Lines whose top reaches the detector's full scale, not used.
    int linesSaturated = 0;
    int linesMatched = 0;
    int linesNeeded = 0;
    // The matched lines by pixel, the rejected ones included.
    std::vector<LampLineMatch> lines;
    int linesUsed = 0;
    int linesRejected = 0;
    // Reference lines in the lamp's range left out as unresolved.
    int unresolvedLeftOut = 0;
    double lineWidthPixels = 0.0;
    // The new calibration: wavelength in nm of pixel i.
    Polynomial calibration;
    // Its order, and whether it was chosen from the lines; then the highest
    // order they were fitted with.
    int order = 0;
    bool orderChosen = false;
    int highestOrderFitted = 0;
    double rmsNm = 0.0;
    // Span of the lines used; outside it the calibration is extrapolated.
    double firstNm = 0.0;
    double lastNm = 0.0;
    double firstPixel = 0.0;
    double lastPixel = 0.0;
    // The estimated standard error of the new calibration at the detector's
    // first pixel (0) and its last.
    double lastDetectorPixel = 0.0;
    double firstDetectorPixelErrorNm = 0.0;
    double lastDetectorPixelErrorNm = 0.0;
};

// current: the channel's calibration, the first guess. spectrum: the lamp
// spectrum, one value per pixel. fullScale: what each pixel of it shows when
// the detector is full (see ClippedTops); empty when not known.
LampCalibrationResult CalibrateFromLamp(std::span<const double> spectrum, const Polynomial& current,
                                        std::span<const LampLine> table, const LampSettings& settings,
                                        std::span<const double> fullScale = {});

}  // namespace vexlar::calibration
