#include "ScanGenerator.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vexlar::qdv {

namespace {

constexpr double kLineCutoffPixels = 60.0;      // the line shape is taken as 0 beyond this
constexpr double kDarkNonUniformity = 0.1;      // pixel-to-pixel spread of the dark current
constexpr double kFluorescenceOffsetNm = 70.0;  // fluorescence maximum, red of the laser
constexpr double kFluorescenceWidthNm = 60.0;   // standard deviation of its broad hump
constexpr double kMsPerSecond = 1000.0;
constexpr double kNmPerCm = 1e7;
// The cosmic rays' own random source is seeded apart from the noise's.
constexpr std::uint64_t kCosmicSeedMix = 0xC05A1C5EEDull;

// Fixed pattern of the dark current: a repeatable value in [-1, 1] per pixel.
double DarkPattern(int pixel)
{
    std::uint64_t z = static_cast<std::uint64_t>(pixel) * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) * 0x1.0p-53 * 2.0 - 1.0;
}

// Pseudo-Voigt of unit height; x in pixels from the line centre.
double LineShape(double x)
{
    const double u = 2.0 * x / kLineWidthPixels;  // 1 at half maximum
    const double gauss = std::exp(-std::log(2.0) * u * u);
    const double lorentz = 1.0 / (1.0 + u * u);
    return (1.0 - kLorentzFraction) * gauss + kLorentzFraction * lorentz;
}

// Fluorescence of unit height at its maximum, as it reaches the detector
// through the long-pass filter: a broad hump to the red of the laser, cut
// off at the filter's edge. Nothing passes blue of the edge, and all of it
// beyond, so it rises as a step there.
double FluorescenceShape(double wavelengthNm, double laserNm)
{
    if (!(wavelengthNm > laserNm) || kNmPerCm / laserNm - kNmPerCm / wavelengthNm < kLongPassCutOnPerCm)
        return 0.0;
    const double d = (wavelengthNm - laserNm - kFluorescenceOffsetNm) / kFluorescenceWidthNm;
    return std::exp(-0.5 * d * d);
}

struct PixelAxis {
    std::array<double, kPixels> wavelength;
    std::array<double, kPixels> dispersion;  // nm per pixel, positive
};

void FillAxis(const Calibration& c, PixelAxis& axis)
{
    for (int i = 0; i < kPixels; ++i) {
        axis.wavelength[i] = c.WavelengthAt(i);
        axis.dispersion[i] = std::fabs(c.DispersionAt(i));
    }
}

// Adds a line of the instrument's shape centred at centreNm.
void AddLine(const PixelAxis& axis, double centreNm, double height, double* out)
{
    if (height == 0.0 || !std::isfinite(centreNm))
        return;
    for (int i = 0; i < kPixels; ++i) {
        const double dispersion = axis.dispersion[i];
        if (!(dispersion > 0.0))
            continue;
        const double x = (axis.wavelength[i] - centreNm) / dispersion;
        if (std::fabs(x) <= kLineCutoffPixels)
            out[i] += height * LineShape(x);
    }
}

}  // namespace

double Calibration::WavelengthAt(double pixel) const
{
    return ((third * pixel + second) * pixel + first) * pixel + intercept;
}

double Calibration::DispersionAt(double pixel) const
{
    return (3.0 * third * pixel + 2.0 * second) * pixel + first;
}

double RamanBandWavelength(double laserWavelengthNm, double shiftPerCm)
{
    const double wavenumber = kNmPerCm / laserWavelengthNm - shiftPerCm;
    if (!(wavenumber > 0.0))
        return std::numeric_limits<double>::quiet_NaN();
    return kNmPerCm / wavenumber;
}

ScanSettings Normalized(const ScanSettings& scan)
{
    ScanSettings n = scan;
    n.integrationMs = std::max(scan.integrationMs, kMinIntegrationMs);
    n.average = std::max(scan.average, 1);
    n.boxcar = std::clamp(scan.boxcar, 0, kPixels - 1);
    return n;
}

CosmicRays::CosmicRays(std::uint64_t seed) : random_(seed) { }

void CosmicRays::BeginScan()
{
    events_.clear();
}

void CosmicRays::Strike(double ratePerSecond, int integrationMs, double* counts)
{
    if (!(ratePerSecond > 0.0) || integrationMs <= 0)
        return;
    const double expected = ratePerSecond * integrationMs / kMsPerSecond;
    std::poisson_distribution<int> howMany(expected);
    std::uniform_int_distribution<int> where(0, kPixels - 1);
    std::uniform_real_distribution<double> height(kMinimumCosmicCounts, kFullScaleCounts);
    std::uniform_real_distribution<double> share(kCosmicNeighbourShareMin, kCosmicNeighbourShareMax);
    std::bernoulli_distribution twoPixels(kCosmicTwoPixelFraction);
    const int n = howMany(random_);
    for (int k = 0; k < n; ++k) {
        CosmicEvent event;
        event.pixel = where(random_);
        event.counts = height(random_);
        counts[event.pixel] += event.counts;
        if (twoPixels(random_)) {
            event.neighbourPixel = event.pixel + 1 < kPixels ? event.pixel + 1 : event.pixel - 1;
            event.neighbourCounts = event.counts * share(random_);
            counts[event.neighbourPixel] += event.neighbourCounts;
        }
        events_.push_back(event);
    }
}

