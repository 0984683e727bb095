#pragma once
// The text of a calibration coefficient in the Spectrometer Configuration
// dialog: shown in general notation with six significant digits, read back
// as exactly one decimal number with optional blanks around it. Both
// directions are independent of the process locale, so "5e-05" reads the
// same under every language setting.

#include <string>
#include <string_view>

namespace vexlar::calibration {

// Significant digits a coefficient is shown with.
constexpr int kCoefficientDigits = 6;

// The coefficient as the dialog shows it ("%g": 0.5, 350, 5e-05, 1.23457e-09).
std::string FormatCoefficient(float value);

enum class CoefficientStatus {
    Number,      // value holds the coefficient
    NotANumber,  // empty, blanks only, letters, a number with anything after it
    OutOfRange,  // a number too large for a single-precision coefficient
};

struct ParsedCoefficient {
    CoefficientStatus status = CoefficientStatus::NotANumber;
    float value = 0.0f;
};

// The coefficient a text gives. A number too small for single precision
// reads as zero of its sign; infinities, "nan" and hexadecimal are not
// numbers.
ParsedCoefficient ParseCoefficient(std::string_view text);

}  // namespace vexlar::calibration
