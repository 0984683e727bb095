// Replot cost of the live spectrum: 2048 points in a 1000 x 600 chart,
// offscreen, through the chart library and with QCustomPlot on its own.
//
//   bench_chart_replot [--benchmark_filter=...]

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QWidget>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "Font.h"
#include "Xrt.h"

// QCustomPlot's header spells Qt's keywords, which this project keeps off.
#define signals Q_SIGNALS
#define foreach Q_FOREACH
#include <qcustomplot.h>
#undef foreach
#undef signals

namespace {

constexpr int kPoints = 2048;
constexpr int kWidth = 1000;
constexpr int kHeight = 600;
constexpr int kPeakLabels = 100;
constexpr int kAnnotations = 100;
constexpr int kShownLabels = 10;

std::vector<double> Wavelengths()
{
    std::vector<double> x(kPoints);
    for (int i = 0; i < kPoints; ++i)
        x[i] = 350.0 + 310.0 * i / (kPoints - 1);
    return x;
}

// A spectrum with some noise; phase moves it from scan to scan.
void FillScan(std::vector<double>* y, int phase)
{
    y->resize(kPoints);
    for (int i = 0; i < kPoints; ++i) {
        const double band = 3000.0 * std::exp(-0.5 * std::pow((i - 900 - phase % 50) / 20.0, 2));
        (*y)[i] = 300.0 + band + ((i * 7919 + phase * 104729) % 97);
    }
}

XrtDataStyle SpectrumStyle()
{
    XrtDataStyle style;
    const std::uint32_t words[] = {2, 2, 0x0000FF, 1, 2, 0x0000FF, 0, 0, 0};
    std::copy(std::begin(words), std::end(words), style.words);
    return style;
}

// The chart as the program sets it up, in a shown window.
struct XrtChart {
    QWidget window;
    XrtHandle chart = 0;
    XrtHandle data = 0;
    std::vector<double> x = Wavelengths();
    std::vector<double> y;

    explicit XrtChart(bool withTextAreas)
    {
        window.resize(kWidth, kHeight);
        window.show();
        chart = XrtCreate();
        XrtAttachWindow(chart, &window);
        data = XrtDataCreate(XRT_DATA_SEPARATE_X, 1, kPoints);
        FillScan(&y, 0);
        XrtDataSetXData(data, 0, x.data(), kPoints, 0);
        XrtDataSetYData(data, 0, y.data(), kPoints, 0);
        const XrtDataStyle style = SpectrumStyle();
        XrtSetValues(chart, XRT_REPAINT, 0);
        XrtSetValues(chart, XRT_MARGIN_BOTTOM, 60);
        XrtSetValues(chart, XRT_MARGIN_TOP, 18);
        XrtSetValues(chart, XRT_MARGIN_RIGHT, 40);
        XrtSetValues(chart, XRT_MARGIN_LEFT, 60);
        XrtSetValues(chart, XRT_X_MIN, x.front());
        XrtSetValues(chart, XRT_X_MAX, x.back());
        XrtSetValues(chart, XRT_Y_MIN, 0.0);
        XrtSetValues(chart, XRT_Y_MAX, 4100.0);
        XrtSetValues(chart, XRT_X_TITLE, "Wavelength (nm)");
        XrtSetValues(chart, XRT_Y_TITLE, "Intensity");
        XrtSetValues(chart, XRT_DATA, data);
        XrtSetNthDataStyle(chart, 0, &style);
        XrtSetValues(chart, XRT_WIDTH, kWidth);
        XrtSetValues(chart, XRT_HEIGHT, kHeight);
        if (withTextAreas)
            AddTextAreas();
        XrtSetValues(chart, XRT_REPAINT, 1);
        QApplication::processEvents();
    }

    // As the program has them: 100 peak labels (a few shown) and 100 hidden
    // annotations, and the cursor shown.
    void AddTextAreas()
    {
        auto peakFont = vexlar::sys::CreateFont(14, 0, 900, 900, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
        const char* label[] = {"480.12", nullptr};
        for (int i = 0; i < kPeakLabels; ++i) {
            XrtHandle text = XrtTextAreaCreate(chart);
            XrtTextAreaSetValues(text, XRT_TEXT_FONT, peakFont);
            XrtTextAreaSetValues(text, XRT_TEXT_ATTACH, XRT_ATTACH_DATA_POINT);
            XrtTextAreaSetValues(text, XRT_TEXT_PLACEMENT, XRT_PLACE_ABOVE);
            XrtTextAreaSetValues(text, XRT_TEXT_POINT, 100 + 180 * i % 1900);
            XrtTextAreaSetValues(text, XRT_TEXT_LINES, label);
            XrtTextAreaSetValues(text, XRT_TEXT_SHOWN, i < kShownLabels ? 1 : 0);
        }
        vexlar::sys::DeleteFont(peakFont);
        for (int i = 0; i < kAnnotations; ++i)
            XrtTextAreaCreate(chart);
        XrtSetValues(chart, XRT_CURSOR_POINT, 1000);
        XrtSetValues(chart, XRT_CURSOR_SHOWN, 1);
    }

    ~XrtChart()
    {
        XrtDestroy(chart);
        XrtDataDestroy(data);
    }
};

// QCustomPlot alone, set up alike: same data, red one-pixel line, titles.
struct PlainPlot {
    QWidget window;
    QCustomPlot* plot;
    std::vector<double> x = Wavelengths();
    std::vector<double> y;

