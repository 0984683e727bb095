// Save Graph and Open through the real handlers, with the file dialogs
// answered by a test operator.

#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "Xrt.h"
#include "commands/CommandIds.h"
#include "display/AnnotationDlg.h"
#include "support/ChartReadout.h"
#include "support/DialogOperator.h"
#include "support/FileOperator.h"
#include "support/TempDir.h"
#include "support/ViewFixture.h"
#include "window/ControlCommands.h"

using namespace vexlar;
using namespace vexlar::test;

namespace {

// Writes a spectrum file of the given points as the chart library does.
void WriteSpectrumFile(const std::string& path, const std::vector<double>& x, const std::vector<double>& y)
{
    const XrtHandle data = XrtDataCreate(XRT_DATA_SEPARATE_X, 1, static_cast<int>(x.size()));
    ASSERT_NE(data, 0u);
    XrtDataSetXData(data, 0, x.data(), static_cast<int>(x.size()));
    XrtDataSetYData(data, 0, y.data(), static_cast<int>(y.size()));
    ASSERT_TRUE(XrtDataSaveToFile(data, path.c_str())) << XrtGetLastError();
    XrtDataDestroy(data);
}

std::vector<double> Ramp(double first, double step, int count = kPixels)
{
    std::vector<double> v(count);
    for (int i = 0; i < count; ++i)
        v[i] = first + step * i;
    return v;
}

double Get(XrtHandle chart, int code)
{
    double value = std::nan("");
    XrtGetValues(chart, code, &value);
    return value;
}

std::string XTitle(XrtHandle chart)
{
    std::string title;
    XrtGetValues(chart, XRT_X_TITLE, &title);
    return title;
}

bool Exists(const std::string& path)
{
    return std::filesystem::exists(path);
}

// The data sets the chart library made while action ran: handles are handed
// out in turn, so they lie between two made just before and just after.
std::vector<XrtHandle> DataSetsMadeBy(const std::function<void()>& action)
{
    const XrtHandle first = XrtDataCreate(XRT_DATA_SEPARATE_X, 1, 1);
    XrtDataDestroy(first);
    action();
    const XrtHandle last = XrtDataCreate(XRT_DATA_SEPARATE_X, 1, 1);
    XrtDataDestroy(last);
    std::vector<XrtHandle> made;
    for (XrtHandle h = first + 1; h < last; ++h)
        made.push_back(h);
    return made;
}

// How many of them still exist.
int Alive(const std::vector<XrtHandle>& sets)
{
    int alive = 0;
    for (XrtHandle h : sets) {
        int points = 0;
        alive += XrtDataGetPointCount(h, &points) ? 1 : 0;
    }
    return alive;
}

// What a refused or cancelled Open must leave as it was: the chart in the
// mode shown and what the menus show.
struct Workspace {
    explicit Workspace(CVexlarView& v)
        : xs(ShownXs(v.chart())),
          ys(ShownYs(v.chart())),
          xTitle(XTitle(v.chart())),
          additive(v.instrument().flags().additive),
          xMin(Get(v.chart(), XRT_X_MIN)),
          xMax(Get(v.chart(), XRT_X_MAX))
    { }
    bool operator==(const Workspace&) const = default;
    std::vector<double> xs, ys;
    std::string xTitle;
    bool additive;
    double xMin, xMax;
};

class SpectrumFileTest : public ViewFixture {
protected:
    void SetUp() override
    {
        ViewFixture::SetUp();
        CreateView();
        host.SetChecked(IDC_CONTINUOUS, true);
        std::vector<float> ramp(kPixels);
        for (int i = 0; i < kPixels; ++i)
            ramp[i] = 100.0f + 0.125f * static_cast<float>(i);
        ScanPixels(0, ramp);
    }

    // The spectrum shown as it is in the given mode.
    void Show(int mode) { view->instrument().SetXAxisMode(mode); }

    // The x axis of a mode as the chart draws it.
    std::vector<double> AxisOf(int mode)
    {
        Show(mode);
        return ShownXs(chart());
    }

    TempDir dir;
    FileOperator op;
};

}  // namespace

