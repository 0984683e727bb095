// The view's own figures, measured in the real main window (CMainFrame with
// its view and chart, offscreen) with the counting driver in place of the
// spectrometer:
//
//   BM_ScanHandler/mode:N     one WM_SCAN_COMPLETE delivered to the view, from
//                             the message to the next scan requested, the
//                             scan within a display frame of the last paint
//                             (so it is handled and attached to the chart,
//                             and painted with the frame, later) (N: 0 plain,
//                             1 dark subtracted, 2 additive, 3 cursor shown)
//   BM_ScanHandlerPainted/mode:N
//                             the same, each scan a frame or more after the
//                             last (as at 10 scans a second), so it is also
//                             painted, right after the next scan is requested
//   BM_ScanHandlerCleaning    the same, plain, with View > Remove Spikes and
//                             View > Subtract Baseline both on
//   BM_ChartRedrawAlone       the chart's part of it: new intensities set with
//                             repainting off, then XrtSetValues(XRT_REPAINT, 1)
//   BM_ExportFile             File > Export Spectrum to a file (WriteExportFile)
//   BM_SpectrumFileSave/Load  the spectrum file of the live data set
//   BM_AnnotationLoad         an annotation file of 100 records into the view
//   BM_TimedSeries/table:N    a timed series of 1,500 scans 20 ms apart, each
//                             saved as a spectrum file with its time-stamp
//                             row, and the series table (N: 0 none, 1 one row
//                             per scan, 2 one row per pixel): each scan's
//                             handling, message to the next scan's timer
//                             armed, the table's writes included. Counters
//                             early_ms and late_ms are the mean per scan over
//                             scans 1-500 and 1,001-1,500 (wall), *_cpu_ms the
//                             same in CPU time of the thread and cpu_ratio the
//                             late over the early (median_cpu_ratio: of the
//                             medians, without the table's whole writes),
//                             max_ms the longest scan, table_mb the table at
//                             the end.
//
// Each scan-path benchmark counts heap allocations per iteration (counters
// heap_allocs and new_allocs). The view is 1000 x 600 pixels.
//
//   bench_view [benchmark options]
//   bench_view --alloc-report=FILE      where the allocations of a scan come
//                                       from, by part of the path (JSON)
//   bench_view --export-file=FILE       writes the export of the test spectrum
//                                       and checks it against "%.2f\t%.2f\r\n"
//   bench_view --chart-what-if=N        measures with changes to the chart's
//                                       plot widget made from outside, to show
//                                       what a change to the chart library
//                                       would gain: 1 QCustomPlot's own empty
//                                       "overlay" layer shares the paint
//                                       buffer of the others, 2 the plot is
//                                       marked opaque so its parent's
//                                       background is not filled under it
//                                       (3 both)

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>

#include <cxxabi.h>
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "AllocationCounter.h"
#include "BenchScan.h"
#include "CountingDriver.h"
#include "MessageBox.h"
#include "Messages.h"
#include "ModalDialog.h"
#include "VirtualClock.h"
#include "Xrt.h"
#include "acquisition/AppContext.h"
#include "app/MainFrame.h"
#include "app/VexlarDoc.h"
#include "display/AnnotationFile.h"
#include "files/FileDialogs.h"
#include "timed/SeriesSteps.h"
#include "timed/TimeAcquisitionDlg.h"
#include "window/AnnotationBoard.h"
#include "window/ControlCommands.h"
#include "window/FileCommands.h"
#include "window/SetupCommands.h"
#include "window/VexlarView.h"

// QCustomPlot's header spells Qt's keywords, which this project keeps off.
#define signals Q_SIGNALS
#define foreach Q_FOREACH
#include <qcustomplot.h>
#undef foreach
#undef signals

