// The peak table, its labels, its dialog and the ".peak" file, through the
// view on the real chart.

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "Xrt.h"
#include "peaks/PeakTableDlg.h"
#include "support/TempDir.h"
#include "support/ViewFixture.h"

using namespace vexlar;
using namespace vexlar::test;

namespace {

// The operator for the next Peak Table dialog.
struct TableOperator {
    explicit TableOperator(std::function<void(CPeakTableDlg&)> answer)
    {
        CPeakTableDlg::operatorForTests = std::move(answer);
    }
    ~TableOperator() { CPeakTableDlg::operatorForTests = nullptr; }
};

int Shown(const PeakRecord& peak)
{
    int shown = -1;
    XrtTextAreaGetValues(peak.labelArea, XRT_TEXT_SHOWN, &shown);
    return shown;
}

std::vector<std::string> Lines(const PeakRecord& peak)
{
    std::vector<std::string> lines;
    XrtTextAreaGetValues(peak.labelArea, XRT_TEXT_LINES, &lines);
    return lines;
}

int LabelPoint(const PeakRecord& peak)
{
    int point = -1;
    XrtTextAreaGetValues(peak.labelArea, XRT_TEXT_POINT, &point);
    return point;
}

int InUse(const CVexlarView& v)
{
    return static_cast<int>(std::count_if(std::begin(v.peaks), std::end(v.peaks),
                                           [](const PeakRecord& p) { return p.inUse == 1; }));
}

int ShownLabels(const CVexlarView& v)
{
    return static_cast<int>(
        std::count_if(std::begin(v.peaks), std::end(v.peaks), [](const PeakRecord& p) { return Shown(p) == 1; }));
}

// The rows the Peak Table dialog lists right now.
std::vector<std::string> TableRows(CVexlarView& v, std::string* heading = nullptr)
{
    std::vector<std::string> rows;
    TableOperator op([&](CPeakTableDlg& d) {
        for (int r = 0; r < d.list()->count(); ++r)
            rows.push_back(d.list()->item(r)->text().toStdString());
        if (heading)
            *heading = d.xHeading()->text().toStdString();
        d.closeButton()->click();
    });
    v.OnShowPeakTable();
    return rows;
}

void ShowCursorAt(CVexlarView& v, int pixel)
{
    if (!v.cursorShown)
        v.OnCursor();
    XrtSetValues(v.chart(), XRT_CURSOR_POINT, pixel);
}

}  // namespace

TEST_F(ViewFixture, AddPeakFillsTheLowestFreeSlotAndLabelsItAtItsPoint)
{
    CreateView();
    view->spectrum[700] = 1234.56;
    view->wavelength[700] = 650.123;
    EXPECT_EQ(view->AddPeak(700), 1);
    const PeakRecord& p = view->peaks[0];
    EXPECT_EQ(p.inUse, 1);
    EXPECT_STREQ(p.label, "650.12");
    EXPECT_EQ(p.x, 650.123);
    EXPECT_EQ(p.intensity, 1234.56);
    EXPECT_EQ(p.pixel, 700);
    EXPECT_EQ(LabelPoint(p), 700);
    EXPECT_EQ(Lines(p), std::vector<std::string>{"650.12"});
    EXPECT_EQ(Shown(p), 1) << "shown whatever the label switch says";
    EXPECT_EQ(view->peakLabelsShown, 0);

    // The label text reads upwards in Arial 14 at a point of the live data.
    sys::LogFont font;
    ASSERT_TRUE(XrtTextAreaGetFont(p.labelArea, &font));
    EXPECT_EQ(font.faceName, "Arial");
    EXPECT_EQ(font.height, 14);
    EXPECT_EQ(font.escapement, 900);
    int attach = -1, set = -1;
    XrtTextAreaGetValues(p.labelArea, XRT_TEXT_ATTACH, &attach);
    XrtTextAreaGetValues(p.labelArea, XRT_TEXT_DATA_SET, &set);
    EXPECT_EQ(attach, XRT_ATTACH_DATA_POINT);
    EXPECT_EQ(set, 0);

    // Raman shift: no decimals.
    view->SetXAxisMode(1);
    view->ramanShift[701] = 520.6;
    EXPECT_EQ(view->AddPeak(701), 1);
    EXPECT_STREQ(view->peaks[1].label, "521");
    EXPECT_EQ(view->peaks[1].x, 520.6);
    EXPECT_EQ(TableRows(*view), (std::vector<std::string>{"\t000\t\t650\t\t1234.6", "\t001\t\t521\t\t0.0"}));

    // Pixels off the detector are refused and change nothing.
    EXPECT_EQ(view->AddPeak(-1), 0);
    EXPECT_EQ(view->AddPeak(2048), 0);
    EXPECT_EQ(InUse(*view), 2);
    EXPECT_EQ(view->AddPeak(2047), 1);
    EXPECT_EQ(view->AddPeak(0), 1);

    // A freed slot is the next one filled.
    EXPECT_EQ(view->RemovePeak(1), 1);
    EXPECT_EQ(view->peaks[1].pixel, -1);
    EXPECT_EQ(Shown(view->peaks[1]), 0);
    EXPECT_EQ(view->RemovePeak(1), 0);
    EXPECT_EQ(view->RemovePeak(-1), 0);
    EXPECT_EQ(view->RemovePeak(100), 0);
    EXPECT_EQ(view->AddPeak(5), 1);
    EXPECT_EQ(view->peaks[1].pixel, 5);
}