    explicit PlainPlot(bool antialiased)
    {
        window.resize(kWidth, kHeight);
        plot = new QCustomPlot(&window);
        plot->setGeometry(0, 0, kWidth, kHeight);
        window.show();
        FillScan(&y, 0);
        QCPGraph* graph = plot->addGraph();
        graph->setPen(QPen(Qt::red, 0));
        graph->setAntialiased(antialiased);
        graph->setData(QVector<double>(x.begin(), x.end()), QVector<double>(y.begin(), y.end()), true);
        plot->xAxis->setRange(x.front(), x.back());
        plot->yAxis->setRange(0.0, 4100.0);
        plot->xAxis->setLabel(QStringLiteral("Wavelength (nm)"));
        plot->yAxis->setLabel(QStringLiteral("Intensity"));
        plot->replot(QCustomPlot::rpImmediateRefresh);
        QApplication::processEvents();
    }

    // New intensities written into the graph's points.
    void SetScan(const std::vector<double>& values)
    {
        int i = 0;
        auto container = plot->graph(0)->data();
        for (auto it = container->begin(); it != container->end(); ++it, ++i)
            it->value = values[i];
    }
};

void BM_PlainQCustomPlotReplot(benchmark::State& state)
{
    PlainPlot plain(state.range(0) != 0);
    for (auto _ : state)
        plain.plot->replot(QCustomPlot::rpImmediateRefresh);
}
BENCHMARK(BM_PlainQCustomPlotReplot)->ArgName("antialiased")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

void BM_PlainQCustomPlotNewScan(benchmark::State& state)
{
    PlainPlot plain(false);
    std::vector<double> scan;
    int phase = 0;
    for (auto _ : state) {
        state.PauseTiming();
        FillScan(&scan, ++phase);
        state.ResumeTiming();
        plain.SetScan(scan);
        plain.plot->replot(QCustomPlot::rpImmediateRefresh);
    }
}
BENCHMARK(BM_PlainQCustomPlotNewScan)->Unit(benchmark::kMicrosecond);

// The same new scan with the graph on a layer of its own buffer, and only
// that layer drawn again (axes, titles and background are kept), the
// window then repainted: what a chart that redraws only the data when only
// the intensities changed would cost.
void BM_PlainQCustomPlotNewScanLayerOnly(benchmark::State& state)
{
    PlainPlot plain(false);
    plain.plot->addLayer(QStringLiteral("spectrum"), plain.plot->layer(QStringLiteral("main")), QCustomPlot::limAbove);
    QCPLayer* layer = plain.plot->layer(QStringLiteral("spectrum"));
    layer->setMode(QCPLayer::lmBuffered);
    plain.plot->graph(0)->setLayer(layer);
    plain.plot->setAttribute(Qt::WA_OpaquePaintEvent);
    plain.plot->replot(QCustomPlot::rpImmediateRefresh);
    std::vector<double> scan;
    int phase = 0;
    for (auto _ : state) {
        state.PauseTiming();
        FillScan(&scan, ++phase);
        state.ResumeTiming();
        plain.SetScan(scan);
        layer->replot();
        plain.plot->repaint();
    }
}
BENCHMARK(BM_PlainQCustomPlotNewScanLayerOnly)->Unit(benchmark::kMicrosecond);

void BM_XrtRepaint(benchmark::State& state)
{
    XrtChart chart(false);
    for (auto _ : state)
        XrtSetValues(chart.chart, XRT_REPAINT, 1);
}
BENCHMARK(BM_XrtRepaint)->Unit(benchmark::kMicrosecond);

// The program's per-scan path: repaint off, new Y data, the data set shown
// again, repaint on.
void BM_XrtNewScan(benchmark::State& state)
{
    XrtChart chart(state.range(0) != 0);
    std::vector<double> scan;
    int phase = 0;
    for (auto _ : state) {
        state.PauseTiming();
        FillScan(&scan, ++phase);
        state.ResumeTiming();
        XrtSetValues(chart.chart, XRT_REPAINT, 0);
        XrtDataSetYData(chart.data, 0, scan.data(), kPoints, 0);
        XrtSetValues(chart.chart, XRT_DATA, chart.data);
        XrtSetValues(chart.chart, XRT_REPAINT, 1);
    }
}
BENCHMARK(BM_XrtNewScan)->ArgName("textAreas")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
