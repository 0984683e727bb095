// Spike removal and the baseline in the program: through the view's
// commands, the driver's buffers and the chart, the files, the main window's
// menu and status bar, the dialog and the settings file.

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QStatusBar>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "MessageBox.h"
#include "ScanGenerator.h"
#include "VirtualClock.h"
#include "Xrt.h"
#include "cleaning/BaselineDlg.h"
#include "commands/CommandIds.h"
#include "peaks/PeakFinderDlg.h"
#include "support/DecimalCommaLanguage.h"
#include "support/DialogOperator.h"
#include "support/FileOperator.h"
#include "support/FrameFixture.h"
#include "support/TempDir.h"
#include "support/ViewFixture.h"
#include "timed/TimeAcquisitionDlg.h"
#include "window/ControlCommands.h"

using namespace vexlar;
using namespace vexlar::test;

namespace {

using Counts = std::vector<float>;

// What the chart shows: the Y values of the data set it draws.
std::vector<double> Shown(XrtHandle chart)
{
    XrtHandle data = 0;
    XrtGetValues(chart, XRT_DATA, &data);
    std::vector<double> y(kPixels, std::nan(""));
    for (int i = 0; i < kPixels; ++i)
        XrtDataGetYElementIndirect(data, 0, i, &y[i]);
    return y;
}

// Simulated cyclohexane scans, twice from one seed: with cosmic rays as the
// driver would deliver them, and without (the truth).
class Simulator {
public:
    explicit Simulator(double cosmicRate, double fluorescence = 1.0) : with_(25), without_(25)
    {
        setup_.cosmicRate = cosmicRate;
        setup_.fluorescence = fluorescence;
    }
    qdv::ScanSettings settings;
    Counts struck = Counts(kPixels);
    Counts truth = Counts(kPixels);

    void Next()
    {
        qdv::ChannelSetup clean = setup_;
        clean.cosmicRate = 0.0;
        with_.Generate(setup_, settings, struck.data());
        without_.Generate(clean, settings, truth.data());
    }
    int Events() const { return static_cast<int>(with_.LastCosmicEvents().size()); }

private:
    qdv::ChannelSetup setup_;
    qdv::ScanGenerator with_;
    qdv::ScanGenerator without_;
};

// The simulated spectrometer in the driver's place. Each scan request is
// taken with the laser and the acquisition values of the moment it was made
// (the simulator takes them as the scan starts; the number of readings
// averaged as the driver was last given it), and answered when the test
// says, with a cyclohexane scan with cosmic rays and the same scan without
// them (the truth).
class SimulatedSpectrometer {
public:
    SimulatedSpectrometer(double cosmicRate, std::uint64_t seed) : with_(seed), without_(seed)
    {
        setup_.cosmicRate = cosmicRate;
    }
    ~SimulatedSpectrometer() { RecordingDriver::Get().onCall = nullptr; }

    // Every request from now on is kept, until the driver is told to stop.
    void Listen()
    {
        RecordingDriver::Get().onCall = [this](const DriverCall& call) {
            if (call.name == "QDV_V7400StrobeEnable") {
                laserOn_ = call.argument != 0;
            } else if (call.name == "QDV_Register" || call.name == "QDV_ParamSet") {
                average_ = call.block.Average;
            } else if (call.name == "QDV_SingleScan") {
                const DriverParams& p = *RecordingDriver::Get().registeredBlock;
                requests_.push_back({p.IntegrationTime, average_, p.Boxcar, laserOn_, p.CorrectDark != 0});
            } else if (call.name == "QDV_Stop") {
                requests_.clear();
            }
        };
    }
    bool Owed() const { return !requests_.empty(); }

    // The oldest request answered and delivered; rays the test places
    // (pixel, counts) are added to the scan before the driver's boxcar.
    void Answer(const std::vector<std::pair<int, float>>& placed = {})
    {
        ASSERT_TRUE(Owed()) << "no scan was asked for";
        settings = requests_.front();
        requests_.erase(requests_.begin());
        qdv::ScanSettings unsmoothed = settings;
        unsmoothed.boxcar = 0;
        qdv::ChannelSetup clean = setup_;
        clean.cosmicRate = 0.0;
        ASSERT_TRUE(with_.Generate(setup_, unsmoothed, struck.data()));
        ASSERT_TRUE(without_.Generate(clean, unsmoothed, truth.data()));
        events.assign(with_.LastCosmicEvents().begin(), with_.LastCosmicEvents().end());
        for (const auto& [pixel, counts] : placed) {
            struck[pixel] += counts;
            events.push_back({pixel, counts, -1, 0.0});
        }
        Smooth(struck, settings.boxcar);
        Smooth(truth, settings.boxcar);
        RecordingDriver::Get().FillPixels(0, struck.data());
        RecordingDriver::Get().Post(WM_SCAN_COMPLETE, 0);
        // Delivered as the view's fixture does, its next-scan requests too.
        for (int round = 0; round < 4; ++round)
            QCoreApplication::sendPostedEvents();
    }

