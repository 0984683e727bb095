#pragma once
// Where a calibration from standards takes its spectrum: the spectrum on
// display, or the average of the next few scans, which the view collects
// while acquisition runs.

#include <functional>
#include <string>
#include <vector>

#include "calibration/ScanAverage.h"

namespace vexlar::calibration {

// The highest count a pixel of the 12-bit detector reads.
constexpr double kDetectorFullScale = 4095.0;

struct MeasurementSource {
    // The spectrum on display at the moment of the call.
    std::function<std::vector<double>()> displayed;
    // Collects fresh scans; null when none arrive (acquisition stopped,
    // additive mode, a timed series), with the reason for the operator.
    ScanAverage* freshScans = nullptr;
    std::string noFreshScansReason;
    // What each pixel of either spectrum shows when the detector is full:
    // kDetectorFullScale less what the program takes off the scans (the dark
    // spectrum). Empty when not known.
    std::vector<double> fullScale;
};

}  // namespace vexlar::calibration
