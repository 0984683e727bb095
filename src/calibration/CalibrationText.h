#pragma once
// The texts the calibration dialogs show, written with a decimal point
// whatever the operator's language.

#include <string>

#include "calibration/LampCalibration.h"
#include "calibration/RamanShiftCheck.h"

namespace vexlar::calibration {

// value with `decimals` digits after the point ("%.*f" in the C locale).
std::string FixedText(double value, int decimals);

// A laser wavelength as the control bar's field shows it: three decimals.
std::string LaserWavelengthText(double nm);

// "38 lines used, 3 rejected; RMS residual 0.0215 nm."
std::string LampSummaryText(const LampCalibrationResult& result);

// "The lines span 540.06 to 966.54 nm (pixels 366.7 to 1109.9). Outside this
// span the calibration is extrapolated."
std::string LampSpanText(const LampCalibrationResult& result);

// "Estimated uncertainty of the calibration: ±0.004 nm at pixel 0, ±0.120 nm
// at pixel 2047."
std::string LampEndsText(const LampCalibrationResult& result);

// "Order 2, chosen from the lines: order 3 does not fit them significantly
// better." Empty for an order the operator set.
std::string LampOrderText(const LampCalibrationResult& result);

// "11 lamp lines were saturated (their tops reach the detector's full scale)
// and were not used: choose a shorter integration time." Empty for none.
std::string LampSaturationText(int saturated);

// "Mean error 7.50 cm-1, RMS error 7.55 cm-1 over 8 bands."
std::string RamanSummaryText(const RamanCheckResult& result);

// "A laser wavelength of 632.801 nm removes the mean error (RMS error then
// 0.62 cm-1)."
std::string BestLaserText(const RamanCheckResult& result);

// "used", "rejected", "not found", "unresolved".
const char* BandStatusText(BandStatus status);

}  // namespace vexlar::calibration