    qdv::ScanSettings settings;  // of the scan answered last
    Counts struck = Counts(kPixels);
    Counts truth = Counts(kPixels);
    std::vector<qdv::CosmicEvent> events;

private:
    // The driver's boxcar: the mean over pixel i − box ... i + box.
    static void Smooth(Counts& scan, int box)
    {
        if (box <= 0)
            return;
        std::vector<double> prefix(kPixels + 1, 0.0);
        for (int i = 0; i < kPixels; ++i)
            prefix[i + 1] = prefix[i] + scan[i];
        for (int i = 0; i < kPixels; ++i) {
            const int first = std::max(i - box, 0);
            const int last = std::min(i + box, kPixels - 1);
            scan[i] = static_cast<float>((prefix[last + 1] - prefix[first]) / (last - first + 1));
        }
    }

    qdv::ChannelSetup setup_;
    qdv::ScanGenerator with_;
    qdv::ScanGenerator without_;
    bool laserOn_ = false;
    int average_ = 1;
    std::vector<qdv::ScanSettings> requests_;
};

// The scan-to-scan deviation of a pixel at that many counts after a boxcar
// of half-width box (the simulator's noise): a pixel that took the previous
// scan's value differs from this scan's truth by about that much.
double DifferenceDeviation(double counts, int box)
{
    const double photo = std::max(counts - qdv::kDarkOffsetCounts, 0.0);
    const double reading = std::sqrt(photo / qdv::kElectronsPerCount + qdv::kReadNoiseCounts * qdv::kReadNoiseCounts);
    return std::sqrt(2.0) * reading / std::sqrt(2.0 * box + 1.0);
}

// Pixels where shown differs from expected by more than ten times the
// scan-to-scan noise of the truth (levels), summed over scans; the first is
// described in *first. A ray fainter than that after the boxcar stands no
// higher than the removal's threshold (eight times the noise of the local
// rise, about nine times a pixel's scan-to-scan noise) and cannot be told
// from noise; every ray the tester saw was ten to a hundred times higher.
int RayLeft(const std::vector<double>& shown, const std::vector<double>& expected, const Counts& levels, int box,
            const std::string& what, std::string* first)
{
    int count = 0;
    for (int i = 0; i < kPixels; ++i) {
        const double allowed = 10.0 * DifferenceDeviation(levels[i], box) + 1.0;
        if (std::fabs(shown[i] - expected[i]) > allowed) {
            if (count++ == 0 && first->empty())
                *first = what + ", pixel " + std::to_string(i) + ": " + std::to_string(shown[i]) + " for " +
                         std::to_string(expected[i]);
        }
    }
    return count;
}

class CleaningView : public ViewFixture {
protected:
    void SetUp() override
    {
        ViewFixture::SetUp();
        clock_ = std::make_unique<sys::VirtualClock>(1000);
    }
    void TearDown() override
    {
        ViewFixture::TearDown();
        clock_.reset();
    }
    // The driver delivers a scan in the channel-0 buffer, and a display
    // frame passes: the chart draws it.
    void Deliver(const Counts& scan)
    {
        driver().FillPixels(0, scan.data());
        driver().Post(WM_SCAN_COMPLETE, 0);
        ViewFixture::Deliver();
        clock_->Advance(kFrameMs);
    }
    static constexpr unsigned kFrameMs = 17;
    std::unique_ptr<sys::VirtualClock> clock_;
    // The largest difference between what the chart shows and expected.
    double WorstDifference(const std::vector<double>& expected) const
    {
        const std::vector<double> shown = Shown(view->chart());
        double worst = 0.0;
        for (int i = 0; i < kPixels; ++i)
            worst = std::max(worst, std::fabs(shown[i] - expected[i]));
        return worst;
    }
    static std::vector<double> Widened(const Counts& scan) { return std::vector<double>(scan.begin(), scan.end()); }
};

}  // namespace

