#include "cleaning/Baseline.h"

#include <Eigen/SparseCholesky>
#include <Eigen/SparseCore>

#include <algorithm>
#include <cmath>
#include <vector>

namespace vexlar::cleaning {

namespace {

// The upper triangle of a symmetric pentadiagonal matrix, column by column.
using Matrix = Eigen::SparseMatrix<double, Eigen::ColMajor, int>;
// No reordering: a banded matrix factorises without fill-in as it stands.
using Solver = Eigen::SimplicialLDLT<Matrix, Eigen::Upper, Eigen::NaturalOrdering<int>>;

// The median absolute deviation of a normal deviate, and the standard
// deviation of a second difference of independent noise of unit deviation.
constexpr double kMadOfNormal = 0.6744897501960817;
const double kSecondDifferenceDeviation = std::sqrt(6.0);

// The entry (row, column) of DᵀD for the second-difference matrix D of n
// points: row k of D is 1, −2, 1 at columns k, k + 1, k + 2.
double SecondDifferenceProduct(int row, int column, int n)
{
    static constexpr double kStencil[] = {1.0, -2.0, 1.0};
    double sum = 0.0;
    const int first = std::max({row, column, 2}) - 2;
    const int last = std::min({row, column, n - 3});
    for (int k = first; k <= last; ++k)
        sum += kStencil[row - k] * kStencil[column - k];
    return sum;
}

}  // namespace

struct BaselineEstimator::Workspace {
    int n = 0;
    Matrix matrix;                // W + λ DᵀD, upper triangle
    std::vector<double> penalty;  // DᵀD in the matrix's storage order
    std::vector<int> diagonal;    // where each diagonal entry sits in that order
    Solver solver;
    Eigen::VectorXd weights;
    Eigen::VectorXd rhs;
    Eigen::VectorXd z;
    Eigen::VectorXd previous;     // z of the iteration before
    std::vector<double> margin;   // how far above z a point must lie to count as above
    std::vector<double> window;   // one neighbourhood's second differences
    std::vector<double> centres;  // each neighbourhood's centre (pixel) ...
    std::vector<double> noise;    // ... and noise

    explicit Workspace(int points)
        : n(points),
          matrix(points, points),
          diagonal(points),
          weights(points),
          rhs(points),
          z(points),
          previous(points),
          margin(points),
          window(kNoiseWindow),
          centres(points / kNoiseStep + 2),
          noise(points / kNoiseStep + 2)
    {
        std::vector<Eigen::Triplet<double, int>> entries;
        entries.reserve(static_cast<std::size_t>(points) * 3);
        for (int column = 0; column < points; ++column) {
            for (int row = std::max(column - 2, 0); row <= column; ++row)
                entries.emplace_back(row, column, SecondDifferenceProduct(row, column, points));
        }
        matrix.setFromTriplets(entries.begin(), entries.end());
        matrix.makeCompressed();
        penalty.assign(matrix.valuePtr(), matrix.valuePtr() + matrix.nonZeros());
        const int* outer = matrix.outerIndexPtr();
        for (int column = 0; column < points; ++column)
            diagonal[column] = outer[column + 1] - 1;  // rows ascend: the diagonal comes last
        solver.analyzePattern(matrix);
    }

