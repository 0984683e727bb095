#include "files/JcampSpectrum.h"

#include <algorithm>
#include <cmath>

#include "files/ShortestNumber.h"

namespace vexlar::files {

namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr char kReplacement = '?';

bool Written(int xAxisMode, double x, double y)
{
    if (!std::isfinite(x) || !std::isfinite(y))
        return false;
    return xAxisMode != kRamanShiftAxis || x > 0.0;
}

// Printable ASCII only, and no "$$" (the start of a JCAMP-DX comment).
std::string JcampText(const std::string& value)
{
    std::string text;
    text.reserve(value.size());
    for (const char c : value) {
        const auto u = static_cast<unsigned char>(c);
        const bool printable = u >= 0x20 && u < 0x7f;
        const bool secondDollar = c == '$' && !text.empty() && text.back() == '$';
        text += printable && !secondDollar ? c : kReplacement;
    }
    return text;
}

// A number as AFFN: the shortest exact text, the exponent with a capital E.
void AppendNumber(std::string& text, double value)
{
    const std::size_t start = text.size();
    AppendShortest(text, value);
    std::replace(text.begin() + static_cast<std::ptrdiff_t>(start), text.end(), 'e', 'E');
}

void Record(std::string& text, const std::string& label, const std::string& value)
{
    text += "##";
    text += label;
    text += '=';
    text += value;
    text += kLineEnd;
}

void NumberRecord(std::string& text, const std::string& label, double value)
{
    std::string number;
    AppendNumber(number, value);
    Record(text, label, number);
}

}  // namespace

int JcampPointCount(int xAxisMode, const double* x, const double* y, int pixels)
{
    int count = 0;
    for (int i = 0; i < pixels; ++i)
        count += Written(xAxisMode, x[i], y[i]) ? 1 : 0;
    return count;
}

std::string FormatJcampSpectrum(const std::string& title, const SpectrumFacts& facts,
                                const std::vector<MetadataEntry>& entries, const double* x, const double* y, int pixels)
{
    const int mode = facts.xAxisMode;
    std::vector<int> points;
    points.reserve(static_cast<std::size_t>(std::max(pixels, 0)));
    for (int i = 0; i < pixels; ++i) {
        if (Written(mode, x[i], y[i]))
            points.push_back(i);
    }

    std::string text;
    text.reserve(points.size() * 48 + 2048);
    // The records every JCAMP-DX 5.01 file begins with.
    Record(text, "TITLE", JcampText(title));
    Record(text, "JCAMP-DX", "5.01");
    Record(text, "DATA TYPE", "RAMAN SPECTRUM");
    Record(text, "DATA CLASS", "XYPOINTS");
    Record(text, "ORIGIN", kProgramName);
    Record(text, "OWNER", "");
    Record(text, "LONGDATE", JcampLongDate(facts.written));
    Record(text, "SPECTROMETER/DATA SYSTEM", std::string(kProgramName) + ' ' + kProgramVersion);
    for (const MetadataEntry& entry : entries) {
        if (!entry.jcampLabel.empty())
            Record(text, JcampText(entry.jcampLabel), JcampText(entry.value));
    }

    Record(text, "XUNITS", mode == kRamanShiftAxis ? "1/CM" : "NANOMETERS");
    Record(text, "YUNITS", "ARBITRARY UNITS");
    Record(text, "XFACTOR", "1");
    Record(text, "YFACTOR", "1");
    if (!points.empty()) {
        NumberRecord(text, "FIRSTX", x[points.front()]);
        NumberRecord(text, "LASTX", x[points.back()]);
        NumberRecord(text, "FIRSTY", y[points.front()]);
        double minY = y[points.front()];
        double maxY = minY;
        for (const int i : points) {
            minY = std::min(minY, y[i]);
            maxY = std::max(maxY, y[i]);
        }
        NumberRecord(text, "MINY", minY);
        NumberRecord(text, "MAXY", maxY);
    }
    Record(text, "NPOINTS", std::to_string(points.size()));
    Record(text, "XYPOINTS", "(XY..XY)");
    for (const int i : points) {
        AppendNumber(text, x[i]);
        text += ", ";
        AppendNumber(text, y[i]);
        text += kLineEnd;
    }
    Record(text, "END", "");
    return text;
}

}  // namespace vexlar::files