namespace {

using vexlar::bench::AllocationCount;
using vexlar::bench::DriverCalls;

constexpr int kViewWidth = 1000;
constexpr int kViewHeight = 600;
constexpr int kAnnotationRecords = 100;
constexpr int kWarmUpScans = 50;
constexpr int kTracedScans = 16;
constexpr int kChannel = 0;
// Virtual time between scans that are each painted: more than a display frame.
constexpr std::uint64_t kScanGapPaintedMs = 100;

enum ScanMode { kPlain = 0, kDarkSubtracted = 1, kAdditive = 2, kCursorShown = 3 };
const char* const kModeNames[] = {"plain", "dark subtracted", "additive", "cursor shown"};

// The program's main window as start-up makes it, its view sized to 1000 x 600.
struct Workspace {
    Workspace()
    {
        // Settings are read from and written to a folder of the benchmark's own.
        qputenv("XDG_CONFIG_HOME", QDir(folder.path()).filePath("config").toLocal8Bit());
        QDir::setCurrent(folder.path());
        app.hinst = &app;
        frame = std::make_unique<CMainFrame>(&app, &document);
        if (!frame->Create()) {
            std::fprintf(stderr, "bench_view: the main window could not be created\n");
            std::exit(1);
        }
        frame->view()->OnInitialUpdate();
        frame->show();
        Settle();
        // The frame's size that gives the view exactly 1000 x 600.
        const QSize extra = frame->size() - view()->size();
        frame->resize(kViewWidth + extra.width(), kViewHeight + extra.height());
        Settle();
        // A dark stored as the operator stores one: a scan, then Store Dark.
        vexlar::bench::TestSpectrum(Buffer(), 1000);
        DeliverScan();
        view()->instrument().StoreDark();
    }

    ~Workspace() { frame.reset(); }

    static void Settle()
    {
        for (int round = 0; round < 8; ++round)
            QCoreApplication::processEvents();
    }

    CVexlarView* view() const { return frame->view(); }
    XrtHandle chart() const { return view()->chart(); }
    // The data set the chart shows: the live data.
    XrtHandle ShownData() const
    {
        XrtHandle data = 0;
        XrtGetValues(chart(), XRT_DATA, &data);
        return data;
    }

    // Time stands still unless a benchmark moves it: scans delivered back to
    // back fall within one display frame.
    void NextFrame() { clock.Advance(kScanGapPaintedMs); }

    // The mode set up through the commands: Continuous (which also resumes
    // acquisition after an opened file), then Subtract Dark, Additive Mode
    // (a fresh sum, its count restarted by the Additive button first) and
    // the cursor as the mode wants them.

    void SetMode(ScanMode mode)
    {
        CVexlarView* v = view();
        v->OnBarParam(vexlar::BAR_CONTINUOUS);
        if (v->instrument().flags().subtractDark != (mode == kDarkSubtracted))
            v->instrument().ToggleSubtractDark();
        if (mode == kAdditive) {
            v->OnBarParam(vexlar::BAR_ADDITIVE);
            v->instrument().ToggleAdditiveMode();
        }
        if ((mode == kCursorShown) != v->IsCursorShown())
            v->OnCursor();
        Settle();
    }

    // The buffer the driver writes the selected channel's scans into: the
    // master's, the channel of a fresh settings file.
    float* Buffer() const { return app.driverParams.buffer[kChannel]; }

    // The driver's part: a new scan in the selected channel's buffer.
    void FillScan(int phase) { vexlar::bench::TestSpectrum(Buffer(), phase); }

    // The driver's message, posted as its thread posts it.
    void PostScan()
    {
        vexlar::sys::PostMessage(&view()->instrument(), WM_SCAN_COMPLETE, static_cast<vexlar::sys::WPARAM>(kChannel),
                                 0);
    }

    // The program's part: the event loop runs, as in the program, until the
    // engine has handled the message, the view drawn the chart, the buffer
    // been given back and the next scan requested (which it does only once every event already
    // waiting has been handled).
    void RunUntilNextRequest()
    {
        const std::uint64_t requested = DriverCalls().singleScan;
        while (DriverCalls().singleScan == requested)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
    }

    void DeliverScan()
    {
        PostScan();
        RunUntilNextRequest();
    }

    std::uint64_t Redraws() const
    {
        std::uint64_t count = 0;
        XrtGetRedrawCount(chart(), &count);
        return count;
    }

    std::string Path(const char* name) const { return QDir(folder.path()).filePath(name).toStdString(); }