TEST_F(SpectrumFileTest, ARamanGraphSavedAndOpenedAgainComesBackInRamanShift)
{
    const std::vector<double> wavelengths = AxisOf(0);
    const std::vector<double> shifts = AxisOf(1);
    const std::vector<double> saved = ShownYs(chart());
    ASSERT_LT(shifts[0], 0.0) << "the default calibration starts on the anti-Stokes side";
    op.Choose(dir.file("sample"));
    view->files().OnSaveGraph();
    ASSERT_TRUE(Exists(dir.file("sample.ram")));
    EXPECT_EQ(host.documentTitle, "Untitled") << "saving keeps the title";
    Scan(0, 5.0f);
    EXPECT_EQ(ShownY(0), 5.0) << "and acquisition";
    EXPECT_FALSE(Exists(dir.file("sample.ram.anno"))) << "no annotation: no annotation file";
    EXPECT_FALSE(Exists(dir.file("sample.ram.peak"))) << "labels hidden: no peak file";

    // Back to a wavelength display of other data, with additive running.
    Show(0);
    Scan(0, 0.0f);
    view->instrument().StoreDark();
    Tell(view->instrument().ToggleAdditiveMode());
    Scan(0, 7.0f);
    ASSERT_TRUE(ShowsEverywhere(7.0));
    op.Choose(dir.file("sample.ram"));
    const std::vector<XrtHandle> made = DataSetsMadeBy([&] { view->files().OnOpenSpectrum(); });

    EXPECT_TRUE(messages.messages().empty());
    EXPECT_EQ(host.SelectedIndex(IDC_X_AXIS), 1);
    EXPECT_FALSE(host.IsChecked(IDC_CONTINUOUS));
    EXPECT_FALSE(view->instrument().flags().additive);
    EXPECT_EQ(ShownYs(chart()), saved) << "every value read back exactly";
    EXPECT_EQ(ShownXs(chart()), shifts);
    const XrtHandle c = chart();
    EXPECT_EQ(Get(c, XRT_X_MIN), 0.0);
    EXPECT_EQ(Get(c, XRT_X_BOUND_MIN), 0.0);
    EXPECT_EQ(Get(c, XRT_X_MAX), shifts[kPixels - 1]);
    EXPECT_EQ(Get(c, XRT_Y_MIN), 0.0);
    EXPECT_EQ(Get(c, XRT_Y_MAX), 4100.0);
    EXPECT_EQ(XTitle(c), "Raman Shift (cm-1)");
    EXPECT_EQ(host.documentTitle, "sample.ram");
    EXPECT_EQ(Alive(made), 0) << "the file's points are in the workspace, no data set is left behind";

    // Scans that arrive now are dropped: the file's spectrum stays.
    Scan(0, 999.0f);
    EXPECT_EQ(ShownYs(chart()), saved);
    // The wavelength axis is the calibration's still.
    EXPECT_EQ(AxisOf(0), wavelengths);
}

TEST_F(SpectrumFileTest, AFileWhoseFirstXIsNotNegativeOpensAsWavelengthAndSwitchingUsesTheCalibration)
{
    const std::vector<double> calibrationNm = AxisOf(0);
    const std::vector<double> calibrationShifts = AxisOf(1);
    // A Raman-shift file starting above the laser line, and one at it exactly.
    for (double first : {15.0, 0.0}) {
        const std::vector<double> x = Ramp(first, 1.5);
        const std::vector<double> y = Ramp(-20.0, 0.5);
        WriteSpectrumFile(dir.file("stokes.ram"), x, y);
        op.Choose(dir.file("stokes.ram"));
        view->files().OnOpenSpectrum();
        EXPECT_EQ(host.SelectedIndex(IDC_X_AXIS), 0) << first;
        EXPECT_EQ(XTitle(chart()), "Wavelength (nm)");
        EXPECT_EQ(Get(chart(), XRT_X_MIN), first);
        EXPECT_EQ(Get(chart(), XRT_X_MAX), x.back());
        EXPECT_EQ(ShownY(100), y[100]) << "negative intensities come back too";
        EXPECT_EQ(ShownX(100), x[100]);
    }

    // Switching to Raman shift draws against the calibration's shifts (only
    // the file's axis is replaced)...
    EXPECT_EQ(AxisOf(1), calibrationShifts);
    // ...and the file's wavelengths stay until the axes are rebuilt.
    Show(0);
    EXPECT_EQ(ShownX(100), 0.0 + 1.5 * 100);
    view->instrument().SelectChannel(0);
    EXPECT_EQ(ShownX(100), calibrationNm[100]);
}

TEST_F(SpectrumFileTest, CancellingOpenChangesNothingButTheContinuousButton)
{
    WriteSpectrumFile(dir.file("a.ram"), Ramp(400.0, 0.1), Ramp(1.0, 1.0));
    op.Choose(dir.file("a.ram"));
    const std::vector<XrtHandle> previous = DataSetsMadeBy([&] { view->files().OnOpenSpectrum(); });
    ASSERT_EQ(Alive(previous), 0);
    view->OnBarParam(BAR_CONTINUOUS);  // the operator resumes scanning
    host.SetChecked(IDC_CONTINUOUS, true);
    Scan(0, 50.0f);
    ASSERT_EQ(ShownY(0), 50.0);
    const Workspace before(*view);
    const std::string title = host.documentTitle;

    op.Cancel();
    view->files().OnOpenSpectrum();
    EXPECT_FALSE(host.IsChecked(IDC_CONTINUOUS)) << "unchecked before the dialog, and stays so";
    EXPECT_TRUE(Workspace(*view) == before);
    EXPECT_EQ(host.documentTitle, title);
    EXPECT_EQ(Alive(previous), 0) << "the previous file's data set is released";
    EXPECT_TRUE(messages.messages().empty());
    // Acquisition still runs.
    Scan(0, 60.0f);
    EXPECT_EQ(ShownY(0), 60.0);
}