TEST_F(CleaningView, SpikesNeitherShowNorEverEnterTheSum)
{
    CreateView();
    host.SetChecked(IDC_LASER, true);
    Simulator sim(20.0);

    // Switched off (the default), every scan shows as it came, rays and all.
    do
        sim.Next();
    while (sim.Events() == 0);
    Deliver(sim.struck);
    EXPECT_EQ(WorstDifference(Widened(sim.struck)), 0.0);
    EXPECT_GT(WorstDifference(Widened(sim.truth)), 200.0) << "this scan holds a ray";

    // Switched on: the first scan is the reference, every later one shows
    // without its rays.
    view->instrument().ToggleRemoveSpikes();
    EXPECT_TRUE(view->instrument().IsRemovingSpikes());
    sim.Next();
    Deliver(sim.struck);
    int rays = 0;
    for (int n = 0; n < 40; ++n) {
        sim.Next();
        rays += sim.Events();
        Deliver(sim.struck);
        EXPECT_LT(WorstDifference(Widened(sim.truth)), 200.0) << "scan " << n;
    }
    EXPECT_GT(rays, 40);

    // Additive mode: a dark spectrum, then a sum of 100 laser-on scans that
    // holds no ray (a ray is 250 counts or more).
    host.SetChecked(IDC_LASER, false);
    qdv::ScanSettings off = sim.settings;
    off.laserOn = false;
    std::vector<double> dark(kPixels);
    qdv::ScanGenerator::ExpectedCounts(qdv::ChannelSetup{}, off, dark.data());
    Counts darkScan(dark.begin(), dark.end());
    Deliver(darkScan);
    view->instrument().StoreDark();
    host.SetChecked(IDC_LASER, true);
    view->OnBarParam(BAR_ADDITIVE);
    Tell(view->instrument().ToggleAdditiveMode());
    std::vector<double> truthSum(kPixels, 0.0);
    for (int n = 0; n < 100; ++n) {
        sim.Next();
        Deliver(sim.struck);
        for (int i = 0; i < kPixels; ++i)
            truthSum[i] += sim.truth[i] - dark[i];
    }
    EXPECT_EQ(host.status, "Scan Number 100 ");
    EXPECT_LT(WorstDifference(truthSum), 200.0);

    // Switched on in the middle of a sum, the next scan has nothing to be
    // searched by, and the one after only a scan that still held its rays:
    // neither is added.
    view->instrument().ToggleRemoveSpikes();
    view->instrument().ToggleRemoveSpikes();
    for (int n = 0; n < 2; ++n) {
        sim.Next();
        Deliver(sim.struck);
        EXPECT_EQ(host.status, "Scan Number 100 ");
    }
    sim.Next();
    Deliver(sim.struck);
    EXPECT_EQ(host.status, "Scan Number 101 ");
}

TEST_F(CleaningView, TheBaselineComesOffWhatIsShownAndNeverOffTheWorkspace)
{
    CreateView();
    host.SetChecked(IDC_LASER, true);
    Simulator sim(0.0, 10.0);
    sim.Next();
    Deliver(sim.struck);
    const std::vector<double> plain = Widened(sim.struck);
    EXPECT_EQ(host.indicator, "");

    view->instrument().ToggleSubtractBaseline();
    EXPECT_TRUE(view->instrument().IsSubtractingBaseline());
    EXPECT_EQ(host.indicator, "Baseline subtracted");
    // At once, without a new scan: the 801 cm-1 band (1,515 counts) stands
    // on zero, and so does the fluorescence at 2,000 cm-1.
    const std::vector<double> shown = Shown(view->chart());
    EXPECT_NEAR(*std::max_element(shown.begin() + 590, shown.begin() + 605), 1515.0, 100.0);
    EXPECT_GT(plain[700], 700.0);
    EXPECT_NEAR(shown[700], 0.0, 50.0);

    // Store Dark keeps the spectrum itself, not what is shown: subtracting it
    // from the same scan leaves exactly nothing.
    view->instrument().StoreDark();
    view->instrument().ToggleSubtractDark();
    Deliver(sim.struck);
    EXPECT_EQ(WorstDifference(std::vector<double>(kPixels, 0.0)), 0.0);
    view->instrument().ToggleSubtractBaseline();
    EXPECT_EQ(host.indicator, "");
    EXPECT_EQ(WorstDifference(std::vector<double>(kPixels, 0.0)), 0.0);

    // A sum adds the plain scans: with the baseline shown off it, the sum of
    // three scans is three scans when it is switched off again.
    view->instrument().ToggleSubtractDark();
    Counts zero(kPixels, 0.0f);
    Deliver(zero);
    view->instrument().StoreDark();
    view->instrument().ToggleSubtractBaseline();
    view->OnBarParam(BAR_ADDITIVE);
    Tell(view->instrument().ToggleAdditiveMode());
    for (int n = 0; n < 3; ++n)
        Deliver(sim.struck);
    view->instrument().ToggleSubtractBaseline();
    std::vector<double> threeScans(kPixels);
    for (int i = 0; i < kPixels; ++i)
        threeScans[i] = 3.0 * sim.struck[i];
    EXPECT_EQ(WorstDifference(threeScans), 0.0);
}

