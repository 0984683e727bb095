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
constexpr int kUncertaintyDecimals = 3;

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

std::string LampEndsText(const LampCalibrationResult& result)
{
    return "Estimated uncertainty of the calibration: \u00b1" +
           FixedText(result.firstDetectorPixelErrorNm, kUncertaintyDecimals) + " nm at pixel 0, \u00b1" +
           FixedText(result.lastDetectorPixelErrorNm, kUncertaintyDecimals) + " nm at pixel " +
           FixedText(result.lastDetectorPixel, 0) + ".";
}

std::string LampOrderText(const LampCalibrationResult& result)
{
    if (!result.orderChosen)
        return {};
    const std::string chosen = "Order " + std::to_string(result.order) + ", chosen from the lines: ";
    const std::string next = std::to_string(result.order + 1);
    if (result.order >= result.highestOrderFitted && result.order < kMaximumLampOrder)
        return chosen + "too few for order " + next + ".";
    if (result.order < result.highestOrderFitted)
        return chosen + "order " + next + " does not fit them significantly better.";
    return chosen + "order " + std::to_string(result.order - 1) + " fits them significantly worse.";
}

std::string LampSaturationText(int saturated)
{
    if (saturated <= 0)
        return {};
    const bool one = saturated == 1;
    return Count(saturated, "lamp line") + (one ? " was" : " were") + " saturated (" +
           (one ? "its top reaches" : "their tops reach") + " the detector's full scale) and " +
           (one ? "was" : "were") + " not used: choose a shorter integration time.";
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
