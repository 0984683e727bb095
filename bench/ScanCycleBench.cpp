// The per-scan path of the view: a scan-complete message turned into the
// displayed spectrum, the chart updated and drawn once, the buffer given
// back and the next scan requested. The view runs in a shown 1000 x 600
// window offscreen, with the recording driver in place of the spectrometer.
//
//   bench_scan_cycle [--benchmark_filter=...]

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <QWidget>

#include <cmath>
#include <cstdlib>
#include <memory>

#include "MessageBox.h"
#include "acquisition/AppContext.h"
#include "acquisition/VexlarView.h"
#include "support/RecordingDriver.h"

namespace {

constexpr int kWidth = 1000;
constexpr int kHeight = 600;

struct Bench {
    Bench()
    {
        app.hinst = &app;
        window.resize(kWidth, kHeight);
        view = std::make_unique<CVexlarView>();
        view->Create(&app, QRect(0, 0, kWidth, kHeight), &window);
        window.show();
        QCoreApplication::processEvents();
    }
    ~Bench() { view.reset(); }

    // The driver's part: a noisy spectrum with one band in channel 0.
    void Fill(int scan)
    {
        float* raw = view->raw[0];
        for (int i = 0; i < vexlar::kPixels; ++i)
            raw[i] = 120.0f + 2500.0f * std::exp(-0.5f * std::pow((i - 900 - scan % 40) / 6.0f, 2.0f))
                     + static_cast<float>((i * 7919 + scan * 104729) % 31);
    }

    vexlar::sys::MessageRecorder messages;
    vexlar::AppContext app;
    QWidget window;
    std::unique_ptr<CVexlarView> view;
};

void ScanComplete(benchmark::State& state, bool subtractDark, bool additive)
{
    Bench b;
    b.view->subtractDark = subtractDark ? 1 : 0;
    b.view->additive = additive ? 1 : 0;
    b.view->darkStored = 1;
    int scan = 0;
    for (auto _ : state) {
        state.PauseTiming();
        b.Fill(++scan);
        vexlar::test::RecordingDriver::Get().ClearCalls();
        state.ResumeTiming();
        b.view->OnScanComplete(0);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_ScanComplete(benchmark::State& state) { ScanComplete(state, false, false); }
void BM_ScanCompleteDarkSubtracted(benchmark::State& state) { ScanComplete(state, true, false); }
void BM_ScanCompleteAdditive(benchmark::State& state) { ScanComplete(state, false, true); }

BENCHMARK(BM_ScanComplete)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ScanCompleteDarkSubtracted)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ScanCompleteAdditive)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