TEST_F(SpectrumFileTest, SaveGraphWritesTheLiveDataAndItsCompanionsOnlyWhenThereIsSomethingToKeep)
{
    Show(0);
    op.Cancel();
    view->files().OnSaveGraph();
    EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "cancelled: nothing written";

    // The peak table goes beside the spectrum while its labels are shown.
    view->peaks().OnPeakLabels();
    op.Choose(dir.file("labelled.ram"));
    view->files().OnSaveGraph();
    EXPECT_TRUE(Exists(dir.file("labelled.ram")));
    EXPECT_TRUE(Exists(dir.file("labelled.ram.peak")));
    EXPECT_FALSE(Exists(dir.file("labelled.ram.anno")));

    // The file holds the x axis of the mode shown and the spectrum.
    const XrtHandle data = XrtDataCreateFromFile(dir.file("labelled.ram").c_str());
    ASSERT_NE(data, 0u) << XrtGetLastError();
    double x = 0.0, y = 0.0;
    XrtDataGetXElementIndirect(data, 0, 2047, &x);
    XrtDataGetYElementIndirect(data, 0, 2047, &y);
    EXPECT_EQ(x, ShownX(2047));
    EXPECT_EQ(y, ShownY(2047));
    XrtDataDestroy(data);

    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(SpectrumFileTest, AFileThatCannotBeSavedIsReportedAndNothingIsLeftHalfWritten)
{
    Show(0);
    // Written once, good.
    op.Choose(dir.file("good.ram"));
    view->files().OnSaveGraph();
    const std::string good = ReadWholeFile(dir.file("good.ram"));
    ASSERT_FALSE(good.empty());

    // A spectrum the file could not give back (not a number) is refused;
    // the good file and its side files stay as they were.
    view->peaks().OnPeakLabels();
    ScanWith({{5, std::nanf("")}}, 1.0f);
    Show(0);
    op.Choose(dir.file("good.ram"));
    view->files().OnSaveGraph();
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].title, "Vexlar Error");
    const std::string& text = messages.messages()[0].text;
    EXPECT_NE(text.find(dir.file("good.ram")), std::string::npos) << text;
    EXPECT_NE(text.find("point 5 is not a finite number"), std::string::npos) << text;
    EXPECT_EQ(text.find("XrtDataSaveToFile"), std::string::npos) << "the reason, not the call";
    EXPECT_EQ(ReadWholeFile(dir.file("good.ram")), good);
    EXPECT_FALSE(Exists(dir.file("good.ram.peak"))) << "no side file for a spectrum not saved";

    // A folder that is gone by the time the file is written.
    messages.clear();
    Scan(0, 1.0f);
    Show(0);
    std::filesystem::create_directory(dir.file("gone"));
    op.Choose(dir.file("gone/x.ram"), [&] { std::filesystem::remove(dir.file("gone")); });
    view->files().OnSaveGraph();
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_NE(messages.messages()[0].text.find(dir.file("gone/x.ram")), std::string::npos);
    EXPECT_FALSE(Exists(dir.file("gone")));
}

