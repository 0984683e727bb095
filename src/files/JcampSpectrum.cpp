#include "files/JcampSpectrum.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "files/ShortestNumber.h"

namespace vexlar::files {

namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr char kReplacement = '?';
// ##OWNER is required; this when the operator's name is not known.
constexpr char kUnknownOwner[] = "UNKNOWN";
// JCAMP-DX's longest line.
constexpr std::size_t kLineLength = 80;
// The largest |Y| written: readers may hold Y in 32 bits.
constexpr double kLargestOrdinate = 2147483647.0;
// The most points of the grid (32 times the detector's pixels): the points
// of an opened file that crowd closer than their span allows get a coarser
// step.
constexpr long long kMostGridPoints = 65536;
// Whole numbers below this are exact in a double (2^53).
constexpr double kExactWholeNumbers = 9007199254740992.0;
// 10^n is exact in a double up to this n.
constexpr int kLargestExactPowerOfTen = 22;
constexpr int kStepMantissas[] = {1, 2, 5};
// The relative rounding of a spacing of x values, far above a double's.
constexpr double kSpacingRounding = 1e-9;
constexpr int kStepMantissaCount = 3;

struct Point {
    double x;
    double y;
};

bool Written(int xAxisMode, double x, double y)
{
    if (!std::isfinite(x) || !std::isfinite(y))
        return false;
    return xAxisMode != kRamanShiftAxis || x > 0.0;
}

// The points JCAMP-DX can hold, in pixel order.
std::vector<Point> WrittenPoints(int xAxisMode, const double* x, const double* y, int pixels)
{
    std::vector<Point> points;
    points.reserve(static_cast<std::size_t>(std::max(pixels, 0)));
    for (int i = 0; i < pixels; ++i) {
        if (Written(xAxisMode, x[i], y[i]))
            points.push_back({x[i], y[i]});
    }
    return points;
}

// The double nearest to 10^exponent.
double PowerOfTen(int exponent)
{
    const std::string text = "1e" + std::to_string(exponent);
    double value = 0.0;
    if (std::from_chars(text.data(), text.data() + text.size(), value).ec == std::errc::result_out_of_range)
        return exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return value;
}

// units * 10^exponent, and value / 10^exponent: rounded once where the
// power of ten is exact, so 5006 units of 10^-1 are the double nearest 500.6.
double Scaled(double units, int exponent)
{
    if (exponent < 0 && exponent >= -kLargestExactPowerOfTen)
        return units / PowerOfTen(-exponent);
    return units * PowerOfTen(exponent);
}

double Unscaled(double value, int exponent)
{
    if (exponent < 0 && exponent >= -kLargestExactPowerOfTen)
        return value * PowerOfTen(-exponent);
    return value / PowerOfTen(exponent);
}

// An even grid: x = (first + k * step) * 10^exponent for k = 0 .. count - 1,
// first and step whole numbers (step 1, 2 or 5).
struct Grid {
    int exponent = 0;
    long long first = 0;
    long long step = 1;
    long long count = 0;

