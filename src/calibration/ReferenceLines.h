#pragma once
// The reference tables the calibration from standards matches against: the
// emission lines of a neon lamp (air wavelengths) for the wavelength axis,
// and the published Raman shifts of the shift standards for the Raman axis.

#include <span>

namespace vexlar::calibration {

// One emission line of a calibration lamp.
struct LampLine {
    double nm;                 // wavelength in air
    double relativeIntensity;  // as the reference lists it; a rough guide only
};

// The Ne I lines used to calibrate the wavelength axis, in increasing
// wavelength, from 540 to 967 nm.
std::span<const LampLine> NeonLines();

// A Raman shift standard: its name as the operator picks it and its band
// positions in cm-1, in increasing shift.
struct RamanStandard {
    const char* name;
    std::span<const double> bands;
};

// Cyclohexane, polystyrene, naphthalene, sulfur, 4-acetamidophenol and
// silicon, in that order.
std::span<const RamanStandard> RamanStandards();

}  // namespace vexlar::calibration
