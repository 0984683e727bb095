#include "files/ExportFormat.h"

#include <charconv>

namespace vexlar::files {

namespace {

constexpr int kDecimals = 2;
constexpr char kSeparator = '\t';
// Longest "%.2f" text of a double: sign, 309 integer digits, point, decimals.
constexpr int kLongestNumber = 1 + 309 + 1 + kDecimals;
// A typical line: two numbers of a few digits, tab and line end.
constexpr int kTypicalLineLength = 24;

}  // namespace

void AppendTwoDecimals(std::string& text, double value)
{
    // to_chars with a precision writes exactly what printf's "%.2f" writes in
    // the C locale, and never looks at the process locale.
    char buffer[kLongestNumber + 8];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, kDecimals);
    text.append(buffer, result.ptr);
}

std::string FormatExportLines(const double* x, const double* y, int pixels, bool positiveXOnly)
{
    std::string text;
    if (pixels <= 0)
        return text;
    text.reserve(static_cast<std::size_t>(pixels) * kTypicalLineLength);
    for (int i = 0; i < pixels; ++i) {
        if (positiveXOnly && !(x[i] > 0.0))
            continue;
        AppendTwoDecimals(text, x[i]);
        text += kSeparator;
        AppendTwoDecimals(text, y[i]);
        text += kExportLineEnd;
    }
    return text;
}

std::string FormatExportFile(int xAxisMode, const double* wavelength, const double* ramanShift, const double* spectrum,
                             int pixels)
{
    if (xAxisMode == kRamanShiftMode)
        return FormatExportLines(ramanShift, spectrum, pixels, true);
    return FormatExportLines(wavelength, spectrum, pixels, false);
}

}  // namespace vexlar::files
