#pragma once
// The check of a channel's Raman-shift axis against a shift standard: the
// standard's bands found with sub-pixel centres, their shifts on the axis the
// program shows (from the channel's calibration and the laser wavenumber)
// compared with the published ones, and the laser wavelength that best
// removes the difference.
//
// Matching. A laser wavelength that is off moves every band by the same
// number of cm-1, possibly more than the spacing of neighbouring bands, so
// first the common offset is searched: each found band paired with each
// reference band within the tolerance gives one candidate offset; the one
// that puts the most reference bands within 0.75 pixel of a found band wins
// (ties go to the closer fit). Each reference band then takes the nearest
// found band within 0.75 pixel of its offset position. Reference bands closer
// to a neighbour than 1.2 times the bands' measured width (FWHM) cannot be
// told apart on this instrument and are not used.
//
// Outliers. A band is set aside when its error differs from the median error
// by more than three times the bands' robust spread (1.4826 × the median
// absolute deviation) and by more than a quarter pixel: the worst such band
// first, until none is left or only the needed number of bands remains.
//
// The best laser. Every measured shift is the laser wavenumber minus the
// band's absolute wavenumber, so the laser wavenumber that minimises the sum
// of squared errors is the present one minus the mean error.

#include <span>
#include <string>
#include <vector>

#include "calibration/PolynomialFit.h"

namespace vexlar::calibration {

constexpr double kDefaultRamanToleranceCm = 30.0;

// The outlier rule above, as the operator reads it.
constexpr char kRamanOutlierRule[] =
    "A band is set aside when its error differs from the median error by more than three times the "
    "bands' robust spread (1.4826 \u00d7 the median absolute deviation) and by more than a quarter pixel; "
    "the worst band goes first.";

struct RamanCheckSettings {
    // How far, in cm-1, a band may sit from its published shift.
    double toleranceCm = kDefaultRamanToleranceCm;
};

enum class BandStatus {
    Used,
    Rejected,    // an outlier by the stated rule
    NotFound,    // no band near its position
    Unresolved,  // closer to a neighbour than the measured band width
};

struct BandCheck {
    double referenceShift;
    BandStatus status;
    // For Used and Rejected bands:
    double measuredShift = 0.0;
    double error = 0.0;  // measured − reference, cm-1
    double pixel = 0.0;
    double height = 0.0;
};

struct RamanCheckResult {
    // False: refused; message says why.
    bool ok = false;
    std::string message;
    int bandsFound = 0;
    int bandsMatched = 0;
    int bandsNeeded = 0;
    // Every band of the standard on this channel's Raman axis, by shift.
    std::vector<BandCheck> bands;
    int bandsOutsideTheAxis = 0;
    int bandsUsed = 0;
    double bandWidthPixels = 0.0;
    double meanError = 0.0;  // cm-1, over the bands used
    double rmsError = 0.0;
    // The laser wavelength (nm) that removes the mean error, and the RMS
    // error that would remain with it.
    double bestLaserNm = 0.0;
    double rmsErrorAfter = 0.0;
};

// calibration: the channel's calibration (pixel to nm); laserWavenumber: the
// laser line in cm-1 as the axes use it; bands: the standard's shifts.
RamanCheckResult CheckRamanShift(std::span<const double> spectrum, const Polynomial& calibration,
                                 double laserWavenumber, std::span<const double> bands,
                                 const RamanCheckSettings& settings);

}  // namespace vexlar::calibration
