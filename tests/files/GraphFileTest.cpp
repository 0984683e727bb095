// Save Graph and Open through the real handlers, with the file dialogs
// answered by a test operator.

#include <QFile>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "support/FileOperator.h"
#include "Xrt.h"
#include "acquisition/ControlCommands.h"
#include "support/TempDir.h"
#include "support/ViewFixture.h"

using namespace vexlar;
using namespace vexlar::test;

namespace {

using Pixels = std::array<double, kPixels>;

Pixels Copy(const double* values)
{
    Pixels p;
    std::copy(values, values + kPixels, p.begin());
    return p;
}

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

double LiveX(const CVexlarView& v, int point)
{
    double value = std::nan("");
    XrtDataGetXElementIndirect(v.liveData, 0, point, &value);
    return value;
}

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

// What a refused or cancelled Open must leave as it was.
struct Workspace {
    explicit Workspace(const CVexlarView& v)
        : spectrum(Copy(v.spectrum)), wavelength(Copy(v.wavelength)), ramanShift(Copy(v.ramanShift)),
          xAxisMode(v.xAxisMode), scanning(v.scanning), additive(v.additive), xMin(Get(v.chart(), XRT_X_MIN)),
          xMax(Get(v.chart(), XRT_X_MAX)), liveX0(LiveX(v, 0))
    {
    }
    bool operator==(const Workspace&) const = default;
    Pixels spectrum, wavelength, ramanShift;
    int xAxisMode, scanning, additive;
    double xMin, xMax, liveX0;
};

class SpectrumFileTest : public ViewFixture {
protected:
    void SetUp() override
    {
        ViewFixture::SetUp();
        CreateView();
        host.SetChecked(IDC_CONTINUOUS, true);
        for (int i = 0; i < kPixels; ++i)
            view->spectrum[i] = 100.0 + 0.125 * i;
    }

    // The spectrum shown as it is in the given mode.
    void Show(int mode) { view->SetXAxisMode(mode); }

    TempDir dir;
    FileOperator op;
};

}  // namespace

TEST_F(SpectrumFileTest, ARamanGraphSavedAndOpenedAgainComesBackInRamanShift)
{
    Show(1);
    const Pixels saved = Copy(view->spectrum);
    const Pixels shifts = Copy(view->ramanShift);
    const Pixels wavelengths = Copy(view->wavelength);
    ASSERT_LT(shifts[0], 0.0) << "the default calibration starts on the anti-Stokes side";
    op.Choose(dir.file("sample"));
    view->OnSaveGraph();
    ASSERT_TRUE(Exists(dir.file("sample.ram")));
    EXPECT_EQ(host.documentTitle, "Untitled") << "saving keeps the title";
    EXPECT_EQ(view->scanning, 1) << "and acquisition";
    EXPECT_FALSE(Exists(dir.file("sample.ram.anno"))) << "no annotation: no annotation file";
    EXPECT_FALSE(Exists(dir.file("sample.ram.peak"))) << "labels hidden: no peak file";

    // Back to a wavelength display of other data, with additive running.
    Show(0);
    std::fill(std::begin(view->spectrum), std::end(view->spectrum), 7.0);
    view->additive = 1;
    op.Choose(dir.file("sample.ram"));
    view->OnOpenSpectrum();

    EXPECT_TRUE(messages.messages().empty());
    EXPECT_EQ(view->xAxisMode, 1);
    EXPECT_EQ(host.SelectedIndex(IDC_X_AXIS), 1);
    EXPECT_FALSE(host.IsChecked(IDC_CONTINUOUS));
    EXPECT_EQ(view->scanning, 0);
    EXPECT_EQ(view->additive, 0);
    EXPECT_EQ(Copy(view->spectrum), saved) << "every value read back exactly";
    EXPECT_EQ(Copy(view->ramanShift), shifts);
    EXPECT_EQ(Copy(view->wavelength), wavelengths);
    const XrtHandle c = view->chart();
    EXPECT_EQ(Get(c, XRT_X_MIN), 0.0);
    EXPECT_EQ(Get(c, XRT_X_BOUND_MIN), 0.0);
    EXPECT_EQ(Get(c, XRT_X_MAX), shifts[kPixels - 1]);
    EXPECT_EQ(Get(c, XRT_Y_MIN), 0.0);
    EXPECT_EQ(Get(c, XRT_Y_MAX), 4100.0);
    EXPECT_EQ(XTitle(c), "Raman Shift (cm-1)");
    EXPECT_EQ(LiveX(*view, 5), shifts[5]);
    EXPECT_EQ(host.documentTitle, "sample.ram");
    EXPECT_NE(view->openedData, 0u);

    // Scans that arrive now are dropped: the file's spectrum stays.
    Scan(0, 999.0f);
    EXPECT_EQ(Copy(view->spectrum), saved);
}

