#pragma once
// Robust statistics for the calibration from standards: the median, and the
// spread of a set of values that a few outliers cannot inflate.

#include <vector>

namespace vexlar::calibration {

// The median of values (the mean of the middle two for an even count);
// 0 for none. Every value must be finite.
double Median(std::vector<double> values);

// The robust spread of values around zero: 1.4826 × the median of their
// absolute values, which equals the standard deviation for normally
// distributed values and ignores a minority of outliers.
double RobustSpread(const std::vector<double>& values);

}  // namespace vexlar::calibration