    QTemporaryDir folder;
    // The window timers and the tick count, the chart's display frames
    // among them, run on virtual time.
    vexlar::sys::VirtualClock clock;
    vexlar::sys::MessageRecorder messages;
    // The view's own wavelength axis, as ShowTestSpectrum found it.
    std::vector<double> calibratedAxis;
    vexlar::AppContext app;
    CVexlarDoc document;
    std::unique_ptr<CMainFrame> frame;
};

Workspace* workspace = nullptr;

void AddAllocationCounters(benchmark::State& state, const AllocationCount& total)
{
    const double n = static_cast<double>(state.iterations());
    state.counters["heap_allocs"] = benchmark::Counter(static_cast<double>(total.heap) / n);
    state.counters["new_allocs"] = benchmark::Counter(static_cast<double>(total.news) / n);
}

void ScanHandler(benchmark::State& state, bool painted)
{
    Workspace& w = *workspace;
    w.SetMode(static_cast<ScanMode>(state.range(0)));
    int phase = 0;
    for (int i = 0; i < kWarmUpScans; ++i) {
        w.FillScan(++phase);
        w.DeliverScan();
    }
    w.NextFrame();
    const std::uint64_t redrawsBefore = w.Redraws();
    const std::uint64_t emptiedBefore = DriverCalls().bufferEmpty;
    const std::uint64_t requestedBefore = DriverCalls().singleScan;
    AllocationCount total;
    for (auto _ : state) {
        state.PauseTiming();
        w.FillScan(++phase);
        if (painted)
            w.NextFrame();
        w.PostScan();
        state.ResumeTiming();
        vexlar::bench::BeginCounting();
        w.RunUntilNextRequest();
        const AllocationCount c = vexlar::bench::EndCounting();
        total.heap += c.heap;
        total.news += c.news;
    }
    const auto n = static_cast<std::uint64_t>(state.iterations());
    // Every scan must have been given back and followed by a request; each
    // painted at once a frame apart, and within a frame only the first.
    const std::uint64_t redraws = w.Redraws() - redrawsBefore;
    if (redraws != (painted ? n : 1) || DriverCalls().bufferEmpty - emptiedBefore != n ||
        DriverCalls().singleScan - requestedBefore != n)
        state.SkipWithError("a scan was not given back and followed by the next request, or painted out of pace");
    w.NextFrame();
    AddAllocationCounters(state, total);
    state.counters["paints"] = benchmark::Counter(static_cast<double>(redraws) / static_cast<double>(n));
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(kModeNames[state.range(0)]);
}

void BM_ScanHandler(benchmark::State& state)
{
    ScanHandler(state, false);
}
BENCHMARK(BM_ScanHandler)->ArgName("mode")->DenseRange(kPlain, kCursorShown)->Unit(benchmark::kMicrosecond);

void BM_ScanHandlerPainted(benchmark::State& state)
{
    ScanHandler(state, true);
}
BENCHMARK(BM_ScanHandlerPainted)->ArgName("mode")->DenseRange(kPlain, kCursorShown)->Unit(benchmark::kMicrosecond);

// The plain scan path with both cleaning steps switched on through their
// commands, as the operator would.
void BM_ScanHandlerCleaning(benchmark::State& state)
{
    Workspace& w = *workspace;
    w.SetMode(kPlain);
    CVexlarView* v = w.view();
    v->instrument().ToggleRemoveSpikes();
    v->instrument().ToggleSubtractBaseline();
    int phase = 0;
    for (int i = 0; i < kWarmUpScans; ++i) {
        w.FillScan(++phase);
        w.DeliverScan();
    }
    for (auto _ : state) {
        state.PauseTiming();
        w.FillScan(++phase);
        w.NextFrame();  // each scan painted, as before pacing
        w.PostScan();
        state.ResumeTiming();
        w.RunUntilNextRequest();
    }
    v->instrument().ToggleRemoveSpikes();
    v->instrument().ToggleSubtractBaseline();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ScanHandlerCleaning)->Unit(benchmark::kMicrosecond);

// The chart's redraw alone, with the same new data the scan path attaches.
void BM_ChartRedrawAlone(benchmark::State& state)
{
    Workspace& w = *workspace;
    w.SetMode(kPlain);
    const XrtHandle live = w.ShownData();
    std::vector<double> spectrum(vexlar::kPixels);
    int phase = 0;
    AllocationCount total;
    for (auto _ : state) {
        state.PauseTiming();
        vexlar::bench::TestSpectrum(spectrum.data(), ++phase);
        XrtSetValues(w.chart(), XRT_REPAINT, 0);
        XrtDataSetYData(live, 0, spectrum.data(), vexlar::kPixels);
        XrtSetValues(w.chart(), XRT_DATA, live);
        state.ResumeTiming();
        vexlar::bench::BeginCounting();
        XrtSetValues(w.chart(), XRT_REPAINT, 1);
        const AllocationCount c = vexlar::bench::EndCounting();
        total.heap += c.heap;
        total.news += c.news;
    }
    AddAllocationCounters(state, total);
}
BENCHMARK(BM_ChartRedrawAlone)->Unit(benchmark::kMicrosecond);

// The displayed spectrum is the test spectrum, exactly, against the view's
// own wavelength axis: a spectrum file of the two opened with File > Open,
// which also stops acquisition. The axis is kept in w.calibratedAxis.
void ShowTestSpectrum(Workspace& w)
{
    CVexlarView* v = w.view();
    v->instrument().SetXAxisMode(0);
    const XrtHandle live = w.ShownData();
    std::vector<double> x(vexlar::kPixels), y(vexlar::kPixels);
    for (int i = 0; i < vexlar::kPixels; ++i)
        XrtDataGetXElementIndirect(live, 0, i, &x[i]);
    w.calibratedAxis = x;
    vexlar::bench::TestSpectrum(y.data(), 0);
    const std::string path = w.Path("test-spectrum.ram");
    const XrtHandle data = XrtDataCreate(XRT_DATA_SEPARATE_X, 1, vexlar::kPixels);
    XrtDataSetXData(data, 0, x.data(), vexlar::kPixels);
    XrtDataSetYData(data, 0, y.data(), vexlar::kPixels);
    const bool saved = XrtDataSaveToFile(data, path.c_str(), XRT_FILE_DEFAULT);
    XrtDataDestroy(data);
    if (!saved) {
        std::fprintf(stderr, "bench_view: the test spectrum could not be written\n");
        std::exit(1);
    }
    {
        const vexlar::sys::DialogStandIn<CFileDialog> chooseFile([&path](CFileDialog& dialog) {
            dialog.selectFile(QString::fromStdString(path));
            dialog.accept();
        });
        v->files().OnOpenSpectrum();
    }
    if (!w.messages.messages().empty()) {
        std::fprintf(stderr, "bench_view: the test spectrum could not be opened: %s\n",
                     w.messages.messages().back().text.c_str());
        std::exit(1);
    }
}

void BM_ExportFile(benchmark::State& state)
{
    Workspace& w = *workspace;
    ShowTestSpectrum(w);
    const std::string path = w.Path("export.txt");
    for (auto _ : state) {
        if (!w.view()->files().WriteExportFile(path.c_str()))
            state.SkipWithError("the export file could not be written");
    }
    state.SetItemsProcessed(state.iterations() * vexlar::kPixels);
}
BENCHMARK(BM_ExportFile)->Unit(benchmark::kMicrosecond);

void BM_SpectrumFileSave(benchmark::State& state)
{
    Workspace& w = *workspace;
    ShowTestSpectrum(w);
    const std::string path = w.Path("spectrum.ram");
    for (auto _ : state) {
        if (!XrtDataSaveToFile(w.ShownData(), path.c_str(), XRT_FILE_DEFAULT))
            state.SkipWithError("the spectrum file could not be written");
    }
}
BENCHMARK(BM_SpectrumFileSave)->Unit(benchmark::kMicrosecond);

void BM_SpectrumFileLoad(benchmark::State& state)
{
    Workspace& w = *workspace;
    ShowTestSpectrum(w);
    const std::string path = w.Path("spectrum.ram");
    XrtDataSaveToFile(w.ShownData(), path.c_str(), XRT_FILE_DEFAULT);
    for (auto _ : state) {
        const XrtHandle data = XrtDataCreateFromFile(path.c_str(), XRT_FILE_DEFAULT);
        if (data == 0)
            state.SkipWithError("the spectrum file could not be read");
        XrtDataDestroy(data);
    }
}
BENCHMARK(BM_SpectrumFileLoad)->Unit(benchmark::kMicrosecond);

std::vector<vexlar::display::AnnotationFileRecord> AnnotationRecords()
{
    std::vector<vexlar::display::AnnotationFileRecord> records(kAnnotationRecords);
    for (int k = 0; k < kAnnotationRecords; ++k) {
        auto& r = records[static_cast<std::size_t>(k)];
        r.text = "Band " + std::to_string(k + 1) + " at " + std::to_string(400 + 3 * k) + " nm";
        r.anchorX = 360.0 + 2.9 * k;
        r.anchorY = 500.0 + 30.0 * (k % 10);
        r.pixelPosition = {60 + 9 * k, 100 + 4 * (k % 10)};
        r.screenRect = {60 + 9 * k, 100 + 4 * (k % 10), 160 + 9 * k, 118 + 4 * (k % 10)};
        r.font.height = vexlar::kAnnotationFontHeight;
        r.font.weight = 400;
        r.font.faceName = "Arial";
    }
    return records;
}

// File > Open's last step: the annotation file beside the spectrum, 100
// records, read, checked and put on the chart with one redraw.
void BM_AnnotationLoad(benchmark::State& state)
{
    Workspace& w = *workspace;
    ShowTestSpectrum(w);
    const std::string base = w.Path("annotated.ram");
    std::string reason;
    if (!vexlar::display::WriteAnnotationFile(base + ".anno",
                                              vexlar::display::EncodeAnnotationFile(AnnotationRecords()), &reason)) {
        state.SkipWithError(("the annotation file could not be written: " + reason).c_str());
        return;
    }
    for (auto _ : state) {
        if (!w.view()->annotations().LoadAnnotations(base.c_str()))
            state.SkipWithError("the annotation file was refused");
    }
    w.view()->annotations().ClearAllAnnotations();
}
BENCHMARK(BM_AnnotationLoad)->Unit(benchmark::kMicrosecond);

// A series long enough for a table of one row per pixel to reach tens of
// megabytes, its scans as fast as the spectrometer gives them. Each window
// spans the same number of the table's timed whole writes.
constexpr unsigned kSeriesScans = 1500;
constexpr std::uint64_t kSeriesScanMs = 20;
constexpr unsigned kSeriesWindowScans = 500;

// Time Acquisition > Configure: no delays, no laser toggling, spectrum files
// under base, and the series table in layout table (0: none).
void ConfigureSeries(Workspace& w, const std::string& base, int table)
{
    const vexlar::sys::DialogStandIn<CTimeAcquisitionDlg> answer([&](CTimeAcquisitionDlg& d) {
        using Dlg = CTimeAcquisitionDlg;
        d.check(Dlg::kToggleLaserId)->setChecked(false);
        d.check(Dlg::kStoreDarkId)->setChecked(false);
        d.edit(Dlg::kLaserWarmupTimeId)->setText("0");
        d.edit(Dlg::kDelayBeforeFirstId)->setText("0");
        d.edit(Dlg::kDelayBetweenId)->setText("0");
        d.edit(Dlg::kNumberOfAcquisitionsId)->setText(QString::number(kSeriesScans));
        d.edit(Dlg::kBaseFilenameId)->setText(QString::fromStdString(base));
        d.formatList()->setCurrentIndex(0);
        d.check(Dlg::kSeriesTableId)->setChecked(table != 0);
        if (table != 0)
            d.tableLayoutList()->setCurrentIndex(table - 1);
        d.accept();
    });
    w.view()->setup().OnTimeAcqConfigure();
}

// The CPU time of this thread so far, in milliseconds: what the disk's own
// pace (each time-stamp row is synced) and other processes leave out.
double ThreadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

void BM_TimedSeries(benchmark::State& state)
{
    Workspace& w = *workspace;
    CVexlarView* v = w.view();
    const std::string folder = w.Path("series");
    for (auto _ : state) {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directory(folder);
        ConfigureSeries(w, folder + "/Temp", static_cast<int>(state.range(0)));
        // Acquisition stopped by the Additive button and the scan then in
        // flight arrived: every scan from here on is one the series asks for.
        w.SetMode(kPlain);
        v->OnBarParam(vexlar::BAR_ADDITIVE);
        w.PostScan();
        Workspace::Settle();
        v->instrument().StartSeries();
        std::vector<double> wall, cpu;
        for (unsigned scan = 0; scan <= kSeriesScans; ++scan) {
            w.clock.Advance(kSeriesScanMs);  // the scan asked for, and its time taken
            w.FillScan(static_cast<int>(scan));
            const auto start = std::chrono::steady_clock::now();
            const double startCpu = ThreadCpuMs();
            w.PostScan();
            while (!w.clock.IsTimerSet(&v->instrument(), vexlar::timed::kNextSeriesScanTimerId))
                QCoreApplication::processEvents(QEventLoop::AllEvents);
            cpu.push_back(ThreadCpuMs() - startCpu);
            wall.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
        v->instrument().StopSeries();
        w.PostScan();  // the scan cycle's own scan
        Workspace::Settle();
        // Scan 0 is thrown away: saved scan k is at [k]. The means carry
        // the table's whole writes, the medians what every scan costs.
        const auto mean = [](const std::vector<double>& values, unsigned first) {
            double sum = 0;
            for (unsigned k = first; k < first + kSeriesWindowScans; ++k)
                sum += values[k];
            return sum / kSeriesWindowScans;
        };
        const auto median = [](const std::vector<double>& values, unsigned first) {
            std::vector<double> part(values.begin() + first, values.begin() + first + kSeriesWindowScans);
            std::nth_element(part.begin(), part.begin() + kSeriesWindowScans / 2, part.end());
            return part[kSeriesWindowScans / 2];
        };
        constexpr unsigned kLate = kSeriesScans - kSeriesWindowScans + 1;
        state.counters["early_ms"] = mean(wall, 1);
        state.counters["late_ms"] = mean(wall, kLate);
        state.counters["early_cpu_ms"] = mean(cpu, 1);
        state.counters["late_cpu_ms"] = mean(cpu, kLate);
        state.counters["cpu_ratio"] = mean(cpu, kLate) / mean(cpu, 1);
        state.counters["median_cpu_ratio"] = median(cpu, kLate) / median(cpu, 1);
        state.counters["max_ms"] = *std::max_element(wall.begin() + 1, wall.end());
        std::error_code error;
        const auto bytes = std::filesystem::file_size(folder + "/Temp.series.csv", error);
        state.counters["table_mb"] = error ? 0.0 : static_cast<double>(bytes) / 1e6;
        if (!w.messages.messages().empty())
            state.SkipWithError(("the series reported: " + w.messages.messages().back().text).c_str());
        std::filesystem::remove_all(folder);
    }
    state.SetLabel(state.range(0) == 0 ? "no table" : state.range(0) == 1 ? "one row per scan" : "one row per pixel");
}
BENCHMARK(BM_TimedSeries)->ArgName("table")->DenseRange(0, 2)->Iterations(1)->Unit(benchmark::kMillisecond);

// --- Where allocations come from ---------------------------------------------------

std::string FrameName(void* address, bool* inQCustomPlot)
{
    Dl_info info{};
    if (!dladdr(address, &info) || !info.dli_sname) {
        *inQCustomPlot = info.dli_fname && std::strstr(info.dli_fname, "QCustomPlot");
        return "?";
    }
    *inQCustomPlot = info.dli_fname && std::strstr(info.dli_fname, "QCustomPlot");
    int status = 0;
    char* demangled = abi::__cxa_demangle(info.dli_sname, nullptr, nullptr, &status);
    std::string name = status == 0 && demangled ? demangled : info.dli_sname;
    std::free(demangled);
    return name;
}

bool Contains(const std::string& text, const char* part)
{
    return text.find(part) != std::string::npos;
}

// The part of the scan path an allocation belongs to, from its call stack.
std::string Classify(const std::vector<std::string>& names)
{
    for (const std::string& n : names) {
        if (Contains(n, "QCustomPlot::replot"))
            return "chart: drawing (QCustomPlot::replot)";
    }
    for (const std::string& n : names) {
        if (Contains(n, "vexlar::xrt::") || n.rfind("Xrt", 0) == 0)
            return "chart: library, before drawing";
    }
    for (const std::string& n : names) {
        if (Contains(n, "SetStatusText"))
            return "view: readout text to the status bar";
    }
    for (const std::string& n : names) {
        if (Contains(n, "QLayout::activate"))
            return "window: layout redone (status text resized)";
    }
    for (const std::string& n : names) {
        if (Contains(n, "QWidgetRepaintManager::"))
            return "window: other widgets repainted (status bar)";
    }
    for (const std::string& n : names) {
        if (Contains(n, "UpdateReadout"))
            return "view: readout text";
    }
    for (const std::string& n : names) {
        if (Contains(n, "RequestNextScanAfterPendingMessages") || Contains(n, "QCoreApplication::postEvent"))
            return "engine: next-scan request (posted event)";
    }
    return "view: other";
}

std::string JsonText(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        if (static_cast<unsigned char>(c) < 0x20)
            continue;
        out += c;
    }
    return out + "\"";
}

struct Attribution {
    std::map<std::string, std::uint64_t> counts;
    std::map<std::string, std::vector<std::string>> example;  // one stack per part
    std::uint64_t heap = 0;
    std::uint64_t news = 0;
    bool truncated = false;  // more allocations than stacks kept
};

template <class Step>
Attribution Attribute(int scans, Step step)
{
    Attribution a;
    vexlar::bench::BeginTracing();
    for (int i = 0; i < scans; ++i)
        step(i);
    const AllocationCount counted = vexlar::bench::EndTracing();
    a.heap = counted.heap;
    a.news = counted.news;
    a.truncated = vexlar::bench::TraceCount() < counted.heap;
    for (std::size_t t = 0; t < vexlar::bench::TraceCount(); ++t) {
        const auto& trace = vexlar::bench::Trace(t);
        std::vector<std::string> names;
        for (int f = 1; f < trace.depth; ++f) {
            bool inQcp = false;
            names.push_back(FrameName(trace.frames[f], &inQcp));
        }
        const std::string part = Classify(names);
        ++a.counts[part];
        if (!a.example.count(part))
            a.example[part] = names;
    }
    return a;
}

void WriteAttribution(std::ostream& out, const char* name, const Attribution& a, int scans)
{
    out << "    " << JsonText(name) << ": {\"scans\": " << scans
        << ", \"heap_per_scan\": " << static_cast<double>(a.heap) / scans
        << ", \"new_per_scan\": " << static_cast<double>(a.news) / scans
        << ", \"stacks_truncated\": " << (a.truncated ? "true" : "false") << ", \"parts\": {";
    bool first = true;
    for (const auto& [part, count] : a.counts) {
        out << (first ? "" : ", ") << JsonText(part) << ": " << static_cast<double>(count) / scans;
        first = false;
    }
    out << "}, \"examples\": {";
    first = true;
    for (const auto& [part, names] : a.example) {
        out << (first ? "" : ", ") << JsonText(part) << ": [";
        const std::size_t shown = std::min<std::size_t>(names.size(), 14);
        for (std::size_t k = 0; k < shown; ++k)
            out << (k ? ", " : "") << JsonText(names[k]);
        out << "]";
        first = false;
    }
    out << "}}";
}

int AllocationReport(const std::string& path)
{
    Workspace& w = *workspace;
    std::ostringstream out;
    out << "{\n  \"view_size\": [" << w.view()->width() << ", " << w.view()->height() << "],\n  \"paths\": {\n";
    int phase = 0;
    for (int mode = kPlain; mode <= kCursorShown; ++mode) {
        w.SetMode(static_cast<ScanMode>(mode));
        for (int i = 0; i < kWarmUpScans; ++i) {
            w.FillScan(++phase);
            w.DeliverScan();
        }
        const Attribution a = Attribute(kTracedScans, [&](int) {
            vexlar::bench::PauseCounting();  // the driver's part is not the view's
            w.FillScan(++phase);
            w.PostScan();
            vexlar::bench::ResumeCounting();
            w.RunUntilNextRequest();
        });
        WriteAttribution(out, kModeNames[mode], a, kTracedScans);
        out << ",\n";
    }
    // The chart's redraw alone, for comparison.
    w.SetMode(kPlain);
    const XrtHandle live = w.ShownData();
    std::vector<double> spectrum(vexlar::kPixels);
    const Attribution redraw = Attribute(kTracedScans, [&](int) {
        vexlar::bench::PauseCounting();
        vexlar::bench::TestSpectrum(spectrum.data(), ++phase);
        XrtSetValues(w.chart(), XRT_REPAINT, 0);
        XrtDataSetYData(live, 0, spectrum.data(), vexlar::kPixels);
        XrtSetValues(w.chart(), XRT_DATA, live);
        vexlar::bench::ResumeCounting();
        XrtSetValues(w.chart(), XRT_REPAINT, 1);
    });
    WriteAttribution(out, "chart redraw alone", redraw, kTracedScans);
    out << "\n  }\n}\n";
    std::ofstream file(path, std::ios::binary);
    file << out.str();
    return file ? 0 : 1;
}

// The export of the test spectrum, checked byte for byte against printf.
int ExportFile(const std::string& path)
{
    Workspace& w = *workspace;
    ShowTestSpectrum(w);
    if (!w.view()->files().WriteExportFile(path.c_str()))
        return 1;
    std::string expected;
    char line[128];
    std::vector<double> y(vexlar::kPixels);
    vexlar::bench::TestSpectrum(y.data(), 0);
    for (int i = 0; i < vexlar::kPixels; ++i) {
        std::snprintf(line, sizeof line, "%.2f\t%.2f\r\n", w.calibratedAxis[i], y[i]);
        expected += line;
    }
    std::ifstream file(path, std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    double x[vexlar::bench::kPoints];
    vexlar::bench::DefaultWavelengths(x);
    const bool sameAxis = std::memcmp(x, w.calibratedAxis.data(), sizeof x) == 0;
    std::printf("{\"bytes\": %zu, \"identical_to_printf\": %s, \"axis_is_default_wavelengths\": %s}\n", written.size(),
                written == expected ? "true" : "false", sameAxis ? "true" : "false");
    return written == expected && sameAxis ? 0 : 2;
}

bool ApplyChartWhatIf(int changes)
{
    auto* plot = workspace->view()->findChild<QCustomPlot*>();
    if (!plot)
        return false;
    if (changes & 1) {
        QCPLayer* overlay = plot->layer(QStringLiteral("overlay"));
        if (!overlay)
            return false;
        overlay->setMode(QCPLayer::lmLogical);
    }
    if (changes & 2)
        plot->setAttribute(Qt::WA_OpaquePaintEvent);
    return true;
}

std::string OptionValue(int argc, char** argv, const char* name)
{
    const std::size_t length = std::strlen(name);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], name, length) == 0 && argv[i][length] == '=')
            return argv[i] + length + 1;
    }
    return {};
}

}  // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    Workspace w;
    workspace = &w;
    if (w.view()->width() != kViewWidth || w.view()->height() != kViewHeight)
        std::fprintf(stderr, "bench_view: the view is %d x %d, not %d x %d\n", w.view()->width(), w.view()->height(),
                     kViewWidth, kViewHeight);

    const std::string whatIf = OptionValue(argc, argv, "--chart-what-if");
    if (!whatIf.empty()) {
        if (!ApplyChartWhatIf(std::atoi(whatIf.c_str()))) {
            std::fprintf(stderr, "bench_view: the chart's plot widget was not found\n");
            return 1;
        }
        benchmark::AddCustomContext("chart_what_if", whatIf);
        for (int i = 1; i < argc; ++i) {
            if (std::strncmp(argv[i], "--chart-what-if=", 16) == 0)
                argv[i] = const_cast<char*>("--benchmark_color=false");
        }
    }
    const std::string report = OptionValue(argc, argv, "--alloc-report");
    if (!report.empty())
        return AllocationReport(report);
    const std::string exportPath = OptionValue(argc, argv, "--export-file");
    if (!exportPath.empty())
        return ExportFile(exportPath);

    benchmark::AddCustomContext("view", std::to_string(w.view()->width()) + "x" + std::to_string(w.view()->height()));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    workspace = nullptr;
    return 0;
}
