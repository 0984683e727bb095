// The conversions of numeric fields typed by the operator or read from the
// settings and spectrum files, checked against the C library read in the C
// locale: the lenient leading-number reads, the whole-field checks, the
// calibration coefficient and the unsigned counts of the timed series.

#include <locale.h>

#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "DataFile.h"
#include "FuzzTarget.h"
#include "text/NumberText.h"

namespace {

// Longer fields than any the program has; keeps each run short.
constexpr std::size_t kLongestField = 512;

bool IsCBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && IsCBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsCBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// strtod in the C locale over the whole text (which holds no zero byte),
// with how much of it was taken.
double CStrtod(const std::string& text, std::size_t* taken)
{
    static const locale_t c = ::newlocale(LC_ALL_MASK, "C", locale_t{});
    const locale_t previous = ::uselocale(c);
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    ::uselocale(previous);
    *taken = static_cast<std::size_t>(end - text.c_str());
    return value;
}

// A decimal number as the C library takes it, but not hexadecimal, an
// infinity or a not-a-number, which the program never reads as numbers.
bool IsPlainDecimal(std::string_view number)
{
    return number.find_first_of("xXiInN") == std::string_view::npos;
}

bool SameNumber(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

void CheckLenientReads(const std::string& text)
{
    std::size_t taken = 0;
    const double reference = CStrtod(text, &taken);
    const std::string_view number(text.data(), taken);
    const std::optional<double> leading = vexlar::LeadingDouble(text);
    if (taken > 0 && IsPlainDecimal(number)) {
        VEXLAR_FUZZ_CHECK(leading.has_value());
        VEXLAR_FUZZ_CHECK(SameNumber(*leading, reference));
        VEXLAR_FUZZ_CHECK(std::signbit(*leading) == std::signbit(reference));
    } else if (taken == 0) {
        VEXLAR_FUZZ_CHECK(!leading.has_value());
    }
    VEXLAR_FUZZ_CHECK(vexlar::LenientDouble(text) == leading.value_or(0.0));

    // The leading integer, held to the range of int.
    errno = 0;
    char* end = nullptr;
    const long long wide = std::strtoll(text.c_str(), &end, 10);
    const long long held = wide < INT_MIN ? INT_MIN : wide > INT_MAX ? INT_MAX : wide;
    VEXLAR_FUZZ_CHECK(vexlar::LenientInt(text) == static_cast<int>(held));

    // A whole number: the trimmed text is exactly what the C library takes.
    const std::optional<double> whole = vexlar::WholeNumber(text);
    const std::string_view trimmed = Trimmed(text);
    std::size_t wholeTaken = 0;
    const std::string trimmedCopy(trimmed);
    const double wholeReference = CStrtod(trimmedCopy, &wholeTaken);
    const bool wholeExpected =
        !trimmed.empty() && wholeTaken == trimmed.size() && IsPlainDecimal(trimmed) && std::isfinite(wholeReference);
    VEXLAR_FUZZ_CHECK(whole.has_value() == wholeExpected);
    if (whole)
        VEXLAR_FUZZ_CHECK(*whole == wholeReference);
}

void CheckCoefficient(const std::string& text)
{
    using vexlar::CoefficientStatus;
    const vexlar::ParsedCoefficient parsed = vexlar::ParseCoefficient(text);
    const std::string trimmed(Trimmed(text));
    std::size_t taken = 0;
    const double reference = CStrtod(trimmed, &taken);
    const bool isNumber = !trimmed.empty() && taken == trimmed.size() && IsPlainDecimal(trimmed);
    if (!isNumber) {
        VEXLAR_FUZZ_CHECK(parsed.status == CoefficientStatus::NotANumber);
        return;
    }
    if (std::fabs(reference) > static_cast<double>(FLT_MAX)) {
        VEXLAR_FUZZ_CHECK(parsed.status == CoefficientStatus::OutOfRange);
        return;
    }
    VEXLAR_FUZZ_CHECK(parsed.status == CoefficientStatus::Number);
    VEXLAR_FUZZ_CHECK(parsed.value == static_cast<float>(reference));
    // Shown again, the coefficient reads back as a number.
    const std::string shown = vexlar::FormatCoefficient(parsed.value);
    VEXLAR_FUZZ_CHECK(vexlar::ParseCoefficient(shown).status == CoefficientStatus::Number);
}

void CheckUnsigned(const std::string& text)
{
    const std::optional<unsigned> value = vexlar::UnsignedText(text);
    const std::string_view trimmed = Trimmed(text);
    bool digits = !trimmed.empty();
    for (char c : trimmed)
        digits = digits && c >= '0' && c <= '9';
    if (!digits) {
        VEXLAR_FUZZ_CHECK(!value.has_value());
        return;
    }
    errno = 0;
    const std::string copy(trimmed);
    const unsigned long long reference = std::strtoull(copy.c_str(), nullptr, 10);
    const bool fits = errno != ERANGE && reference <= 0xFFFFFFFFull;
    VEXLAR_FUZZ_CHECK(value.has_value() == fits);
    if (value)
        VEXLAR_FUZZ_CHECK(*value == reference);
}

void CheckDataFileNumber(const std::string& text)
{
    double value = 0.0;
    const bool ok = vexlar::xrt::ParseFiniteDouble(text, &value);
    if (!ok)
        return;
    VEXLAR_FUZZ_CHECK(std::isfinite(value));
    std::size_t taken = 0;
    const double reference = CStrtod(text, &taken);
    VEXLAR_FUZZ_CHECK(taken == text.size());
    VEXLAR_FUZZ_CHECK(value == reference);
}

}  // namespace

VEXLAR_FUZZ_TARGET(number_text)
{
    if (size > kLongestField)
        return 0;
    std::string text(reinterpret_cast<const char*>(data), size);
    // A field holds no zero byte: the C library's reads would stop there.
    text = text.substr(0, text.find('\0'));
    CheckLenientReads(text);
    CheckCoefficient(text);
    CheckUnsigned(text);
    CheckDataFileNumber(text);
    return 0;
}