TEST_F(SpectrumFileTest, AFileWhoseFirstXIsNotNegativeOpensAsWavelengthAndSwitchingUsesTheCalibration)
{
    Show(1);
    const Pixels calibrationShifts = Copy(view->ramanShift);
    const Pixels calibrationNm = Copy(view->wavelength);
    // A Raman-shift file starting above the laser line, and one at it exactly.
    for (double first : {15.0, 0.0}) {
        const std::vector<double> x = Ramp(first, 1.5);
        const std::vector<double> y = Ramp(-20.0, 0.5);
        WriteSpectrumFile(dir.file("stokes.ram"), x, y);
        op.Choose(dir.file("stokes.ram"));
        view->OnOpenSpectrum();
        EXPECT_EQ(view->xAxisMode, 0) << first;
        EXPECT_EQ(host.SelectedIndex(IDC_X_AXIS), 0);
        EXPECT_EQ(XTitle(view->chart()), "Wavelength (nm)");
        EXPECT_EQ(Get(view->chart(), XRT_X_MIN), first);
        EXPECT_EQ(Get(view->chart(), XRT_X_MAX), x.back());
        EXPECT_EQ(view->wavelength[100], x[100]);
        EXPECT_EQ(view->spectrum[100], y[100]) << "negative intensities come back too";
        EXPECT_EQ(Copy(view->ramanShift), calibrationShifts) << "only the file's axis is replaced";
        EXPECT_EQ(LiveX(*view, 100), x[100]);
    }

    // Switching to Raman shift draws against the calibration's shifts...
    Show(1);
    EXPECT_EQ(LiveX(*view, 100), calibrationShifts[100]);
    // ...and the file's wavelengths stay until the axes are rebuilt.
    Show(0);
    EXPECT_EQ(LiveX(*view, 100), 0.0 + 1.5 * 100);
    view->SelectChannel(0);
    EXPECT_EQ(LiveX(*view, 100), calibrationNm[100]);
}

TEST_F(SpectrumFileTest, CancellingOpenChangesNothingButTheContinuousButton)
{
    WriteSpectrumFile(dir.file("a.ram"), Ramp(400.0, 0.1), Ramp(1.0, 1.0));
    op.Choose(dir.file("a.ram"));
    view->OnOpenSpectrum();
    const XrtHandle previous = view->openedData;
    ASSERT_NE(previous, 0u);
    view->OnBarParam(BAR_CONTINUOUS);  // the operator resumes scanning
    host.SetChecked(IDC_CONTINUOUS, true);
    Scan(0, 50.0f);
    ASSERT_EQ(view->spectrum[0], 50.0);
    const Workspace before(*view);
    const std::string title = host.documentTitle;

    op.Cancel();
    view->OnOpenSpectrum();
    EXPECT_FALSE(host.IsChecked(IDC_CONTINUOUS)) << "unchecked before the dialog, and stays so";
    EXPECT_TRUE(Workspace(*view) == before);
    EXPECT_EQ(host.documentTitle, title);
    EXPECT_EQ(view->openedData, 0u) << "the previous file's data set is released";
    int points = 0;
    EXPECT_FALSE(XrtDataGetPointCount(previous, &points));
    EXPECT_TRUE(messages.messages().empty());
    // Acquisition still runs.
    Scan(0, 60.0f);
    EXPECT_EQ(view->spectrum[0], 60.0);
}