TEST_F(SpectrumFileTest, AFileThatIsNotASpectrumIsRefusedAndTheWorkspaceStaysAsItWas)
{
    const std::vector<double> wavelengths = AxisOf(0);
    Show(1);
    Scan(0, 42.0f);
    const Workspace before(*view);
    ASSERT_TRUE(ShowsEverywhere(42.0)) << "acquisition runs";

    struct Case {
        std::string name;
        std::string expected;  // part of the reason
    };
    WriteWholeFile(dir.file("notes.ram"), "hello\n");
    WriteSpectrumFile(dir.file("short.ram"), Ramp(-10.0, 1.0, 100), Ramp(0.0, 1.0, 100));
    WriteSpectrumFile(dir.file("long.ram"), Ramp(-10.0, 1.0, 4096), Ramp(0.0, 1.0, 4096));
    // A value that is not a number, written past the library's own check.
    WriteSpectrumFile(dir.file("nan.ram"), Ramp(-10.0, 1.0), Ramp(0.0, 1.0));
    std::string nan = ReadWholeFile(dir.file("nan.ram"));
    const std::size_t lastLine = nan.rfind('\n', nan.size() - 2) + 1;
    nan.replace(lastLine, nan.find('\t', lastLine) - lastLine, "nan");
    WriteWholeFile(dir.file("nan.ram"), nan);
    WriteSpectrumFile(dir.file("vanishing.ram"), Ramp(-10.0, 1.0), Ramp(0.0, 1.0));

    const Case cases[] = {{"notes.ram", "not a Vexlar chart data file"},
                          {"short.ram", "100 points"},
                          {"long.ram", "4096 points"},
                          {"nan.ram", "not a finite number"},
                          {"vanishing.ram", "No such file or directory"}};
    for (const Case& c : cases) {
        messages.clear();
        host.SetChecked(IDC_CONTINUOUS, true);
        const std::string path = dir.file(c.name);
        if (c.name == "vanishing.ram")
            op.Choose(path, [&] { std::filesystem::remove(path); });  // gone before it is read
        else
            op.Choose(path);
        const std::vector<XrtHandle> made = DataSetsMadeBy([&] { view->files().OnOpenSpectrum(); });
        ASSERT_EQ(messages.messages().size(), 1u) << c.name;
        EXPECT_EQ(messages.messages()[0].title, "Vexlar Error");
        const std::string& message = messages.messages()[0].text;
        EXPECT_EQ(message.rfind("Cannot open the spectrum file \"" + path + "\"", 0), 0u) << message;
        EXPECT_NE(message.find(c.expected), std::string::npos) << message;
        EXPECT_TRUE(Workspace(*view) == before) << c.name;
        EXPECT_FALSE(host.IsChecked(IDC_CONTINUOUS)) << "unchecked, as before the dialog";
        EXPECT_EQ(host.documentTitle, "Untitled");
        EXPECT_EQ(Alive(made), 0) << "nothing of the file is kept";
    }
    // Acquisition was never stopped.
    Scan(0, 43.0f);
    EXPECT_EQ(ShownY(0), 43.0);
    // Neither axis was touched.
    EXPECT_EQ(AxisOf(0), wavelengths);
    EXPECT_EQ(AxisOf(1), before.xs);
}

TEST_F(SpectrumFileTest, TheAnnotationsTravelWithTheGraph)
{
    Show(0);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    // Annotations placed as the operator does: right-click in the plot,
    // Annotate Here, the text typed.
    const auto annotate = [&](QPoint at, const char* text) {
        view->annotations().ContextMenuAt(view->mapToGlobal(at));
        {
            ScopedDialogOperator<CAnnotationDlg> op([text](CAnnotationDlg& d) {
                d.textEdit()->setText(text);
                d.accept();
            });
            view->annotations().OnContextCommand(ID_ANNOTATE_HERE);
        }
    };
    const QPoint places[] = {{300, 150}, {400, 150}, {500, 150}, {600, 250}};
    for (int slot = 0; slot < 4; ++slot)
        annotate(places[slot], slot == 3 ? "Si 520" : "gone");
    // The first three cleared: the one left is in the fourth slot.
    for (int slot = 0; slot < 3; ++slot) {
        view->annotations().ContextMenuAt(view->mapToGlobal(places[slot] + QPoint(3, 3)));
        view->annotations().OnContextCommand(ID_ANNOTATION_CLEAR);
    }
    std::vector<TextSeen> shown = ShownAnnotations(chart());
    ASSERT_EQ(shown.size(), 1u);
    ASSERT_EQ(shown[0].text(), "Si 520");
    ASSERT_EQ(shown[0].handle, AnnotationAreas(chart()).at(3).handle);
    const double anchorX = shown[0].anchorX;
    op.Choose(dir.file("annotated.ram"));
    view->files().OnSaveGraph();
    ASSERT_TRUE(Exists(dir.file("annotated.ram.anno")));

    view->annotations().ClearAllAnnotations();
    op.Choose(dir.file("annotated.ram"));
    view->files().OnOpenSpectrum();
    shown = ShownAnnotations(chart());
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].handle, AnnotationAreas(chart()).at(0).handle) << "restored into the first slot";
    EXPECT_EQ(shown[0].text(), "Si 520");
    EXPECT_EQ(shown[0].anchorX, anchorX);

    // A graph saved without annotations keeps those on the chart.
    view->annotations().ClearAllAnnotations();
    annotate(places[1], "kept");
    std::filesystem::remove(dir.file("annotated.ram.anno"));
    op.Choose(dir.file("annotated.ram"));
    view->files().OnOpenSpectrum();
    shown = ShownAnnotations(chart());
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text(), "kept");
    EXPECT_TRUE(messages.messages().empty());
}
