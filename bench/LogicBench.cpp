// The workspace logic on its own, without widgets:
//
//   BM_PeakSearch          the peak search over a 2048-point spectrum with 20
//                          bands (default threshold, slope and width)
//   BM_ExportFormat        the export file's text for 2048 pixels (no file)
//   BM_SettingsLoad/Save   vexlar.ini read and written whole
//   BM_AnnotationDecode    an annotation file of 100 records read and checked
//   BM_LampCalibration     the wavelength calibration from a simulated neon
//                          lamp scan, the first guess off by +1.5 nm and 1 %
//   BM_RamanShiftCheck     the Raman-shift check on a simulated cyclohexane
//                          scan, the laser field at 632.5 nm for 632.8 nm
//   BM_SpikeRemoval        one scan of 2048 pixels searched for cosmic-ray
//                          spikes against the previous one (two rays a scan)
//   BM_Baseline            the fluorescence baseline of 2048 pixels fitted
//                          and subtracted (default smoothness and asymmetry)
//   BM_TimeStampRow/N      one saved scan's row reaching the time-stamp file
//                          of a series already N rows long (appended, synced)
//   BM_TimeStampWhole/N    the same file of N rows written whole, as Stop does
//
//   bench_logic [benchmark options]
//   bench_logic --write-spectrum=FILE   the test spectrum, "x<TAB>y" per line
//   bench_logic --peaks                 the pixels the search finds, one a line

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "BenchScan.h"
#include "ScanGenerator.h"
#include "calibration/LampCalibration.h"
#include "calibration/RamanShiftCheck.h"
#include "calibration/SettingsFile.h"
#include "cleaning/Baseline.h"
#include "cleaning/SpikeRemoval.h"
#include "display/AnnotationFile.h"
#include "files/ExportFormat.h"
#include "peaks/PeakSearch.h"
#include "timed/TimeStampFile.h"

namespace {

namespace fs = std::filesystem;
using vexlar::bench::kPoints;

constexpr int kAnnotationRecords = 100;
constexpr int kWavelengthMode = 0;

struct Spectrum {
    double x[kPoints];
    double y[kPoints];
    double shift[kPoints];

    Spectrum()
    {
        vexlar::bench::DefaultWavelengths(x);
        vexlar::bench::TestSpectrum(y, 0);
        for (int i = 0; i < kPoints; ++i)
            shift[i] = 0.0;
    }
};

const Spectrum& TheSpectrum()
{
    static const Spectrum spectrum;
    return spectrum;
}

// A folder of the benchmark's own for the files it writes, also the settings
// folder (XDG_CONFIG_HOME).
const fs::path& Folder()
{
    static const fs::path folder = [] {
        char pattern[] = "/tmp/vexlar-bench-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (!made) {
            std::perror("bench_logic: temporary folder");
            std::exit(1);
        }
        return fs::path(made);
    }();
    return folder;
}

void BM_PeakSearch(benchmark::State& state)
{
    const Spectrum& s = TheSpectrum();
    const vexlar::peaks::PeakCriteria criteria;  // the defaults: 100 counts, slope 10, width 1
    int found[kPoints];
    int count = 0;
    const std::function<void(int)> addPeak = [&](int pixel) { found[count++] = pixel; };
    for (auto _ : state) {
        count = 0;
        const int first = vexlar::peaks::FirstCandidate(kWavelengthMode, s.shift);
        vexlar::peaks::SearchPeaks(s.y, first, criteria, addPeak);
        benchmark::DoNotOptimize(found);
    }
    if (count != vexlar::bench::kBands)
        state.SkipWithError("the search did not find the spectrum's 20 bands");
    state.counters["peaks"] = count;
}
BENCHMARK(BM_PeakSearch);

// One 100 ms scan of the simulated spectrometer, noise and all, at its own
// (the program's default) calibration.
std::vector<double> SimulatedScan(vexlar::qdv::SampleKind sample, bool laserOn)
{
    vexlar::qdv::ScanGenerator generator(1840);
    vexlar::qdv::ChannelSetup setup;
    setup.sample = sample;
    vexlar::qdv::ScanSettings scan;
    scan.laserOn = laserOn;
    std::vector<float> raw(kPoints);
    generator.Generate(setup, scan, raw.data());
    return std::vector<double>(raw.begin(), raw.end());
}