TEST_F(CleaningView, PeaksTheCursorAndEveryFileTakeTheSpectrumAsShown)
{
    CreateView();
    host.SetChecked(IDC_LASER, true);
    Simulator sim(0.0, 10.0);
    sim.Next();
    Deliver(sim.struck);
    view->instrument().ToggleSubtractBaseline();
    const std::vector<double> shown = Shown(view->chart());

    // The peak search finds the bands on zero, with a threshold the plain
    // spectrum's fluorescence alone would pass everywhere.
    {
        ScopedDialogOperator<CPeakFinderDlg> op([](CPeakFinderDlg& dialog) {
            dialog.thresholdEdit()->setText("500");
            dialog.slopeEdit()->setText("50");
            dialog.accept();
        });
        view->peaks().OnPeakSettings();
    }
    view->peaks().MarkAllPeaks();
    view->OnCursor();
    view->MoveCursor(display::CursorMove::Right1);
    const int cursor = view->CursorPoint();
    char expected[64];
    std::snprintf(expected, sizeof expected, "Intensity: %.3f", shown[cursor]);
    EXPECT_NE(host.status.find(expected), std::string::npos) << host.status;

    TempDir dir;
    FileOperator op;
    op.Choose(dir.file("cyclohexane.ram"));
    view->files().OnSaveGraph();
    op.Choose(dir.file("cyclohexane.exp"));
    view->files().OnExportSpectrum();
    EXPECT_TRUE(op.answers.empty());

    // The peak table: its header says so, every row's intensity is the
    // shown one.
    const std::string peaks = ReadWholeFile(dir.file("cyclohexane.ram.peak"));
    EXPECT_NE(peaks.find("Spectral Additions 1\r\nBaseline subtracted (smoothness 1000, asymmetry 0.01)\r\n"
                         "Pixel\tWavelength (nm)\tIntensity\r\n"),
              std::string::npos)
        << peaks;
    std::istringstream rows(peaks.substr(peaks.find("Intensity\r\n") + 11));
    int pixel = 0;
    double x = 0.0, intensity = 0.0;
    int found = 0;
    while (rows >> pixel >> x >> intensity) {
        ++found;
        EXPECT_NEAR(intensity, shown[pixel], 0.05);
        EXPECT_GT(intensity, 500.0);
    }
    EXPECT_GE(found, 3);
    EXPECT_LE(found, 6) << "only bands, no fluorescence";

    // The spectrum file and the export hold the shown values.
    const XrtHandle saved = XrtDataCreateFromFile(dir.file("cyclohexane.ram").c_str(), XRT_FILE_DEFAULT);
    ASSERT_NE(saved, 0);
    for (int i : {0, 596, 1500, 2047}) {
        double y = 0.0;
        XrtDataGetYElementIndirect(saved, 0, i, &y);
        EXPECT_EQ(y, shown[i]);
    }
    XrtDataDestroy(saved);
    std::istringstream exported(ReadWholeFile(dir.file("cyclohexane.exp")));
    double ex = 0.0, ey = 0.0;
    for (int i = 0; i <= 1500; ++i)
        exported >> ex >> ey;
    EXPECT_NEAR(ey, shown[1500], 0.005);
}

TEST_F(CleaningView, TheBaselineSettingsDialogTakesOnlyNumbersInRange)
{
    CreateView();
    host.SetChecked(IDC_LASER, true);
    Simulator sim(0.0, 10.0);
    sim.Next();
    Deliver(sim.struck);
    view->instrument().ToggleSubtractBaseline();
    const std::vector<double> before = Shown(view->chart());

    // The operator's language writes numbers with a decimal comma; the
    // dialog shows and reads them with the point, as the files do.
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    DecimalCommaLanguage comma;
    ASSERT_TRUE(comma.made()) << comma.failure();
    ASSERT_TRUE(comma.UseForNumbers());
    std::vector<std::string> shownTexts;
    {
        ScopedDialogOperator<CBaselineDlg> op([&](CBaselineDlg& dialog) {
            shownTexts = {dialog.smoothnessEdit()->text().toStdString(), dialog.asymmetryEdit()->text().toStdString(),
                          dialog.cutOnEdit()->text().toStdString()};
            const auto tryValues = [&](const char* smoothness, const char* asymmetry, const char* cutOn = "100") {
                dialog.smoothnessEdit()->setText(smoothness);
                dialog.asymmetryEdit()->setText(asymmetry);
                dialog.cutOnEdit()->setText(cutOn);
                dialog.accept();
            };
            tryValues("abc", "0.01");
            tryValues("5000", "0,02");
            tryValues("0.5", "0.02");
            tryValues("5000", "0.6");
            tryValues("5000", "0.02", "-10");
            EXPECT_EQ(dialog.result(), QDialog::Rejected) << "still open";
            dialog.defaultsButton()->click();
            EXPECT_EQ(dialog.smoothnessEdit()->text(), "1000");
            EXPECT_EQ(dialog.asymmetryEdit()->text(), "0.01");
            EXPECT_EQ(dialog.cutOnEdit()->text(), "100");
            tryValues(" 5e3 ", "0.02", "150");
        });
        view->setup().OnBaselineSettings();
    }
    QLocale::setDefault(previous);

    EXPECT_EQ(shownTexts, (std::vector<std::string>{"1000", "0.01", "100"}));
    std::vector<std::string> said;
    for (const auto& m : messages.messages())
        said.push_back(m.text);
    EXPECT_EQ(said, (std::vector<std::string>{"Please enter a number.", "Please enter a number.",
                                              "The smoothness must be a number from 1 to 1e+12.",
                                              "The asymmetry must be a number from 1e-06 to 0.5.",
                                              "The cut-on shift must be a number from 0 to 4000."}));
    // Taken at once: the shown spectrum is drawn with the new baseline.
    const std::vector<double> after = Shown(view->chart());
    EXPECT_NE(after, before);

    // Cancel changes nothing.
    {
        ScopedDialogOperator<CBaselineDlg> op([](CBaselineDlg& dialog) {
            EXPECT_EQ(dialog.smoothnessEdit()->text(), "5000");
            EXPECT_EQ(dialog.asymmetryEdit()->text(), "0.02");
            EXPECT_EQ(dialog.cutOnEdit()->text(), "150");
            dialog.smoothnessEdit()->setText("77");
            dialog.reject();
        });
        view->setup().OnBaselineSettings();
    }
    EXPECT_EQ(Shown(view->chart()), after);
}

