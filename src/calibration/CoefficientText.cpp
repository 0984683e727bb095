#include "calibration/CoefficientText.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "acquisition/NumberText.h"

namespace vexlar::calibration {
namespace {

bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

}  // namespace

std::string FormatCoefficient(float value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, static_cast<double>(value),
                                      std::chars_format::general, kCoefficientDigits);
    return std::string(text, result.ptr);
}

ParsedCoefficient ParseCoefficient(std::string_view text)
{
    text = Trimmed(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // A digit or a point must lead: this keeps out "inf", "nan" and a second
    // sign, which the conversion below would otherwise take.
    if (text.empty() || !(IsDigit(text.front()) || text.front() == '.'))
        return {};
    double value = 0.0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (end != text.data() + text.size() || error == std::errc::invalid_argument)
        return {};
    if (error == std::errc::result_out_of_range) {
        // Beyond a double: far too large, or so small it is zero.
        if (DecimalBeyondLargest(text))
            return {CoefficientStatus::OutOfRange, 0.0f};
        value = 0.0;
    }
    if (std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max()))
        return {CoefficientStatus::OutOfRange, 0.0f};
    const float coefficient = static_cast<float>(value);
    return {CoefficientStatus::Number, negative ? -coefficient : coefficient};
}

}  // namespace vexlar::calibration
