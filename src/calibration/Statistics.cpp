#include "calibration/Statistics.h"

#include <algorithm>
#include <cmath>

namespace vexlar::calibration {

namespace {

// The median absolute deviation times this is the standard deviation of a
// normal distribution.
constexpr double kMadToSigma = 1.4826;
// The continued fraction of the incomplete beta function: at most this many
// terms, until a term changes it by less than this share.
constexpr int kMostFractionTerms = 300;
constexpr double kFractionPrecision = 1e-15;
constexpr double kTiny = 1e-300;

// The continued fraction of I_x(a, b), by the modified Lentz method; it
// converges quickly for x < (a + 1) / (a + b + 2).
double BetaFraction(double a, double b, double x)
{
    const auto notZero = [](double v) { return std::fabs(v) < kTiny ? kTiny : v; };
    double c = 1.0;
    double d = 1.0 / notZero(1.0 - (a + b) * x / (a + 1.0));
    double h = d;
    for (int m = 1; m <= kMostFractionTerms; ++m) {
        const double even = m * (b - m) * x / ((a + 2.0 * m - 1.0) * (a + 2.0 * m));
        d = 1.0 / notZero(1.0 + even * d);
        c = notZero(1.0 + even / c);
        h *= d * c;
        const double odd = -(a + m) * (a + b + m) * x / ((a + 2.0 * m) * (a + 2.0 * m + 1.0));
        d = 1.0 / notZero(1.0 + odd * d);
        c = notZero(1.0 + odd / c);
        const double change = d * c;
        h *= change;
        if (std::fabs(change - 1.0) < kFractionPrecision)
            break;
    }
    return h;
}

// The regularized incomplete beta function I_x(a, b).
double RegularizedBeta(double a, double b, double x)
{
    if (x <= 0.0)
        return 0.0;
    if (x >= 1.0)
        return 1.0;
    const double front =
        std::exp(std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b) + a * std::log(x) + b * std::log1p(-x));
    if (x < (a + 1.0) / (a + b + 2.0))
        return front * BetaFraction(a, b, x) / a;
    return 1.0 - front * BetaFraction(b, a, 1.0 - x) / b;
}

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

double FDistributionTail(double f, int d1, int d2)
{
    if (!(f > 0.0))
        return 1.0;
    if (std::isinf(f))
        return 0.0;
    return RegularizedBeta(0.5 * d2, 0.5 * d1, d2 / (d2 + d1 * f));
}

}  // namespace vexlar::calibration
