#include "calibration/Statistics.h"

#include <algorithm>
#include <cmath>

namespace vexlar::calibration {

namespace {

// The median absolute deviation times this is the standard deviation of a
// normal distribution.
constexpr double kMadToSigma = 1.4826;

}  // namespace

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    const std::size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + middle, values.end());
    const double upper = values[middle];
    if (values.size() % 2 == 1)
        return upper;
    const double lower = *std::max_element(values.begin(), values.begin() + middle);
    return 0.5 * (lower + upper);
}

double RobustSpread(const std::vector<double>& values)
{
    std::vector<double> magnitudes(values.size());
    std::transform(values.begin(), values.end(), magnitudes.begin(), [](double v) { return std::fabs(v); });
    return kMadToSigma * Median(std::move(magnitudes));
}

}  // namespace vexlar::calibration