    // Puts W + λ DᵀD into the matrix.
    void Assemble(double lambda)
    {
        double* values = matrix.valuePtr();
        const std::size_t count = penalty.size();
        for (std::size_t k = 0; k < count; ++k)
            values[k] = lambda * penalty[k];
        for (int i = 0; i < n; ++i)
            values[diagonal[i]] += weights[i];
    }
};

BaselineEstimator::BaselineEstimator() = default;
BaselineEstimator::~BaselineEstimator() = default;

bool BaselineEstimator::SetSettings(const BaselineSettings& settings)
{
    if (!IsUsableSmoothness(settings.smoothness) || !IsUsableAsymmetry(settings.asymmetry) ||
        !IsUsableCutOn(settings.cutOn))
        return false;
    settings_ = settings;
    return true;
}

void BaselineEstimator::NoiseMargins(const double* y, int n)
{
    Workspace& w = *work_;
    // The noise of each neighbourhood, at its centre.
    const int window = std::min(kNoiseWindow, n - 2);
    int count = 0;
    for (int start = 0;; start += kNoiseStep) {
        const int first = std::min(start, n - 2 - window);
        for (int k = 0; k < window; ++k) {
            const int i = first + k;
            w.window[k] = std::fabs(y[i] - 2.0 * y[i + 1] + y[i + 2]);
        }
        const auto middle = w.window.begin() + window / 2;
        std::nth_element(w.window.begin(), middle, w.window.begin() + window);
        w.centres[count] = first + 1 + 0.5 * (window - 1);
        w.noise[count] = *middle / (kMadOfNormal * kSecondDifferenceDeviation);
        ++count;
        if (first + window >= n - 2)
            break;
    }
    // Joined by straight lines, level beyond the first and the last centre.
    int k = 0;
    for (int i = 0; i < n; ++i) {
        while (k + 1 < count && w.centres[k + 1] <= i)
            ++k;
        double noise = w.noise[k];
        if (k + 1 < count && i > w.centres[k]) {
            const double t = (i - w.centres[k]) / (w.centres[k + 1] - w.centres[k]);
            noise += t * (w.noise[k + 1] - w.noise[k]);
        }
        w.margin[i] = kAboveNoise * noise;
    }
}

bool BaselineEstimator::Fit(const double* y, int n)
{
    iterations_ = 0;
    if (n < kMinimumBaselinePoints || !std::all_of(y, y + n, [](double v) { return std::isfinite(v); }))
        return false;
    if (!work_ || work_->n != n)
        work_ = std::make_unique<Workspace>(n);
    Workspace& w = *work_;
    const double above = settings_.asymmetry;
    const double below = 1.0 - settings_.asymmetry;
    const Eigen::Map<const Eigen::VectorXd> data(y, n);

    NoiseMargins(y, n);
    w.weights.setOnes();
    bool settled = false;
    while (!settled && iterations_ < kMaximumIterations) {
        ++iterations_;
        w.Assemble(settings_.smoothness);
        w.solver.factorize(w.matrix);
        if (w.solver.info() != Eigen::Success)
            return false;
        w.rhs = w.weights.cwiseProduct(data);
        w.previous = w.z;
        w.z = w.solver.solve(w.rhs);
        // Values near the largest a double holds overflow on the way.
        if (!w.z.allFinite())
            return false;
        // Settled when no weight changes, or (in a noise-free spectrum,
        // whose points lie on the curve and may swap sides for ever) when
        // the curve no longer moves.
        settled = iterations_ > 1 && (w.z - w.previous).lpNorm<Eigen::Infinity>() < kSettledCounts;
        bool weightsKept = true;
        for (int i = 0; i < n; ++i) {
            const double weight = y[i] > w.z[i] + w.margin[i] ? above : below;
            if (weight != w.weights[i]) {
                w.weights[i] = weight;
                weightsKept = false;
            }
        }
        settled = settled || weightsKept;
    }
    return true;
}

bool BaselineEstimator::Estimate(const double* y, int n, double* baseline)
{
    const bool fitted = Fit(y, n);
    for (int i = 0; i < n; ++i)
        baseline[i] = fitted ? work_->z[i] : 0.0;
    return fitted;
}

bool BaselineEstimator::Subtract(const double* y, int n, double* corrected)
{
    return SubtractBetween(y, n, 0, n - 1, corrected);
}

bool BaselineEstimator::Subtract(const double* y, const double* shift, int n, double* corrected)
{
    const double cutOn = settings_.cutOn;
    int first = 0;
    while (first < n && !(shift[first] >= cutOn))
        ++first;
    int last = n - 1;
    while (last >= first && !(shift[last] >= cutOn))
        --last;
    return SubtractBetween(y, n, first, last, corrected);
}

bool BaselineEstimator::SubtractBetween(const double* y, int n, int first, int last, double* corrected)
{
    bool subtracted = Fit(y + first, last - first + 1);
    for (int i = first; subtracted && i <= last; ++i)
        subtracted = std::isfinite(y[i] - work_->z[i - first]);
    for (int i = 0; i < n; ++i)
        corrected[i] = subtracted && i >= first && i <= last ? y[i] - work_->z[i - first] : y[i];
    return subtracted;
}

}  // namespace vexlar::cleaning