TEST_F(SpectrumFileTest, SaveGraphWritesTheLiveDataAndItsCompanionsOnlyWhenThereIsSomethingToKeep)
{
    Show(0);
    op.Cancel();
    view->OnSaveGraph();
    EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "cancelled: nothing written";

    // The peak table goes beside the spectrum while its labels are shown.
    view->peakLabelsShown = 1;
    op.Choose(dir.file("labelled.ram"));
    view->OnSaveGraph();
    EXPECT_TRUE(Exists(dir.file("labelled.ram")));
    EXPECT_TRUE(Exists(dir.file("labelled.ram.peak")));
    EXPECT_FALSE(Exists(dir.file("labelled.ram.anno")));

    // The file holds the x axis of the mode shown and the spectrum.
    const XrtHandle data = XrtDataCreateFromFile(dir.file("labelled.ram").c_str());
    ASSERT_NE(data, 0u) << XrtGetLastError();
    double x = 0.0, y = 0.0;
    XrtDataGetXElementIndirect(data, 0, 2047, &x);
    XrtDataGetYElementIndirect(data, 0, 2047, &y);
    EXPECT_EQ(x, view->wavelength[2047]);
    EXPECT_EQ(y, view->spectrum[2047]);
    XrtDataDestroy(data);

    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(SpectrumFileTest, AFileThatCannotBeSavedIsReportedAndNothingIsLeftHalfWritten)
{
    Show(0);
    // Written once, good.
    op.Choose(dir.file("good.ram"));
    view->OnSaveGraph();
    const std::string good = ReadWholeFile(dir.file("good.ram"));
    ASSERT_FALSE(good.empty());

    // A spectrum the file could not give back (not a number) is refused;
    // the good file and its side files stay as they were.
    view->peakLabelsShown = 1;
    view->spectrum[5] = std::nan("");
    Show(0);
    op.Choose(dir.file("good.ram"));
    view->OnSaveGraph();
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
    view->spectrum[5] = 1.0;
    Show(0);
    std::filesystem::create_directory(dir.file("gone"));
    op.Choose(dir.file("gone/x.ram"), [&] { std::filesystem::remove(dir.file("gone")); });
    view->OnSaveGraph();
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_NE(messages.messages()[0].text.find(dir.file("gone/x.ram")), std::string::npos);
    EXPECT_FALSE(Exists(dir.file("gone")));
}

TEST_F(SpectrumFileTest, AFileThatIsNotASpectrumIsRefusedAndTheWorkspaceStaysAsItWas)
{
    Show(1);
    Scan(0, 42.0f);
    const Workspace before(*view);
    ASSERT_EQ(before.scanning, 1);

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
        view->OnOpenSpectrum();
        ASSERT_EQ(messages.messages().size(), 1u) << c.name;
        EXPECT_EQ(messages.messages()[0].title, "Vexlar Error");
        const std::string& message = messages.messages()[0].text;
        EXPECT_EQ(message.rfind("Cannot open the spectrum file \"" + path + "\"", 0), 0u) << message;
        EXPECT_NE(message.find(c.expected), std::string::npos) << message;
        EXPECT_TRUE(Workspace(*view) == before) << c.name;
        EXPECT_FALSE(host.IsChecked(IDC_CONTINUOUS)) << "unchecked, as before the dialog";
        EXPECT_EQ(host.documentTitle, "Untitled");
        EXPECT_EQ(view->openedData, 0u);
    }
    // Acquisition was never stopped.
    Scan(0, 43.0f);
    EXPECT_EQ(view->spectrum[0], 43.0);
}

TEST_F(SpectrumFileTest, TheAnnotationsTravelWithTheGraph)
{
    Show(0);
    AnnotationRecord& a = view->annotations[3];
    a.inUse = 1;
    std::snprintf(a.text, sizeof a.text, "%s", "Si 520");
    a.anchorX = 500.0;
    a.anchorY = 1000.0;
    op.Choose(dir.file("annotated.ram"));
    view->OnSaveGraph();
    ASSERT_TRUE(Exists(dir.file("annotated.ram.anno")));

    view->ClearAllAnnotations();
    op.Choose(dir.file("annotated.ram"));
    view->OnOpenSpectrum();
    EXPECT_EQ(view->annotations[0].inUse, 1) << "restored into the first slot";
    EXPECT_STREQ(view->annotations[0].text, "Si 520");
    EXPECT_EQ(view->annotations[0].anchorX, 500.0);

    // A graph saved without annotations keeps those on the chart.
    view->ClearAllAnnotations();
    view->annotations[7].inUse = 1;
    std::filesystem::remove(dir.file("annotated.ram.anno"));
    op.Choose(dir.file("annotated.ram"));
    view->OnOpenSpectrum();
    EXPECT_EQ(view->annotations[7].inUse, 1);
    EXPECT_TRUE(messages.messages().empty());
}