TEST_F(ViewFixture, LabelsRideOnTheirPointAsNewScansArrive)
{
    CreateView();
    Scan(0, 500.0f);
    EXPECT_EQ(view->AddPeak(1000), 1);
    XrtSetValues(view->chart(), XRT_REPAINT, 1);
    int topBefore = 0, leftBefore = 0;
    ASSERT_TRUE(XrtTextAreaGetValues(view->peaks[0].labelArea, XRT_TEXT_TOP, &topBefore));
    XrtTextAreaGetValues(view->peaks[0].labelArea, XRT_TEXT_LEFT, &leftBefore);
    Scan(0, 3000.0f);
    int topAfter = 0, leftAfter = 0;
    XrtTextAreaGetValues(view->peaks[0].labelArea, XRT_TEXT_TOP, &topAfter);
    XrtTextAreaGetValues(view->peaks[0].labelArea, XRT_TEXT_LEFT, &leftAfter);
    EXPECT_LT(topAfter, topBefore - 100) << "the label climbs with its point";
    EXPECT_EQ(leftAfter, leftBefore);
    // The slot keeps the intensity of the moment of marking.
    EXPECT_EQ(view->peaks[0].intensity, 500.0);
}

TEST_F(ViewFixture, MarkAtCursorTwiceFillsTwoSlotsAndAFullTableTakesNoMore)
{
    CreateView();
    // Hidden cursor: nothing at all.
    XrtSetValues(view->chart(), XRT_CURSOR_POINT, 321);
    view->MarkPeakAtCursor();
    EXPECT_EQ(InUse(*view), 0);
    EXPECT_EQ(view->peakLabelsShown, 0);

    ShowCursorAt(*view, 321);
    view->spectrum[321] = 42.0;
    view->MarkPeakAtCursor();
    view->MarkPeakAtCursor();
    EXPECT_EQ(InUse(*view), 2);
    EXPECT_EQ(view->peaks[0].pixel, 321);
    EXPECT_EQ(view->peaks[1].pixel, 321);
    EXPECT_EQ(view->peakLabelsShown, 1);
    EXPECT_EQ(view->peakSearchDone, 0) << "marking by hand is no search";
    const std::vector<std::string> rows = TableRows(*view);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].substr(0, 6), "\t000\t\t");
    EXPECT_EQ(rows[1].substr(0, 6), "\t001\t\t");

    // Labels switched off: marking at the cursor turns the switch on but
    // shows only its own label.
    view->OnPeakLabels();
    EXPECT_EQ(ShownLabels(*view), 0);
    ShowCursorAt(*view, 400);
    view->MarkPeakAtCursor();
    EXPECT_EQ(view->peakLabelsShown, 1);
    EXPECT_EQ(ShownLabels(*view), 1);
    EXPECT_EQ(Shown(view->peaks[2]), 1);

    for (int i = 3; i < kPeakSlots; ++i)
        ASSERT_EQ(view->AddPeak(10 + i), 1);
    view->MarkPeakAtCursor();
    EXPECT_EQ(view->AddPeak(50), 0);
    EXPECT_EQ(InUse(*view), kPeakSlots);
    EXPECT_EQ(view->peaks[99].pixel, 109);
}