// The simulated spectrometer's share of a live scan: eight channels of a
// 4 ms scan, noise and all, as its scan thread makes them.
void BM_SimulatedEightChannelScan(benchmark::State& state)
{
    vexlar::qdv::ScanGenerator generator(1840);
    vexlar::qdv::ChannelSetup setup;
    vexlar::qdv::ScanSettings scan;
    scan.integrationMs = 4;
    std::vector<float> out(kPoints);
    for (auto _ : state) {
        for (int channel = 0; channel < vexlar::qdv::kChannels; ++channel)
            generator.Generate(setup, scan, out.data());
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_SimulatedEightChannelScan)->Unit(benchmark::kMicrosecond);

double TrueWavelength(double pixel)
{
    return 350.0 + 0.5 * pixel + 5e-5 * pixel * pixel;
}

void BM_LampCalibration(benchmark::State& state)
{
    using namespace vexlar::calibration;
    const std::vector<double> lamp = SimulatedScan(vexlar::qdv::SampleKind::NeonLamp, false);
    Polynomial firstGuess;
    firstGuess.c = {351.5, 0.505, 5e-5, 0.0};
    LampCalibrationResult result;
    for (auto _ : state) {
        result = CalibrateFromLamp(lamp, firstGuess, NeonLines(), LampSettings{});
        benchmark::DoNotOptimize(result);
    }
    if (!result.ok) {
        state.SkipWithError(result.message.c_str());
        return;
    }
    double worst = 0.0;
    for (double p = result.firstPixel; p <= result.lastPixel; p += 0.5)
        worst = std::max(worst, std::fabs(result.calibration(p) - TrueWavelength(p)));
    state.counters["lines_used"] = result.linesUsed;
    state.counters["worst_nm"] = worst;
}
BENCHMARK(BM_LampCalibration)->Unit(benchmark::kMillisecond);

void BM_RamanShiftCheck(benchmark::State& state)
{
    using namespace vexlar::calibration;
    const std::vector<double> cyclohexane = SimulatedScan(vexlar::qdv::SampleKind::Cyclohexane, true);
    Polynomial axis;
    axis.c = {350.0, 0.5, 5e-5f, 0.0};
    const double laserField = static_cast<float>(1e7 / 632.5);
    const RamanStandard& standard = RamanStandards()[0];
    RamanCheckResult result;
    for (auto _ : state) {
        result = CheckRamanShift(cyclohexane, axis, laserField, standard.bands, RamanCheckSettings{});
        benchmark::DoNotOptimize(result);
    }
    if (!result.ok) {
        state.SkipWithError(result.message.c_str());
        return;
    }
    state.counters["bands_used"] = result.bandsUsed;
    state.counters["mean_error"] = result.meanError;
    state.counters["best_laser_nm"] = result.bestLaserNm;
}
BENCHMARK(BM_RamanShiftCheck)->Unit(benchmark::kMillisecond);

void BM_ExportFormat(benchmark::State& state)
{
    const Spectrum& s = TheSpectrum();
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string text = vexlar::files::FormatExportFile(kWavelengthMode, s.x, s.shift, s.y, kPoints);
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes) * state.iterations());
}
BENCHMARK(BM_ExportFormat)->Unit(benchmark::kMicrosecond);

void BM_SettingsSave(benchmark::State& state)
{
    vexlar::settings::WorkingSettings values = vexlar::settings::DefaultSettings();
    std::string error;
    for (auto _ : state) {
        // A value that changes, so every save has something to write.
        values.integrationTime = static_cast<std::uint16_t>(4 + state.iterations() % 100);
        if (!vexlar::settings::WriteWorkingSettings(values, &error))
            state.SkipWithError(error.c_str());
    }
}
BENCHMARK(BM_SettingsSave)->Unit(benchmark::kMicrosecond);

