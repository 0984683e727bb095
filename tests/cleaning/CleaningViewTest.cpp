// Spike removal and the baseline in the program: through the view's
// commands, the driver's buffers and the chart, the files, the main window's
// menu and status bar, the dialog and the settings file.

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QStatusBar>

#include <cmath>
#include <cstdio>
#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "MessageBox.h"
#include "ScanGenerator.h"
#include "Xrt.h"
#include "acquisition/ControlCommands.h"
#include "app/CommandIds.h"
#include "cleaning/BaselineDlg.h"
#include "peaks/PeakFinderDlg.h"
#include "support/FileOperator.h"
#include "support/DecimalCommaLanguage.h"
#include "support/FrameFixture.h"
#include "support/TempDir.h"
#include "support/ViewFixture.h"

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

class CleaningView : public ViewFixture {
protected:
    // The driver delivers a scan in the channel-0 buffer.
    void Deliver(const Counts& scan)
    {
        driver().FillPixels(0, scan.data());
        driver().Post(WM_SCAN_COMPLETE, 0);
        ViewFixture::Deliver();
    }
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
    view->OnRemoveSpikes();
    EXPECT_TRUE(view->IsRemovingSpikes());
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
    view->OnStoreDark();
    host.SetChecked(IDC_LASER, true);
    view->OnBarParam(BAR_ADDITIVE);
    view->OnAdditiveMode();
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
    // searched by: it is not added.
    view->OnRemoveSpikes();
    view->OnRemoveSpikes();
    sim.Next();
    Deliver(sim.struck);
    EXPECT_EQ(host.status, "Scan Number 100 ");
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

    view->OnSubtractBaseline();
    EXPECT_TRUE(view->IsSubtractingBaseline());
    EXPECT_EQ(host.indicator, "Baseline subtracted");
    // At once, without a new scan: the 801 cm-1 band (1,515 counts) stands
    // on zero, and so does the fluorescence at 2,000 cm-1.
    const std::vector<double> shown = Shown(view->chart());
    EXPECT_NEAR(*std::max_element(shown.begin() + 590, shown.begin() + 605), 1515.0, 100.0);
    EXPECT_GT(plain[700], 700.0);
    EXPECT_NEAR(shown[700], 0.0, 50.0);

    // Store Dark keeps the spectrum itself, not what is shown: subtracting it
    // from the same scan leaves exactly nothing.
    view->OnStoreDark();
    view->OnSubtractDark();
    Deliver(sim.struck);
    EXPECT_EQ(WorstDifference(std::vector<double>(kPixels, 0.0)), 0.0);
    view->OnSubtractBaseline();
    EXPECT_EQ(host.indicator, "");
    EXPECT_EQ(WorstDifference(std::vector<double>(kPixels, 0.0)), 0.0);

    // A sum adds the plain scans: with the baseline shown off it, the sum of
    // three scans is three scans when it is switched off again.
    view->OnSubtractDark();
    Counts zero(kPixels, 0.0f);
    Deliver(zero);
    view->OnStoreDark();
    view->OnSubtractBaseline();
    view->OnBarParam(BAR_ADDITIVE);
    view->OnAdditiveMode();
    for (int n = 0; n < 3; ++n)
        Deliver(sim.struck);
    view->OnSubtractBaseline();
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
    view->OnSubtractBaseline();
    const std::vector<double> shown = Shown(view->chart());

    // The peak search finds the bands on zero, with a threshold the plain
    // spectrum's fluorescence alone would pass everywhere.
    CPeakFinderDlg::operatorForTests = [](CPeakFinderDlg& dialog) {
        dialog.thresholdEdit()->setText("500");
        dialog.slopeEdit()->setText("50");
        dialog.accept();
    };
    view->OnPeakSettings();
    CPeakFinderDlg::operatorForTests = nullptr;
    view->MarkAllPeaks();
    view->OnCursor();
    view->MoveCursor(display::CursorMove::Right1);
    const int cursor = view->CursorPoint();
    char expected[64];
    std::snprintf(expected, sizeof expected, "Intensity: %.3f", shown[cursor]);
    EXPECT_NE(host.status.find(expected), std::string::npos) << host.status;

    TempDir dir;
    FileOperator op;
    op.Choose(dir.file("cyclohexane.ram"));
    view->OnSaveGraph();
    op.Choose(dir.file("cyclohexane.exp"));
    view->OnExportSpectrum();
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
    view->OnSubtractBaseline();
    const std::vector<double> before = Shown(view->chart());

