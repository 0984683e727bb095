#pragma once
// Least-squares polynomials of order 0 to 3: a channel's wavelength as a
// function of the pixel, fitted to the pixels of known lines.

#include <array>
#include <optional>
#include <span>

namespace vexlar::calibration {

constexpr int kMaximumPolynomialOrder = 3;

// c[0] + c[1]·x + c[2]·x² + c[3]·x³.
struct Polynomial {
    std::array<double, kMaximumPolynomialOrder + 1> c{};

    double operator()(double x) const { return ((c[3] * x + c[2]) * x + c[1]) * x + c[0]; }
    double Slope(double x) const { return (3.0 * c[3] * x + 2.0 * c[2]) * x + c[1]; }
};

// The polynomial of the given order (0 to 3) that fits y over x with the
// least sum of squared residuals, solved by a column-pivoting QR
// decomposition of the Vandermonde matrix over x centred and scaled to
// [-1, 1], so the solution keeps its precision over a 2048-pixel detector.
// Nothing when the points cannot fix it: fewer distinct x than coefficients,
// an order outside 0 to 3, sizes that differ, or values that are not finite.
std::optional<Polynomial> FitPolynomial(std::span<const double> x, std::span<const double> y, int order);

// The same with a weight for each point (positive and finite): the sum of
// weight × squared residual is the least.
std::optional<Polynomial> FitPolynomial(std::span<const double> x, std::span<const double> y,
                                        std::span<const double> weights, int order);

// A weighted fit with what its residuals say about it: their weighted sum of
// squares and the standard error of the polynomial's value anywhere, taking
// each point's variance as the residuals' variance over its weight.
struct FittedPolynomial {
    Polynomial polynomial;
    int order = 0;
    // Σ weight × residual².
    double sumOfSquares = 0.0;
    // Points less coefficients.
    int degreesOfFreedom = 0;
    // The standard error of polynomial(x) from the scatter of the residuals
    // alone (it does not know a wrong shape of the polynomial); infinite
    // without a degree of freedom.
    double StandardError(double x) const;

    // (VᵀWV)⁻¹ of the Vandermonde matrix V over x scaled to [-1, 1].
    double centre = 0.0;
    double scale = 1.0;
    std::array<std::array<double, kMaximumPolynomialOrder + 1>, kMaximumPolynomialOrder + 1> unscaledCovariance{};
};

// FitPolynomial with weights, and the fit's residuals and uncertainty.
std::optional<FittedPolynomial> FitPolynomialWithErrors(std::span<const double> x, std::span<const double> y,
                                                        std::span<const double> weights, int order);

}  // namespace vexlar::calibration
