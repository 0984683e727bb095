#include "text/NumberText.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <system_error>

namespace vexlar {
namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsBlank(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// The blanks of the C locale, whatever the operator's language.
bool IsAsciiBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::size_t SkipBlanks(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    return i;
}

// Length of the decimal number at the start of text (sign, digits, point,
// exponent), 0 when there is none.
std::size_t DecimalNumberLength(std::string_view text)
{
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    // An exponent counts only when at least one digit follows it: "5e" is 5.
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j]))
                ++j;
            i = j;
        }
    }
    return i;
}

}  // namespace

std::optional<double> LeadingDouble(std::string_view text)
{
    text.remove_prefix(SkipBlanks(text));
    const std::size_t length = DecimalNumberLength(text);
    if (length == 0)
        return std::nullopt;
    std::string_view number = text.substr(0, length);
    bool negative = false;
    if (number.front() == '+' || number.front() == '-') {
        negative = number.front() == '-';
        number.remove_prefix(1);
    }
    double value = 0.0;
    const auto [end, error] =
        std::from_chars(number.data(), number.data() + number.size(), value, std::chars_format::general);
    if (error == std::errc::result_out_of_range) {
        // from_chars leaves the value alone out of range; it is an infinity
        // or zero, as strtod gives them.
        value = DecimalBeyondLargest(number) ? std::numeric_limits<double>::infinity() : 0.0;
    }
    (void)end;
    return negative ? -value : value;
}

bool DecimalBeyondLargest(std::string_view number)
{
    // The power of ten of the first significant digit as written...
    const std::size_t e = std::min(number.find_first_of("eE"), number.size());
    const std::string_view mantissa = number.substr(0, e);
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t first = mantissa.find_first_of("123456789");
    if (first == std::string_view::npos)
        return false;  // zero is never too large
    long long power =
        first < point ? static_cast<long long>(point - first) - 1 : -static_cast<long long>(first - point);
    // ...moved by the exponent, whose digits are held short of overflowing.
    constexpr long long kFarBeyondAnyDouble = 100000;
    if (e < number.size()) {
        std::size_t i = e + 1;
        const bool negative = i < number.size() && number[i] == '-';
        if (i < number.size() && (number[i] == '+' || number[i] == '-'))
            ++i;
        long long exponent = 0;
        for (; i < number.size() && IsDigit(number[i]); ++i)
            exponent = std::min(exponent * 10 + (number[i] - '0'), kFarBeyondAnyDouble);
        power += negative ? -exponent : exponent;
    }
    return power > 0;
}

std::optional<double> WholeNumber(std::string_view text)
{
    text.remove_prefix(SkipBlanks(text));
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    if (text.empty() || DecimalNumberLength(text) != text.size())
        return std::nullopt;
    const std::optional<double> value = LeadingDouble(text);
    if (!value || !std::isfinite(*value))
        return std::nullopt;
    return value;
}

bool DecimalCommaFollows(std::string_view text)
{
    text.remove_prefix(SkipBlanks(text));
    const std::size_t length = DecimalNumberLength(text);
    return length != 0 && length + 1 < text.size() && text[length] == ',' && IsDigit(text[length + 1]);
}

double LenientDouble(std::string_view text)
{
    return LeadingDouble(text).value_or(0.0);
}

int LenientInt(std::string_view text)
{
    return static_cast<int>(std::clamp<long long>(LeadingInteger(text).value_or(0), INT_MIN, INT_MAX));
}

std::optional<long long> LeadingInteger(std::string_view text)
{
    text.remove_prefix(SkipBlanks(text));
    bool negative = false;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size() || !IsDigit(text[i]))
        return std::nullopt;
    // Counted as a negative number, whose range reaches one further.
    constexpr long long kLowest = std::numeric_limits<long long>::min();
    long long value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        const int digit = text[i] - '0';
        value = value < (kLowest + digit) / 10 ? kLowest : value * 10 - digit;
    }
    if (negative)
        return value;
    return value == kLowest ? std::numeric_limits<long long>::max() : -value;
}

std::string FormatCoefficient(float value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, static_cast<double>(value), std::chars_format::general,
                                      kCoefficientDigits);
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

std::optional<unsigned> UnsignedText(std::string_view text)
{
    while (!text.empty() && IsAsciiBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsAsciiBlank(text.back()))
        text.remove_suffix(1);
    if (text.empty())
        return std::nullopt;
    for (const char c : text) {
        if (!IsDigit(c))
            return std::nullopt;
    }
    std::uint32_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size())
        return std::nullopt;
    static_assert(std::numeric_limits<unsigned>::max() >= std::numeric_limits<std::uint32_t>::max());
    return static_cast<unsigned>(value);
}

}  // namespace vexlar