    // The operator's language writes numbers with a decimal comma; the
    // dialog shows and reads them with the point, as the files do.
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    DecimalCommaLanguage comma;
    ASSERT_TRUE(comma.made()) << comma.failure();
    ASSERT_TRUE(comma.UseForNumbers());
    std::vector<std::string> shownTexts;
    CBaselineDlg::operatorForTests = [&](CBaselineDlg& dialog) {
        shownTexts = {dialog.smoothnessEdit()->text().toStdString(), dialog.asymmetryEdit()->text().toStdString()};
        const auto tryValues = [&](const char* smoothness, const char* asymmetry) {
            dialog.smoothnessEdit()->setText(smoothness);
            dialog.asymmetryEdit()->setText(asymmetry);
            dialog.accept();
        };
        tryValues("abc", "0.01");
        tryValues("5000", "0,02");
        tryValues("0.5", "0.02");
        tryValues("5000", "0.6");
        EXPECT_EQ(dialog.result(), QDialog::Rejected) << "still open";
        dialog.defaultsButton()->click();
        EXPECT_EQ(dialog.smoothnessEdit()->text(), "1000");
        EXPECT_EQ(dialog.asymmetryEdit()->text(), "0.01");
        tryValues(" 5e3 ", "0.02");
    };
    view->OnBaselineSettings();
    CBaselineDlg::operatorForTests = nullptr;
    QLocale::setDefault(previous);

    EXPECT_EQ(shownTexts, (std::vector<std::string>{"1000", "0.01"}));
    std::vector<std::string> said;
    for (const auto& m : messages.messages())
        said.push_back(m.text);
    EXPECT_EQ(said, (std::vector<std::string>{"Please enter a number.", "Please enter a number.",
                                              "The smoothness must be a number from 1 to 1e+12.",
                                              "The asymmetry must be a number from 1e-06 to 0.5."}));
    // Taken at once: the shown spectrum is drawn with the new baseline.
    const std::vector<double> after = Shown(view->chart());
    EXPECT_NE(after, before);

    // Cancel changes nothing.
    CBaselineDlg::operatorForTests = [](CBaselineDlg& dialog) {
        EXPECT_EQ(dialog.smoothnessEdit()->text(), "5000");
        EXPECT_EQ(dialog.asymmetryEdit()->text(), "0.02");
        dialog.smoothnessEdit()->setText("77");
        dialog.reject();
    };
    view->OnBaselineSettings();
    CBaselineDlg::operatorForTests = nullptr;
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
    frame->action(ID_SUBTRACT_BASELINE)->trigger();
    EXPECT_TRUE(frame->action(ID_REMOVE_SPIKES)->isChecked());
    EXPECT_TRUE(frame->action(ID_SUBTRACT_BASELINE)->isChecked());
    EXPECT_TRUE(Indicator()->isVisibleTo(frame.get()));
    EXPECT_EQ(Indicator()->text(), "Baseline subtracted");
    // The readouts of the message pane do not touch it.
    view()->OnCursor();
    view()->MoveCursor(display::CursorMove::Left1);
    EXPECT_EQ(Indicator()->text(), "Baseline subtracted");
    EXPECT_NE(frame->statusText().toStdString().find("Intensity"), std::string::npos);
    CBaselineDlg::operatorForTests = [](CBaselineDlg& dialog) {
        dialog.smoothnessEdit()->setText("20000");
        dialog.asymmetryEdit()->setText("0.005");
        dialog.accept();
    };
    frame->action(ID_BASELINE_SETTINGS)->trigger();
    CBaselineDlg::operatorForTests = nullptr;
    frame.reset();
    const std::string used = SettingsFile();
    EXPECT_NE(used.find("[Cleaning]\nRemoveSpikes=1\nSubtractBaseline=1\nBaselineSmoothness=20000\n"
                        "BaselineAsymmetry=0.005\n"),
              std::string::npos)
        << used;
    EXPECT_EQ(used.substr(0, untouched.size()), untouched) << "the rest of the file as before";

    // The next start comes up as the operator left it.
    Start();
    EXPECT_TRUE(frame->action(ID_REMOVE_SPIKES)->isChecked());
    EXPECT_TRUE(frame->action(ID_SUBTRACT_BASELINE)->isChecked());
    EXPECT_EQ(Indicator()->text(), "Baseline subtracted");
    EXPECT_TRUE(Indicator()->isVisibleTo(frame.get()));
    frame->action(ID_SUBTRACT_BASELINE)->trigger();
    EXPECT_FALSE(Indicator()->isVisibleTo(frame.get()));
}