    long long Units(long long k) const { return first + k * step; }
    double X(long long k) const { return Scaled(static_cast<double>(Units(k)), exponent); }
};

// The grid of step mantissa * 10^exponent from the first of its points at
// or above low to the last at or below high, if it has one to
// kMostGridPoints points whose units are exact.
bool FitGrid(double low, double high, long long mantissa, int exponent, Grid* grid)
{
    const double step = Scaled(static_cast<double>(mantissa), exponent);
    const double lowSteps = std::ceil(low / step);
    const double highSteps = std::floor(high / step);
    const double exact = kExactWholeNumbers / static_cast<double>(mantissa) - 2.0;
    if (!(std::fabs(lowSteps) < exact && std::fabs(highSteps) < exact &&
          highSteps - lowSteps < static_cast<double>(kMostGridPoints)))
        return false;
    const auto at = [&](long long n) { return Scaled(static_cast<double>(n * mantissa), exponent); };
    // low / step and high / step are rounded: the ends are checked.
    auto first = static_cast<long long>(lowSteps);
    auto last = static_cast<long long>(highSteps);
    while (at(first) < low)
        ++first;
    while (at(first - 1) >= low)
        --first;
    while (at(last) > high)
        --last;
    while (at(last + 1) <= high)
        ++last;
    if (last < first || last - first >= kMostGridPoints)
        return false;
    *grid = {exponent, first * mantissa, mantissa, last - first + 1};
    return true;
}

// The grid for points in increasing x: its step the coarsest of 1, 2 or 5
// times a power of ten that is no coarser than the finest spacing of the
// points, unless that gives too many points. No points (count 0) for fewer
// than two different x.
Grid EvenGrid(const std::vector<Point>& sorted)
{
    double finest = std::numeric_limits<double>::infinity();
    for (std::size_t i = 1; i < sorted.size(); ++i) {
        const double spacing = sorted[i].x - sorted[i - 1].x;
        if (spacing > 0.0)
            finest = std::min(finest, spacing);
    }
    if (!std::isfinite(finest))
        return {};
    // Points 0.2 apart are 0.19999999999998863 apart as doubles: a step
    // within rounding of the finest spacing is no coarser than it.
    finest *= 1.0 + kSpacingRounding;
    int exponent = static_cast<int>(std::floor(std::log10(finest)));
    int mantissa = 0;  // index in kStepMantissas
    const auto step = [&](int m, int e) { return Scaled(kStepMantissas[m], e); };
    while (step(mantissa, exponent) > finest)
        --exponent;
    const auto coarser = [](int* m, int* e) {
        if (++*m == kStepMantissaCount) {
            *m = 0;
            ++*e;
        }
    };
    for (;;) {
        int m = mantissa;
        int e = exponent;
        coarser(&m, &e);
        if (step(m, e) > finest)
            break;
        mantissa = m;
        exponent = e;
    }
    Grid grid;
    while (!FitGrid(sorted.front().x, sorted.back().x, kStepMantissas[mantissa], exponent, &grid)) {
        coarser(&mantissa, &exponent);
        if (!std::isfinite(step(mantissa, exponent)))
            return {};
    }
    return grid;
}

// The spectrum at x (within the points, in increasing x): the y of a point
// at x, else linear between the neighbouring points.
double ResampledAt(const std::vector<Point>& sorted, double x)
{
    const auto after =
        std::lower_bound(sorted.begin(), sorted.end(), x, [](const Point& p, double value) { return p.x < value; });
    if (after->x == x)
        return after->y;
    const auto before = after - 1;
    const double t = (x - before->x) / (after->x - before->x);
    const double y = before->y * (1.0 - t) + after->y * t;
    // Rounding past the largest double: the nearer point's y.
    return std::isfinite(y) ? y : (t < 0.5 ? before->y : after->y);
}

// Y values as whole multiples of 10^exponent: the smallest exponent that
// keeps every |Y| within kLargestOrdinate.
struct Ordinates {
    int exponent = 0;
    std::vector<long long> units;

