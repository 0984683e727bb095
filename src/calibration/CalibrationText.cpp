#include "calibration/CalibrationText.h"

#include <charconv>
#include <cmath>

namespace vexlar::calibration {

namespace {

constexpr int kLaserDecimals = 3;
constexpr int kNmDecimals = 2;
constexpr int kPixelDecimals = 1;
constexpr int kResidualDecimals = 4;
constexpr int kShiftDecimals = 2;

std::string Count(int n, const char* thing)
{
    return std::to_string(n) + " " + thing + (n == 1 ? "" : "s");
}

}  // namespace

std::string FixedText(double value, int decimals)
{
    if (!std::isfinite(value))
        return "-";
    char text[64];
    const auto written = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    if (written.ec != std::errc())
        return "-";
    return std::string(text, written.ptr);
}

std::string LaserWavelengthText(double nm)
{
    return FixedText(nm, kLaserDecimals);
}

std::string LampSummaryText(const LampCalibrationResult& result)
{
    return Count(result.linesUsed, "line") + " used, " + std::to_string(result.linesRejected) +
           " rejected; RMS residual " + FixedText(result.rmsNm, kResidualDecimals) + " nm.";
}

std::string LampSpanText(const LampCalibrationResult& result)
{
    return "The lines span " + FixedText(result.firstNm, kNmDecimals) + " to " + FixedText(result.lastNm, kNmDecimals) +
           " nm (pixels " + FixedText(result.firstPixel, kPixelDecimals) + " to " +
           FixedText(result.lastPixel, kPixelDecimals) + "). Outside this span the calibration is extrapolated.";
}

std::string RamanSummaryText(const RamanCheckResult& result)
{
    return "Mean error " + FixedText(result.meanError, kShiftDecimals) + " cm-1, RMS error " +
           FixedText(result.rmsError, kShiftDecimals) + " cm-1 over " + Count(result.bandsUsed, "band") + ".";
}

std::string BestLaserText(const RamanCheckResult& result)
{
    return "A laser wavelength of " + LaserWavelengthText(result.bestLaserNm) +
           " nm removes the mean error (RMS error then " + FixedText(result.rmsErrorAfter, kShiftDecimals) + " cm-1).";
}

const char* BandStatusText(BandStatus status)
{
    switch (status) {
    case BandStatus::Used:
        return "used";
    case BandStatus::Rejected:
        return "rejected";
    case BandStatus::NotFound:
        return "not found";
    case BandStatus::Unresolved:
        return "unresolved";
    }
    return "";
}

}  // namespace vexlar::calibration
