#pragma once
// Statistics for the calibration from standards: the median, the spread of a
// set of values that a few outliers cannot inflate, and the significance of
// an F statistic.

#include <vector>

namespace vexlar::calibration {

// The median of values (the mean of the middle two for an even count);
// 0 for none. Every value must be finite.
double Median(std::vector<double> values);

// The robust spread of values around zero: 1.4826 × the median of their
// absolute values, which equals the standard deviation for normally
// distributed values and ignores a minority of outliers.
double RobustSpread(const std::vector<double>& values);

// The probability that a value of the F distribution with d1 and d2 degrees
// of freedom exceeds f: how often chance alone gives an improvement of a fit
// as large as f. 1 for f ≤ 0; nothing sensible for d1 or d2 below 1.
double FDistributionTail(double f, int d1, int d2);

}  // namespace vexlar::calibration