namespace {

class CleaningFrame : public FrameFixture {
protected:
    QLabel* Indicator() const { return frame->statusBar()->findChild<QLabel*>("IndicatorPane"); }
    static std::string SettingsFile()
    {
        return ReadWholeFile(std::string(std::getenv("XDG_CONFIG_HOME")) + "/vexlar/vexlar.ini");
    }
};

}  // namespace

TEST_F(CleaningFrame, TheViewMenuSwitchesThemAndTheSettingsFileKeepsThemOnlyOnceUsed)
{
    Start();
    QAction* spikes = frame->action(ID_REMOVE_SPIKES);
    QAction* baseline = frame->action(ID_SUBTRACT_BASELINE);
    ASSERT_TRUE(spikes && baseline && frame->action(ID_BASELINE_SETTINGS));
    EXPECT_TRUE(spikes->isCheckable() && baseline->isCheckable());
    EXPECT_FALSE(spikes->isChecked() || baseline->isChecked());
    EXPECT_EQ(baseline->statusTip(), "Subtracts the fluorescence baseline from the spectrum");
    ASSERT_NE(Indicator(), nullptr);
    EXPECT_FALSE(Indicator()->isVisibleTo(frame.get()));

    // A run that never used them leaves no trace in the settings file.
    frame.reset();
    const std::string untouched = SettingsFile();
    EXPECT_EQ(untouched.find("Cleaning"), std::string::npos) << untouched;

    Start();
    frame->action(ID_REMOVE_SPIKES)->trigger();
    EXPECT_TRUE(Indicator()->isVisibleTo(frame.get()));
    EXPECT_EQ(Indicator()->text(), "Spikes removed");
    frame->action(ID_SUBTRACT_BASELINE)->trigger();
    EXPECT_TRUE(frame->action(ID_REMOVE_SPIKES)->isChecked());
    EXPECT_TRUE(frame->action(ID_SUBTRACT_BASELINE)->isChecked());
    EXPECT_TRUE(Indicator()->isVisibleTo(frame.get()));
    EXPECT_EQ(Indicator()->text(), "Spikes removed, Baseline subtracted");
    // The readouts of the message pane do not touch it.
    view()->OnCursor();
    view()->MoveCursor(display::CursorMove::Left1);
    EXPECT_EQ(Indicator()->text(), "Spikes removed, Baseline subtracted");
    EXPECT_NE(frame->statusText().toStdString().find("Intensity"), std::string::npos);
    {
        ScopedDialogOperator<CBaselineDlg> op([](CBaselineDlg& dialog) {
            dialog.smoothnessEdit()->setText("20000");
            dialog.asymmetryEdit()->setText("0.005");
            dialog.cutOnEdit()->setText("150");
            dialog.accept();
        });
        frame->action(ID_BASELINE_SETTINGS)->trigger();
    }
    frame.reset();
    const std::string used = SettingsFile();
    EXPECT_NE(used.find("[Cleaning]\nRemoveSpikes=1\nSubtractBaseline=1\nBaselineSmoothness=20000\n"
                        "BaselineAsymmetry=0.005\nBaselineCutOn=150\n"),
              std::string::npos)
        << used;
    EXPECT_EQ(used.substr(0, untouched.size()), untouched) << "the rest of the file as before";

    // The next start comes up as the operator left it.
    Start();
    EXPECT_TRUE(frame->action(ID_REMOVE_SPIKES)->isChecked());
    EXPECT_TRUE(frame->action(ID_SUBTRACT_BASELINE)->isChecked());
    EXPECT_EQ(Indicator()->text(), "Spikes removed, Baseline subtracted");
    EXPECT_TRUE(Indicator()->isVisibleTo(frame.get()));
    frame->action(ID_SUBTRACT_BASELINE)->trigger();
    EXPECT_EQ(Indicator()->text(), "Spikes removed");
    frame->action(ID_SUBTRACT_BASELINE)->trigger();
    frame->action(ID_REMOVE_SPIKES)->trigger();
    EXPECT_EQ(Indicator()->text(), "Baseline subtracted");
    frame->action(ID_SUBTRACT_BASELINE)->trigger();
    EXPECT_FALSE(Indicator()->isVisibleTo(frame.get()));
}