    double Value(std::size_t i) const { return Scaled(static_cast<double>(units[i]), exponent); }
};

Ordinates Quantised(const std::vector<double>& values)
{
    double largest = 0.0;
    for (const double v : values)
        largest = std::max(largest, std::fabs(v));
    Ordinates ordinates;
    ordinates.exponent = largest > 0.0 ? static_cast<int>(std::floor(std::log10(largest))) - 9 : 0;
    while (!(std::round(Unscaled(largest, ordinates.exponent)) <= kLargestOrdinate))
        ++ordinates.exponent;
    ordinates.units.reserve(values.size());
    for (const double v : values)
        ordinates.units.push_back(std::llround(Unscaled(v, ordinates.exponent)));
    return ordinates;
}

// Printable ASCII only, and no "$$" (the start of a JCAMP-DX comment).
std::string JcampText(const std::string& value)
{
    std::string text;
    text.reserve(value.size());
    for (const char c : value) {
        const auto u = static_cast<unsigned char>(c);
        const bool printable = u >= 0x20 && u < 0x7f;
        const bool secondDollar = c == '$' && !text.empty() && text.back() == '$';
        text += printable && !secondDollar ? c : kReplacement;
    }
    return text;
}

// A number as AFFN: the shortest exact text, the exponent with a capital E.
void AppendNumber(std::string& text, double value)
{
    const std::size_t start = text.size();
    AppendShortest(text, value);
    std::replace(text.begin() + static_cast<std::ptrdiff_t>(start), text.end(), 'e', 'E');
}

void Record(std::string& text, const std::string& label, const std::string& value)
{
    text += "##";
    text += label;
    text += '=';
    text += value;
    text += kLineEnd;
}

void NumberRecord(std::string& text, const std::string& label, double value)
{
    std::string number;
    AppendNumber(number, value);
    Record(text, label, number);
}

// The records that open each of the two blocks, the metadata and the units.
void BlockHeader(std::string& text, const std::string& title, const char* dataClass, int blockId,
                 const char* crossReference, const SpectrumFacts& facts, const std::vector<MetadataEntry>& entries,
                 const std::string& owner)
{
    Record(text, "TITLE", title);
    Record(text, "JCAMP-DX", "5.01");
    Record(text, "DATA TYPE", "RAMAN SPECTRUM");
    Record(text, "DATA CLASS", dataClass);
    Record(text, "BLOCK_ID", std::to_string(blockId));
    Record(text, "CROSS REFERENCE", crossReference);
    Record(text, "ORIGIN", kProgramName);
    Record(text, "OWNER", owner);
    Record(text, "LONGDATE", JcampLongDate(facts.written));
    Record(text, "SPECTROMETER/DATA SYSTEM", std::string(kProgramName) + ' ' + kProgramVersion);
    for (const MetadataEntry& entry : entries) {
        if (!entry.jcampLabel.empty())
            Record(text, JcampText(entry.jcampLabel), JcampText(entry.value));
    }
    Record(text, "XUNITS", facts.xAxisMode == kRamanShiftAxis ? "1/CM" : "NANOMETERS");
    Record(text, "YUNITS", "ARBITRARY UNITS");
}

// The evenly spaced block: "X Y Y ..." lines of at most kLineLength
// characters, X the abscissa of the line's first Y.
void XyDataBlock(std::string& text, const Grid& grid, const Ordinates& y)
{
    NumberRecord(text, "XFACTOR", PowerOfTen(grid.exponent));
    NumberRecord(text, "YFACTOR", PowerOfTen(y.exponent));
    NumberRecord(text, "FIRSTX", grid.X(0));
    NumberRecord(text, "LASTX", grid.X(grid.count - 1));
    NumberRecord(text, "DELTAX", Scaled(static_cast<double>(grid.step), grid.exponent));
    NumberRecord(text, "FIRSTY", y.Value(0));
    const auto [minY, maxY] = std::minmax_element(y.units.begin(), y.units.end());
    NumberRecord(text, "MINY", Scaled(static_cast<double>(*minY), y.exponent));
    NumberRecord(text, "MAXY", Scaled(static_cast<double>(*maxY), y.exponent));
    Record(text, "NPOINTS", std::to_string(grid.count));
    Record(text, "XYDATA", "(X++(Y..Y))");
    std::string line;
    for (long long k = 0; k < grid.count; ++k) {
        const std::string ordinate = std::to_string(y.units[static_cast<std::size_t>(k)]);
        if (!line.empty() && line.size() + 1 + ordinate.size() > kLineLength) {
            text += line;
            text += kLineEnd;
            line.clear();
        }
        if (line.empty())
            line = std::to_string(grid.Units(k));
        line += ' ';
        line += ordinate;
    }
    text += line;
    text += kLineEnd;
}

// The points as held, one "x, y" pair a line.
void XyPointsBlock(std::string& text, const std::vector<Point>& points)
{
    Record(text, "XFACTOR", "1");
    Record(text, "YFACTOR", "1");
    NumberRecord(text, "FIRSTX", points.front().x);
    NumberRecord(text, "LASTX", points.back().x);
    NumberRecord(text, "FIRSTY", points.front().y);
    const auto [minY, maxY] =
        std::minmax_element(points.begin(), points.end(), [](const Point& a, const Point& b) { return a.y < b.y; });
    NumberRecord(text, "MINY", minY->y);
    NumberRecord(text, "MAXY", maxY->y);
    Record(text, "NPOINTS", std::to_string(points.size()));
    Record(text, "XYPOINTS", "(XY..XY)");
    for (const Point& p : points) {
        AppendNumber(text, p.x);
        text += ", ";
        AppendNumber(text, p.y);
        text += kLineEnd;
    }
}

std::vector<Point> SortedByX(std::vector<Point> points)
{
    std::stable_sort(points.begin(), points.end(), [](const Point& a, const Point& b) { return a.x < b.x; });
    return points;
}

}  // namespace

std::string FormatJcampSpectrum(const std::string& title, const SpectrumFacts& facts,
                                const std::vector<MetadataEntry>& entries, const double* x, const double* y, int pixels)
{
    const std::vector<Point> points = WrittenPoints(facts.xAxisMode, x, y, pixels);
    const std::vector<Point> sorted = SortedByX(points);
    const Grid grid = EvenGrid(sorted);
    if (grid.count == 0)
        return {};
    std::vector<double> resampled;
    resampled.reserve(static_cast<std::size_t>(grid.count));
    for (long long k = 0; k < grid.count; ++k)
        resampled.push_back(ResampledAt(sorted, grid.X(k)));
    const Ordinates ordinates = Quantised(resampled);

    const std::string name = JcampText(title);
    const std::string owner = JcampText(facts.owner.empty() ? kUnknownOwner : facts.owner);
    std::string text;
    text.reserve(static_cast<std::size_t>(grid.count) * 11 + points.size() * 48 + 4096);
    // The link block, which holds the two blocks.
    Record(text, "TITLE", name);
    Record(text, "JCAMP-DX", "5.01");
    Record(text, "DATA TYPE", "LINK");
    Record(text, "BLOCKS", "2");
    Record(text, "ORIGIN", kProgramName);
    Record(text, "OWNER", owner);

    BlockHeader(text, name, "XYDATA", 1, "EXACT POINTS: BLOCK_ID= 2", facts, entries, owner);
    Record(text, "$RESAMPLED", "linear interpolation of the exact points onto an even grid");
    XyDataBlock(text, grid, ordinates);
    Record(text, "END", "");

    BlockHeader(text, name + " (exact points)", "XYPOINTS", 2, "EVEN GRID: BLOCK_ID= 1", facts, entries, owner);
    XyPointsBlock(text, points);
    Record(text, "END", "");
    Record(text, "END", "");
    return text;
}

}  // namespace vexlar::files
