#pragma once
// Where a calibration from standards takes its spectrum: the spectrum on
// display, or the average of the next few scans, which the view collects
// while acquisition runs.

#include <functional>
#include <string>
#include <vector>

#include "calibration/ScanAverage.h"

namespace vexlar::calibration {

struct MeasurementSource {
    // The spectrum on display at the moment of the call.
    std::function<std::vector<double>()> displayed;
    // Collects fresh scans; null when none arrive (acquisition stopped,
    // additive mode, a timed series), with the reason for the operator.
    ScanAverage* freshScans = nullptr;
    std::string noFreshScansReason;
};

}  // namespace vexlar::calibration