namespace {

// Remove Spikes at a rate of cosmic rays (per second) and a boxcar.
class SpikesThroughTheView : public CleaningView, public ::testing::WithParamInterface<std::tuple<double, int>> {
protected:
    // The shown spectrum against the truth of the scan answered last.
    std::vector<double> TruthShown() const { return Widened(sim->truth); }
    std::unique_ptr<SimulatedSpectrometer> sim;
};

// The additive sum's count on the status bar.
long ScansAdded(const std::string& status)
{
    long count = -1;
    std::sscanf(status.c_str(), "Scan Number %ld", &count);
    return count;
}

}  // namespace

TEST_P(SpikesThroughTheView, NoRayReachesTheSpectrumTheDarkOrTheSum)
{
    const auto [rate, box] = GetParam();
    sim = std::make_unique<SimulatedSpectrometer>(rate, 77);
    sim->Listen();
    CreateView();
    view->instrument().ToggleRemoveSpikes();
    host.SetText(IDC_BOXCAR, std::to_string(box));
    view->OnBarParam(BAR_BOXCAR_EDITED);
    std::string first;
    int left = 0;
    int rays = 0;

    // The laser off: the scan under way when the boxcar changed and the
    // first one with it have nothing to be compared with, and the next only
    // a scan that still held its rays; the one after is stored as the dark.
    for (int n = 0; n < 4; ++n)
        sim->Answer();
    ASSERT_FALSE(sim->settings.laserOn);
    const std::vector<double> dark = Shown(view->chart());
    left += RayLeft(dark, TruthShown(), sim->truth, box, "the dark", &first);
    rays += static_cast<int>(sim->events.size());
    view->instrument().StoreDark();

    // The laser on, clicked: the scan then under way and the first laser-on
    // scan show as they came, the next is compared with a scan that held its
    // rays; every one after shows without its rays.
    host.SetChecked(IDC_LASER, true);
    view->OnBarParam(BAR_LASER_CLICKED);
    for (int n = 0; n < 3; ++n)
        sim->Answer();
    for (int n = 0; n < 100; ++n) {
        sim->Answer();
        ASSERT_TRUE(sim->settings.laserOn);
        rays += static_cast<int>(sim->events.size());
        left += RayLeft(Shown(view->chart()), TruthShown(), sim->truth, box, "live scan " + std::to_string(n), &first);
    }

    // Additive: every scan added is the scan without its rays, less the dark.
    view->OnBarParam(BAR_ADDITIVE);
    Tell(view->instrument().ToggleAdditiveMode());
    std::vector<double> sum(kPixels, 0.0);
    for (int n = 0; n < 100; ++n) {
        sim->Answer();
        rays += static_cast<int>(sim->events.size());
        ASSERT_EQ(ScansAdded(host.status), n + 1) << host.status;
        const std::vector<double> shown = Shown(view->chart());
        std::vector<double> added(kPixels), expected(kPixels);
        for (int i = 0; i < kPixels; ++i) {
            added[i] = shown[i] - sum[i];
            expected[i] = sim->truth[i] - dark[i];
        }
        left += RayLeft(added, expected, sim->truth, box, "scan " + std::to_string(n + 1) + " of the sum", &first);
        sum = shown;
    }
    EXPECT_EQ(left, 0) << first;
    EXPECT_GT(rays, rate * 18.0) << "rays struck";
}

INSTANTIATE_TEST_SUITE_P(RatesAndBoxcars, SpikesThroughTheView,
                         ::testing::Combine(::testing::Values(20.0, 50.0), ::testing::Values(0, 1, 2)));