ScanGenerator::ScanGenerator(std::uint64_t seed) : noise_(seed), cosmic_(seed ^ kCosmicSeedMix) { }

double ScanGenerator::ElectricalDark(const ChannelSetup& setup, const ScanSettings& scan)
{
    const ScanSettings n = Normalized(scan);
    return kDarkOffsetCounts + setup.darkCurrent * n.integrationMs / kMsPerSecond;
}

void ScanGenerator::ExpectedCounts(const ChannelSetup& setup, const ScanSettings& scanIn, double* out)
{
    const ScanSettings scan = Normalized(scanIn);
    const double darkPerReading = setup.darkCurrent * scan.integrationMs / kMsPerSecond;
    for (int i = 0; i < kPixels; ++i)
        out[i] = kDarkOffsetCounts + darkPerReading * (1.0 + kDarkNonUniformity * DarkPattern(i));

    const SampleInfo& sample = SampleData(setup.sample);
    if (sample.bands.empty() && sample.rayleigh == 0.0 && sample.fluorescence == 0.0)
        return;
    const bool lit = sample.isLamp || (scan.laserOn && setup.laserPower > 0.0);
    if (!lit)
        return;

    PixelAxis axis;
    FillAxis(setup.calibration, axis);
    const double exposure = scan.integrationMs / kReferenceIntegrationMs;

    if (sample.isLamp) {
        for (const Band& b : sample.bands)
            AddLine(axis, b.position, exposure * sample.brightness * b.height / 100.0, out);
        return;
    }

    const double laserNm = setup.laserWavelengthNm;
    const double scale = exposure * setup.laserPower;
    for (const Band& b : sample.bands)
        AddLine(axis, RamanBandWavelength(laserNm, b.position), scale * sample.brightness * b.height / 100.0, out);
    AddLine(axis, laserNm, scale * kLaserResidueCounts * sample.rayleigh, out);

    const double fluorescence = scale * setup.fluorescence * sample.fluorescence * kFluorescencePeakCounts;
    if (fluorescence != 0.0) {
        for (int i = 0; i < kPixels; ++i)
            out[i] += fluorescence * FluorescenceShape(axis.wavelength[i], laserNm);
    }
}

const ScanGenerator::Reading& ScanGenerator::ReadingFor(const ChannelSetup& setup, const ScanSettings& scan)
{
    for (const Reading& r : readings_) {
        if (r.valid && r.integrationMs == scan.integrationMs && r.laserOn == scan.laserOn && r.setup == setup)
            return r;
    }
    Reading& r = readings_[nextReading_];
    nextReading_ = (nextReading_ + 1) % readings_.size();
    r.valid = true;
    r.setup = setup;
    r.integrationMs = scan.integrationMs;
    r.laserOn = scan.laserOn;
    ExpectedCounts(setup, scan, r.expected.data());
    const double readVariance = kReadNoiseCounts * kReadNoiseCounts;
    for (int i = 0; i < kPixels; ++i) {
        const double photoCounts = std::max(r.expected[i] - kDarkOffsetCounts, 0.0);
        r.sigma[i] = setup.noise > 0.0 ? setup.noise * std::sqrt(photoCounts / kElectronsPerCount + readVariance) : 0.0;
    }
    return r;
}

bool ScanGenerator::Generate(const ChannelSetup& setup, const ScanSettings& scanIn, float* out,
                             const std::atomic<bool>* abort)
{
    const ScanSettings scan = Normalized(scanIn);
    const Reading& reading = ReadingFor(setup, scan);
    const double* expected = reading.expected.data();
    const double* sigma = reading.sigma.data();
    sum_.fill(0.0);
    cosmic_.BeginScan();
    const bool cosmic = setup.cosmicRate > 0.0;
    const bool noisy = setup.noise > 0.0;
    constexpr double kFullScale = kFullScaleCounts;

    for (int n = 0; n < scan.average; ++n) {
        if (abort && abort->load(std::memory_order_relaxed))
            return false;
        if (cosmic) {
            rays_.fill(0.0);
            cosmic_.Strike(setup.cosmicRate, scan.integrationMs, rays_.data());
        }
        for (int i = 0; i < kPixels; ++i) {
            double value = expected[i];
            if (noisy)
                value += sigma[i] * noise_();
            // A ray's charge adds to the pixel's before it is read out, so it
            // clips with it.
            if (cosmic)
                value += rays_[i];
            sum_[i] += std::clamp(std::round(value), 0.0, kFullScale);
        }
    }

    const double dark = scan.correctDark ? ElectricalDark(setup, scan) : 0.0;
    prefix_[0] = 0.0;
    for (int i = 0; i < kPixels; ++i) {
        sum_[i] = sum_[i] / scan.average - dark;
        prefix_[i + 1] = prefix_[i] + sum_[i];
    }

    if (scan.boxcar == 0) {
        for (int i = 0; i < kPixels; ++i)
            out[i] = static_cast<float>(sum_[i]);
        return true;
    }
    for (int i = 0; i < kPixels; ++i) {
        const int first = std::max(i - scan.boxcar, 0);
        const int last = std::min(i + scan.boxcar, kPixels - 1);
        out[i] = static_cast<float>((prefix_[last + 1] - prefix_[first]) / (last - first + 1));
    }
    return true;
}

}  // namespace vexlar::qdv