TEST_F(ViewFixture, RemovingTwoSelectedRowsRemovesExactlyTheirPeaks)
{
    CreateView();
    for (int pixel : {100, 200, 300, 400, 500})
        view->AddPeak(pixel);
    view->peakLabelsShown = 1;
    std::vector<std::string> left;
    {
        TableOperator op([&](CPeakTableDlg& d) {
            EXPECT_EQ(d.windowTitle(), "Peak Table");
            EXPECT_EQ(d.list()->selectionMode(), QAbstractItemView::ExtendedSelection);
            ASSERT_EQ(d.list()->count(), 5);
            // Rows 1 and 3 (slots 1 and 3) picked with the mouse, Ctrl held.
            d.show();
            QTest::mouseClick(d.list()->viewport(), Qt::LeftButton, Qt::NoModifier,
                              d.list()->visualItemRect(d.list()->item(1)).center());
            QTest::mouseClick(d.list()->viewport(), Qt::LeftButton, Qt::ControlModifier,
                              d.list()->visualItemRect(d.list()->item(3)).center());
            EXPECT_EQ(d.list()->selectedItems().size(), 2);
            QTest::mouseClick(d.removeButton(), Qt::LeftButton);
            // Gone from the chart while the dialog is still open.
            EXPECT_EQ(Shown(view->peaks[1]), 0);
            EXPECT_EQ(Shown(view->peaks[3]), 0);
            for (int r = 0; r < d.list()->count(); ++r)
                left.push_back(d.list()->item(r)->text().toStdString().substr(0, 4));
            QTest::mouseClick(d.closeButton(), Qt::LeftButton);
        });
        view->OnShowPeakTable();
    }
    EXPECT_EQ(left, (std::vector<std::string>{"\t000", "\t002", "\t004"}));
    EXPECT_EQ(view->peaks[1].inUse, 0);
    EXPECT_EQ(view->peaks[3].inUse, 0);
    EXPECT_EQ(view->peaks[1].pixel, -1);
    EXPECT_EQ(view->peaks[2].pixel, 300);
    EXPECT_EQ(InUse(*view), 3);

    // Labels off and on again do not bring the removed ones back.
    view->OnPeakLabels();
    EXPECT_EQ(ShownLabels(*view), 0);
    view->OnPeakLabels();
    EXPECT_EQ(ShownLabels(*view), 3);
    EXPECT_EQ(Shown(view->peaks[1]), 0);
    EXPECT_EQ(Shown(view->peaks[4]), 1);

    // Remove with nothing selected removes nothing; with every row selected
    // it empties the table.
    {
        TableOperator op([&](CPeakTableDlg& d) {
            d.OnRemovePeak();
            EXPECT_EQ(d.list()->count(), 3);
            d.list()->selectAll();
            d.OnRemovePeak();
            EXPECT_EQ(d.list()->count(), 0);
            d.closeButton()->click();
        });
        view->OnShowPeakTable();
    }
    EXPECT_EQ(InUse(*view), 0);
}