TEST_F(CleaningView, AScanUnderWayWhenTheLaserIsSwitchedIsComparedWithNothing)
{
    // An additive sum of laser-on scans; the operator switches the laser
    // off and on again. The scan under way at each switch was taken the
    // other way: it goes into no sum and is the reference of neither kind,
    // so the next laser-on scan is compared with the last laser-on scan and
    // a ray on a band's flank goes without taking the band with it.
    SimulatedSpectrometer sim(0.0, 9);
    sim.Listen();
    CreateView();
    view->instrument().ToggleRemoveSpikes();
    for (int n = 0; n < 3; ++n)
        sim.Answer();
    const std::vector<double> dark = Shown(view->chart());
    view->instrument().StoreDark();
    host.SetChecked(IDC_LASER, true);
    view->OnBarParam(BAR_LASER_CLICKED);
    for (int n = 0; n < 4; ++n)
        sim.Answer();
    view->OnBarParam(BAR_ADDITIVE);
    Tell(view->instrument().ToggleAdditiveMode());
    for (int n = 0; n < 3; ++n)
        sim.Answer();
    EXPECT_EQ(host.status, "Scan Number 3 ");
    const std::vector<double> sum = Shown(view->chart());

    host.SetChecked(IDC_LASER, false);
    view->OnBarParam(BAR_LASER_CLICKED);
    sim.Answer();
    EXPECT_TRUE(sim.settings.laserOn) << "under way before the switch";
    host.SetChecked(IDC_LASER, true);
    view->OnBarParam(BAR_LASER_CLICKED);
    sim.Answer();
    EXPECT_FALSE(sim.settings.laserOn) << "under way before the switch";
    EXPECT_EQ(host.status, "Scan Number 3 ") << "neither went into the sum";
    EXPECT_EQ(Shown(view->chart()), sum);

    // A two-pixel ray on the flank of the 801 cm-1 band (its top at 597).
    sim.Answer({{601, 3000.0f}, {602, 2000.0f}});
    ASSERT_TRUE(sim.settings.laserOn);
    EXPECT_EQ(host.status, "Scan Number 4 ");
    const std::vector<double> shown = Shown(view->chart());
    std::vector<double> added(kPixels), expected(kPixels);
    for (int i = 0; i < kPixels; ++i) {
        added[i] = shown[i] - sum[i];
        expected[i] = sim.truth[i] - dark[i];
    }
    ASSERT_GT(expected[601], 100.0) << "the band stands there";
    std::string first;
    EXPECT_EQ(RayLeft(added, expected, sim.truth, 0, "the scan added", &first), 0) << first;
}

TEST_F(CleaningView, ATimedSeriesSwitchingTheLaserSavesNoRay)
{
    // Fifty rays a second, boxcar 1; a series of 40 scans with the laser
    // switched on for each, a fresh dark before each, the dark subtracted.
    // Each saved spectrum is its scan without rays less its dark without
    // rays.
    vexlar::sys::VirtualClock clock(1'000'000);
    SimulatedSpectrometer sim(50.0, 91);
    sim.Listen();
    CreateView();
    view->instrument().ToggleRemoveSpikes();
    host.SetText(IDC_BOXCAR, "1");
    view->OnBarParam(BAR_BOXCAR_EDITED);
    for (int n = 0; n < 3; ++n)
        sim.Answer();
    // The operator clicks Additive: the scan under way arrives and the
    // spectrometer waits for the series.
    view->OnBarParam(BAR_ADDITIVE);
    sim.Answer();
    ASSERT_FALSE(sim.Owed());

    TempDir dir;
    const std::string base = dir.file("spk");
    {
        ScopedDialogOperator<CTimeAcquisitionDlg> op([&](CTimeAcquisitionDlg& d) {
            d.check(CTimeAcquisitionDlg::kToggleLaserId)->setChecked(true);
            d.check(CTimeAcquisitionDlg::kStoreDarkId)->setChecked(true);
            d.edit(CTimeAcquisitionDlg::kLaserWarmupTimeId)->setText("1");
            d.edit(CTimeAcquisitionDlg::kDelayBeforeFirstId)->setText("0");
            d.edit(CTimeAcquisitionDlg::kDelayBetweenId)->setText("2");
            d.edit(CTimeAcquisitionDlg::kNumberOfAcquisitionsId)->setText("40");
            d.edit(CTimeAcquisitionDlg::kBaseFilenameId)->setText(QString::fromStdString(base));
            d.accept();
        });
        view->setup().OnTimeAcqConfigure();
    }
    view->instrument().ToggleSubtractDark();
    Tell(view->instrument().StartSeries());

    // Every scan answered, in order: the darks and the series scans are the
    // 100 ms ones (a switching scan is 50 ms).
    struct Answered {
        bool laserOn;
        Counts truth;
    };
    std::vector<Answered> answered;
    int rays = 0;
    // A scan takes 100 ms of the virtual clock.
    for (int step = 0; step < 4000 && host.status != "Ready"; ++step) {
        clock.Advance(100);
        if (sim.Owed()) {
            sim.Answer();
            if (sim.settings.integrationMs == 100) {
                answered.push_back({sim.settings.laserOn, sim.truth});
                rays += static_cast<int>(sim.events.size());
            }
        }
    }
    ASSERT_EQ(host.status, "Ready");

    // Scan 0 of the series is not saved; each saved scan follows its dark.
    std::string first;
    int left = 0;
    int saved = 0;
    const Counts* darkTruth = nullptr;
    bool scanZero = true;
    for (const Answered& a : answered) {
        if (!a.laserOn) {
            darkTruth = &a.truth;
            continue;
        }
        if (scanZero) {
            scanZero = false;
            continue;
        }
        ASSERT_NE(darkTruth, nullptr);
        ++saved;
        char name[32];
        std::snprintf(name, sizeof name, ".%05d.ram", saved);
        const XrtHandle data = XrtDataCreateFromFile((base + name).c_str(), XRT_FILE_DEFAULT);
        ASSERT_NE(data, 0) << base + name;
        std::vector<double> y(kPixels), expected(kPixels);
        Counts levels(kPixels);
        for (int i = 0; i < kPixels; ++i) {
            XrtDataGetYElementIndirect(data, 0, i, &y[i]);
            expected[i] = static_cast<double>(a.truth[i]) - (*darkTruth)[i];
            levels[i] = std::max(a.truth[i], (*darkTruth)[i]);
        }
        XrtDataDestroy(data);
        // Its scan and its dark may each have taken the previous value.
        left += RayLeft(y, expected, levels, 1, base + name, &first) > 0 ? 1 : 0;
    }
    EXPECT_EQ(saved, 40);
    EXPECT_EQ(left, 0) << first;
    EXPECT_GT(rays, 350) << "rays struck";
}

