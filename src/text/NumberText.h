#pragma once
// Numbers typed by the operator or read from text files. None of the
// conversions depends on the process locale, so "632.8" reads the same under
// every language setting.
//
// The lenient reads take what a C program's atof and atoi take: leading
// blanks skipped, a leading decimal number taken, anything after it ignored,
// and no number at all gives 0. The checks of a field that must hold a
// number (WholeNumber, ParseCoefficient, UnsignedText) take the whole text or
// nothing.

#include <optional>
#include <string>
#include <string_view>

namespace vexlar {

// The leading decimal number of text ("632.8 nm" gives 632.8, "abc" gives
// 0.0). Accepts an optional sign, digits with an optional point, and an
// optional exponent; never "inf", "nan" or hexadecimal. A number too large
// for a double gives an infinity of its sign, as the C library does.
double LenientDouble(std::string_view text);

// The leading decimal integer of text ("12 ms" gives 12, "x" gives 0), held
// to the range of int instead of overflowing.
int LenientInt(std::string_view text);

// The leading decimal integer of text (blanks and an optional sign before
// it), or nothing when text does not begin with one. Held to the range of
// long long instead of overflowing, so a number that no 32-bit value holds
// is never wrapped into one that does.
std::optional<long long> LeadingInteger(std::string_view text);

// The leading decimal number of text, or nothing when text does not begin
// (after blanks) with one.
std::optional<double> LeadingDouble(std::string_view text);

// For an unsigned decimal number (digits with an optional point and
// exponent) that a double cannot hold: true when it is too large, false when
// it is too small. Decided by the place of its first significant digit, so
// "1000e-2" written with four hundred zeros is too large, not too small.
bool DecimalBeyondLargest(std::string_view number);

// True when the leading decimal number of text is followed by a comma and a
// digit ("632,5"): a number written with a decimal comma, which the lenient
// conversions would cut at the comma (632).
bool DecimalCommaFollows(std::string_view text);

// The number when text (blanks around it aside) is exactly one finite
// decimal number, nothing otherwise: the check of a field that must hold a
// number.
std::optional<double> WholeNumber(std::string_view text);

// --- Calibration coefficients ----------------------------------------------------
// The text of a calibration coefficient in the Spectrometer Configuration
// dialog: shown in general notation with six significant digits, read back
// as exactly one decimal number with optional blanks around it.

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

// --- Unsigned whole numbers ------------------------------------------------------
// The check of a field that must hold an unsigned whole number (a number of
// seconds, a number of acquisitions).

// The value when text (blanks around it aside) is exactly a decimal number
// of digits, at most 4294967295; nothing otherwise (empty, letters, a sign,
// a point, or too large).
std::optional<unsigned> UnsignedText(std::string_view text);

}  // namespace vexlar
