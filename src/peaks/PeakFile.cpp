#include "peaks/PeakFile.h"

#include <charconv>

namespace vexlar::peaks {

namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr int kRamanShiftMode = 1;
constexpr int kRamanDecimals = 0;
constexpr int kWavelengthDecimals = 2;
constexpr int kIntensityDecimals = 1;
// Room for the longest fixed-point double (309 integer digits) and its decimals.
constexpr std::size_t kNumberChars = 400;

void AppendLine(std::string& text, const std::string& line)
{
    text += line;
    text += kLineEnd;
}

// The fewest digits that read back as the same value, in the C conventions.
std::string ShortestText(double value)
{
    char buffer[kNumberChars];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return result.ec == std::errc() ? std::string(buffer, result.ptr) : "?";
}

}  // namespace

std::string FixedText(double value, int decimals)
{
    char buffer[kNumberChars];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc())
        return "?";
    return std::string(buffer, result.ptr);
}

std::string PeakXText(double x, int xAxisMode)
{
    return FixedText(x, xAxisMode == kRamanShiftMode ? kRamanDecimals : kWavelengthDecimals);
}

std::string PeakFileText(const PeakFileHeader& header, const std::vector<PeakFileRow>& rows)
{
    std::string text;
    AppendLine(text, "Integration Time " + std::to_string(header.integrationTime) + " msec");
    AppendLine(text, "Averages: " + std::to_string(header.average));
    AppendLine(text, "Boxcar Smoothing Width: " + std::to_string(header.boxcar));
    // The first scan counts as one spectral addition.
    AppendLine(text, "Spectral Additions " + std::to_string(header.additions + 1));
    if (header.spikesRemoved)
        AppendLine(text, "Spikes removed");
    if (header.baselineSubtracted)
        AppendLine(text, "Baseline subtracted (smoothness " + ShortestText(header.baselineSmoothness) + ", asymmetry " +
                             ShortestText(header.baselineAsymmetry) + ")");
    AppendLine(text, header.xAxisMode == kRamanShiftMode ? "Pixel\tRaman Shift (cm-1)\tIntensity"
                                                         : "Pixel\tWavelength (nm)\tIntensity");
    for (const PeakFileRow& row : rows) {
        AppendLine(text, std::to_string(row.pixel) + '\t' + PeakXText(row.x, header.xAxisMode) + '\t' +
                             FixedText(row.intensity, kIntensityDecimals));
    }
    return text;
}

}  // namespace vexlar::peaks
