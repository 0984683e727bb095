#include "calibration/PolynomialFit.h"

#include <Eigen/Dense>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace vexlar::calibration {

namespace {

bool AllFinite(std::span<const double> values)
{
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

// The coefficients in x of Σ b[k]·((x − centre) / scale)^k.
Polynomial ExpandAroundZero(const Eigen::VectorXd& b, double centre, double scale)
{
    Polynomial p;
    for (int k = 0; k < b.size(); ++k) {
        // ((x − centre) / scale)^k = Σ_j C(k, j) x^j (−centre)^(k − j) / scale^k
        double binomial = 1.0;
        for (int j = 0; j <= k; ++j) {
            if (j > 0)
                binomial = binomial * (k - j + 1) / j;
            p.c[j] += b[k] * binomial * std::pow(-centre, k - j) / std::pow(scale, k);
        }
    }
    return p;
}

}  // namespace

std::optional<Polynomial> FitPolynomial(std::span<const double> x, std::span<const double> y, int order)
{
    return FitPolynomial(x, y, std::vector<double>(x.size(), 1.0), order);
}

std::optional<Polynomial> FitPolynomial(std::span<const double> x, std::span<const double> y,
                                        std::span<const double> weights, int order)
{
    const std::optional<FittedPolynomial> fit = FitPolynomialWithErrors(x, y, weights, order);
    if (!fit)
        return std::nullopt;
    return fit->polynomial;
}

double FittedPolynomial::StandardError(double x) const
{
    if (degreesOfFreedom <= 0)
        return std::numeric_limits<double>::infinity();
    const double t = (x - centre) / scale;
    double powers[kMaximumPolynomialOrder + 1];
    powers[0] = 1.0;
    for (int k = 1; k <= order; ++k)
        powers[k] = powers[k - 1] * t;
    double quadratic = 0.0;
    for (int j = 0; j <= order; ++j) {
        for (int k = 0; k <= order; ++k)
            quadratic += powers[j] * unscaledCovariance[j][k] * powers[k];
    }
    return std::sqrt(sumOfSquares / degreesOfFreedom * std::max(quadratic, 0.0));
}

std::optional<FittedPolynomial> FitPolynomialWithErrors(std::span<const double> x, std::span<const double> y,
                                                        std::span<const double> weights, int order)
{
    const auto n = static_cast<Eigen::Index>(x.size());
    if (order < 0 || order > kMaximumPolynomialOrder || x.size() != y.size() || x.size() != weights.size() ||
        n < order + 1 || !AllFinite(x) || !AllFinite(y) || !AllFinite(weights) ||
        !std::all_of(weights.begin(), weights.end(), [](double w) { return w > 0.0; }))
        return std::nullopt;

    const auto [lowest, highest] = std::minmax_element(x.begin(), x.end());
    const double centre = 0.5 * (*lowest + *highest);
    const double scale = 0.5 * (*highest - *lowest);
    if (order > 0 && !(scale > 0.0))
        return std::nullopt;
    const double usedScale = scale > 0.0 ? scale : 1.0;

    Eigen::MatrixXd vandermonde(n, order + 1);
    Eigen::VectorXd values(n);
    for (Eigen::Index i = 0; i < n; ++i) {
        // Each row scaled by the square root of its weight.
        const double root = std::sqrt(weights[i]);
        const double t = (x[i] - centre) / usedScale;
        double power = root;
        for (int k = 0; k <= order; ++k) {
            vandermonde(i, k) = power;
            power *= t;
        }
        values[i] = root * y[i];
    }
    const Eigen::ColPivHouseholderQR<Eigen::MatrixXd> qr(vandermonde);
    if (qr.rank() < order + 1)
        return std::nullopt;
    const Eigen::VectorXd b = qr.solve(values);
    if (!b.allFinite())
        return std::nullopt;

    FittedPolynomial fit;
    fit.polynomial = ExpandAroundZero(b, centre, usedScale);
    fit.order = order;
    fit.sumOfSquares = (vandermonde * b - values).squaredNorm();
    fit.degreesOfFreedom = static_cast<int>(n) - (order + 1);
    fit.centre = centre;
    fit.scale = usedScale;
    // (VᵀWV)⁻¹ = P R⁻¹ R⁻ᵀ Pᵀ with V P = Q R.
    const auto r = qr.matrixR().topLeftCorner(order + 1, order + 1).template triangularView<Eigen::Upper>();
    const Eigen::MatrixXd rInverse = r.solve(Eigen::MatrixXd::Identity(order + 1, order + 1));
    const Eigen::MatrixXd covariance =
        qr.colsPermutation() * (rInverse * rInverse.transpose()) * qr.colsPermutation().transpose();
    for (int j = 0; j <= order; ++j) {
        for (int k = 0; k <= order; ++k)
            fit.unscaledCovariance[j][k] = covariance(j, k);
    }
    return fit;
}

}  // namespace vexlar::calibration