TEST_F(CleaningView, ADarkOfAHundredAveragesUnderHeavyRaysHoldsNone)
{
    // A hundred rays a second: the driver's own average of a hundred
    // readings holds about a thousand rays, each a hundredth of its height,
    // too many and too faint to be found by comparing scans. Taken reading by
    // reading, each cleaned, the dark (what Store Dark keeps) holds none.
    SimulatedSpectrometer sim(100.0, 5);
    sim.Listen();
    CreateView();
    view->instrument().ToggleRemoveSpikes();
    host.SetText(IDC_BOXCAR, "0");
    view->OnBarParam(BAR_BOXCAR_EDITED);
    host.SetText(IDC_AVERAGE, "100");
    view->OnBarParam(BAR_AVERAGE_EDITED);
    // Two averages of readings, and the first three a start leaves out.
    for (int n = 0; n < 210; ++n)
        sim.Answer();
    const std::vector<double> dark = Shown(view->chart());

    // Every pixel within five deviations of a hundred readings' mean (1.9
    // counts) of its level; the faintest ray left in one reading stands 2.5.
    qdv::ScanSettings off;
    off.laserOn = false;
    std::vector<double> level(kPixels);
    qdv::ScanGenerator::ExpectedCounts(qdv::ChannelSetup{}, off, level.data());
    int left = 0;
    for (int i = 0; i < kPixels; ++i)
        left += std::fabs(dark[i] - level[i]) > 0.5 * DifferenceDeviation(level[i], 0) / std::sqrt(2.0) ? 1 : 0;
    EXPECT_EQ(left, 0);
}

TEST_F(CleaningView, ABaselineThatCannotBeDrawnIsSaidToHaveFailed)
{
    // A spectrum file of the largest numbers stored as the dark: an additive
    // sum less it stands near -1e308, where no baseline can be drawn, and
    // nothing may say one was subtracted.
    CreateView();
    TempDir dir;
    std::string huge = "# Vexlar chart data file, version 1\n# points: 2048\n";
    for (int i = 0; i < kPixels; ++i)
        huge += std::to_string(400 + i) + "\t1e308\n";
    ASSERT_TRUE(WriteWholeFile(dir.file("huge.ram"), huge));
    FileOperator op;
    op.Choose(dir.file("huge.ram"));
    view->files().OnOpenSpectrum();
    view->instrument().StoreDark();
    view->instrument().ToggleSubtractBaseline();
    view->OnBarParam(BAR_ADDITIVE);
    Tell(view->instrument().ToggleAdditiveMode());
    Simulator sim(0.0);
    sim.Next();
    Deliver(sim.struck);
    EXPECT_EQ(host.indicator, "Baseline failed");
    op.Choose(dir.file("sum.csv"));
    view->files().OnExportAs();
    const std::string csv = ReadWholeFile(dir.file("sum.csv"));
    EXPECT_NE(csv.find("# Baseline subtracted: no\r\n"), std::string::npos) << csv.substr(0, 600);
    EXPECT_EQ(csv.find("nan"), std::string::npos);
}