void BM_SettingsLoad(benchmark::State& state)
{
    std::string error;
    if (!vexlar::settings::WriteWorkingSettings(vexlar::settings::DefaultSettings(), &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    for (auto _ : state) {
        const vexlar::settings::LoadedSettings loaded = vexlar::settings::ReadWorkingSettings();
        if (!loaded.error.empty())
            state.SkipWithError(loaded.error.c_str());
        benchmark::DoNotOptimize(loaded.values.integrationTime);
    }
}
BENCHMARK(BM_SettingsLoad)->Unit(benchmark::kMicrosecond);

void BM_AnnotationDecode(benchmark::State& state)
{
    std::vector<vexlar::display::AnnotationFileRecord> records(kAnnotationRecords);
    for (int k = 0; k < kAnnotationRecords; ++k) {
        auto& r = records[static_cast<std::size_t>(k)];
        r.text = "Band " + std::to_string(k + 1);
        r.anchorX = 360.0 + 2.9 * k;
        r.anchorY = 500.0;
        r.font.height = 16;
        r.font.weight = 400;
        r.font.faceName = "Arial";
    }
    const std::string path = (Folder() / "bench.ram.anno").string();
    std::string reason;
    if (!vexlar::display::WriteAnnotationFile(path, vexlar::display::EncodeAnnotationFile(records), &reason)) {
        state.SkipWithError(reason.c_str());
        return;
    }
    for (auto _ : state) {
        const auto read = vexlar::display::ReadAnnotationFile(path);
        const auto decoded = vexlar::display::DecodeAnnotationFile(read.bytes.data(), read.bytes.size());
        if (!decoded.ok || decoded.records.size() != records.size())
            state.SkipWithError("the annotation file was refused");
    }
}
BENCHMARK(BM_AnnotationDecode)->Unit(benchmark::kMicrosecond);

// The test spectrum, scan after scan (its noise moves), with two cosmic-ray
// spikes in each at places that change from scan to scan.
constexpr int kSpikeScans = 16;
constexpr int kRaysPerScan = 2;

void BM_SpikeRemoval(benchmark::State& state)
{
    std::vector<std::vector<float>> scans(kSpikeScans, std::vector<float>(kPoints));
    for (int n = 0; n < kSpikeScans; ++n) {
        vexlar::bench::TestSpectrum(scans[n].data(), n);
        for (int k = 0; k < kRaysPerScan; ++k)
            scans[n][(n * 797 + k * 1409 + 131) % kPoints] += 1500.0f;
    }
    vexlar::cleaning::SpikeRemover remover;
    const vexlar::cleaning::ScanConditions conditions{};
    int n = 0;
    long replaced = 0;
    remover.Clean(scans[0].data(), conditions);
    for (auto _ : state) {
        n = (n + 1) % kSpikeScans;
        replaced += remover.Clean(scans[n].data(), conditions).spikePixels;
        benchmark::DoNotOptimize(remover.Cleaned());
    }
    state.counters["spike_pixels_per_scan"] =
        benchmark::Counter(static_cast<double>(replaced) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_SpikeRemoval)->Unit(benchmark::kMicrosecond);

void BM_Baseline(benchmark::State& state)
{
    // The test spectrum on a fluorescence hump of 800 counts.
    std::vector<double> y(kPoints), corrected(kPoints);
    vexlar::bench::TestSpectrum(y.data(), 0);
    for (int i = 0; i < kPoints; ++i) {
        const double u = (i - 700.0) / 300.0;
        y[i] += 800.0 * std::exp(-0.5 * u * u);
    }
    vexlar::cleaning::BaselineEstimator estimator;
    estimator.Subtract(y.data(), kPoints, corrected.data());  // sets the workspace up once
    for (auto _ : state) {
        estimator.Subtract(y.data(), kPoints, corrected.data());
        benchmark::DoNotOptimize(corrected.data());
    }
    state.counters["fit_iterations"] = estimator.LastIterations();
}
BENCHMARK(BM_Baseline)->Unit(benchmark::kMicrosecond);

std::vector<vexlar::timed::TimeStampRow> SeriesRows(std::size_t count)
{
    std::vector<vexlar::timed::TimeStampRow> rows(count);
    for (std::size_t k = 0; k < count; ++k)
        rows[k] = {"/data/series/Temp." + std::to_string(100000 + k).substr(1) + ".ram",
                   static_cast<std::uint32_t>(k * 60000)};
    return rows;
}

void BM_TimeStampRow(benchmark::State& state)
{
    const auto rows = SeriesRows(static_cast<std::size_t>(state.range(0)));
    const std::string path = (Folder() / "row.TimeStamps").string();
    vexlar::timed::TimeStampLog log;
    log.Start();
    std::string reason;
    if (!log.WriteWhole(path, rows, 0, &reason)) {
        state.SkipWithError(reason.c_str());
        return;
    }
    vexlar::timed::TimeStampRow next{"/data/series/Temp.99999.ram", 0};
    for (auto _ : state) {
        if (!log.AddRow(
                path, next, 0, [&] { return rows; }, &reason))
            state.SkipWithError(reason.c_str());
    }
}
BENCHMARK(BM_TimeStampRow)->Arg(100)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_TimeStampWhole(benchmark::State& state)
{
    const auto rows = SeriesRows(static_cast<std::size_t>(state.range(0)));
    const std::string path = (Folder() / "whole.TimeStamps").string();
    vexlar::timed::TimeStampLog log;
    std::string reason;
    for (auto _ : state) {
        if (!log.WriteWhole(path, rows, 0, &reason))
            state.SkipWithError(reason.c_str());
    }
}
BENCHMARK(BM_TimeStampWhole)->Arg(100)->Arg(100000)->Unit(benchmark::kMicrosecond);

std::string OptionValue(int argc, char** argv, const char* name)
{
    const std::size_t length = std::strlen(name);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], name, length) == 0 && argv[i][length] == '=')
            return argv[i] + length + 1;
    }
    return {};
}

bool HasOption(int argc, char** argv, const char* name)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0)
            return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    setenv("XDG_CONFIG_HOME", Folder().c_str(), 1);
    int status = 0;
    const std::string spectrumPath = OptionValue(argc, argv, "--write-spectrum");
    if (!spectrumPath.empty()) {
        status = vexlar::bench::WriteSpectrumFile(spectrumPath, TheSpectrum().x, TheSpectrum().y) ? 0 : 1;
    } else if (HasOption(argc, argv, "--peaks")) {
        const Spectrum& s = TheSpectrum();
        vexlar::peaks::SearchPeaks(s.y, vexlar::peaks::FirstCandidate(kWavelengthMode, s.shift),
                                   vexlar::peaks::PeakCriteria(), [](int pixel) { std::printf("%d\n", pixel); });
    } else {
        benchmark::Initialize(&argc, argv);
        if (benchmark::ReportUnrecognizedArguments(argc, argv))
            return 1;
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
    }
    std::error_code ignored;
    fs::remove_all(Folder(), ignored);
    return status;
}