TEST_F(ViewFixture, PeakLabelsSearchOnlyTheFirstTimeAndResetLeavesNothingToShow)
{
    CreateView();
    view->spectrum[800] = 1000.0;
    view->spectrum[1200] = 1000.0;
    view->OnPeakLabels();
    EXPECT_EQ(view->peakLabelsShown, 1);
    EXPECT_EQ(view->peakSearchDone, 1);
    EXPECT_EQ(InUse(*view), 2);
    EXPECT_EQ(ShownLabels(*view), 2);

    view->ResetPeakTable();
    EXPECT_EQ(view->peakLabelsShown, 0);
    EXPECT_EQ(view->peakSearchDone, 1);
    EXPECT_EQ(InUse(*view), 0);
    EXPECT_EQ(ShownLabels(*view), 0);
    EXPECT_EQ(view->peaks[0].pixel, 800) << "reset only frees the slots";

    view->OnPeakLabels();
    EXPECT_EQ(view->peakLabelsShown, 1);
    EXPECT_EQ(InUse(*view), 0) << "no second search";
    EXPECT_EQ(ShownLabels(*view), 0);

    // Reset and label changes each draw the chart once.
    std::uint64_t before = 0, after = 0;
    for (int pixel = 10; pixel < 60; ++pixel)
        view->AddPeak(pixel);
    XrtGetRedrawCount(view->chart(), &before);
    view->ShowPeakLabels(0);
    XrtGetRedrawCount(view->chart(), &after);
    EXPECT_EQ(after, before + 1);
    view->ResetPeakTable();
    XrtGetRedrawCount(view->chart(), &before);
    EXPECT_EQ(before, after + 1);
}

TEST_F(ViewFixture, PeakFileHoldsTheHeaderAndTheSlotsInUseInSlotOrder)
{
    CreateView();
    TempDir dir;
    const std::string spectrumPath = dir.file("run1.ram");
    for (int pixel : {1000, 1001, 40}) {
        view->wavelength[pixel] = 600.0 + pixel / 1000.0 + 0.0051;
        view->spectrum[pixel] = pixel * 1.25;
        view->AddPeak(pixel);
    }
    view->RemovePeak(1);
    app.driverParams.IntegrationTime = 40000;
    app.driverParams.Average = 7;
    app.driverParams.Boxcar = 2;
    view->additions = 11;

    // Labels off: no file, whatever the table holds.
    EXPECT_TRUE(view->SavePeakFile(spectrumPath.c_str()));
    EXPECT_FALSE(std::filesystem::exists(spectrumPath + ".peak"));

    view->peakLabelsShown = 1;
    ASSERT_TRUE(view->SavePeakFile(spectrumPath.c_str()));
    EXPECT_EQ(ReadWholeFile(spectrumPath + ".peak"),
              "Integration Time 40000 msec\r\n"
              "Averages: 7\r\n"
              "Boxcar Smoothing Width: 2\r\n"
              "Spectral Additions 12\r\n"
              "Pixel\tWavelength (nm)\tIntensity\r\n"
              "1000\t601.01\t1250.0\r\n"
              "40\t600.05\t50.0\r\n");
    EXPECT_TRUE(messages.messages().empty());

    // In Raman-shift mode the heading and the x format follow the mode at
    // saving; a shorter table replaces the longer file whole.
    view->xAxisMode = 1;
    view->RemovePeak(2);
    ASSERT_TRUE(view->SavePeakFile(spectrumPath.c_str()));
    EXPECT_EQ(ReadWholeFile(spectrumPath + ".peak"),
              "Integration Time 40000 msec\r\n"
              "Averages: 7\r\n"
              "Boxcar Smoothing Width: 2\r\n"
              "Spectral Additions 12\r\n"
              "Pixel\tRaman Shift (cm-1)\tIntensity\r\n"
              "1000\t601\t1250.0\r\n");
}

TEST_F(ViewFixture, AnUnwritablePeakFileIsReportedAndNothingIsLeftBehind)
{
    CreateView();
    TempDir dir;
    view->AddPeak(100);
    view->peakLabelsShown = 1;
    const std::string spectrumPath = dir.file("no such folder/run2.ram");
    EXPECT_FALSE(view->SavePeakFile(spectrumPath.c_str()));
    ASSERT_EQ(messages.messages().size(), 1u);
    const sys::OperatorMessage& m = messages.messages()[0];
    EXPECT_EQ(m.title, "Vexlar Error");
    EXPECT_NE(m.text.find(spectrumPath + ".peak"), std::string::npos) << m.text;
    EXPECT_NE(m.text.find("No such file or directory"), std::string::npos) << m.text;
    EXPECT_FALSE(std::filesystem::exists(dir.file("no such folder")));

    // A folder standing where the file goes stays as it was.
    messages.clear();
    std::filesystem::create_directory(dir.file("run3.ram.peak"));
    EXPECT_FALSE(view->SavePeakFile(dir.file("run3.ram").c_str()));
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("run3.ram.peak")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}
