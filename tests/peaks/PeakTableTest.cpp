// The peak table, its labels, its dialog and the ".peak" file, through the
// view on the real chart.

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "Xrt.h"
#include "peaks/PeakFile.h"
#include "peaks/PeakTableDlg.h"
#include "support/PeakReadout.h"
#include "support/TempDir.h"
#include "support/ViewFixture.h"

using namespace vexlar;
using namespace vexlar::test;

namespace {

// The row the table lists for a slot in use.
std::string Row(int slot, const std::string& x, const std::string& intensity)
{
    char id[8];
    std::snprintf(id, sizeof id, "%03d", slot);
    return std::string("\t") + id + "\t\t" + x + "\t\t" + intensity;
}

class PeakTable : public ViewFixture {
protected:
    // The slots in use: the rows of the Peak Table dialog.
    int InUse() { return static_cast<int>(PeakTableRows(*view).size()); }
    // The label of a slot: the chart makes one per slot, in slot order.
    TextSeen Label(int slot) const { return PeakLabels(chart()).at(static_cast<std::size_t>(slot)); }
    int ShownLabels() const { return static_cast<int>(ShownPeakLabels(chart()).size()); }

    void ShowCursorAt(int pixel)
    {
        if (!view->IsCursorShown())
            view->OnCursor();
        XrtSetValues(chart(), XRT_CURSOR_POINT, pixel);
    }
};

}  // namespace

TEST_F(PeakTable, AddPeakFillsTheLowestFreeSlotAndLabelsItAtItsPoint)
{
    CreateView();
    ScanWith({{700, 1234.5f}});
    const double x700 = ShownX(700);
    EXPECT_EQ(view->peaks().AddPeak(700), 1);
    const TextSeen p = Label(0);
    EXPECT_EQ(p.point, 700);
    EXPECT_EQ(p.lines, std::vector<std::string>{peaks::PeakXText(x700, 0)});
    ASSERT_GE(p.text().size(), 3u);
    EXPECT_EQ(p.text()[p.text().size() - 3], '.') << "wavelengths with two decimals";
    EXPECT_TRUE(p.shown) << "shown whatever the label switch says";
    EXPECT_FALSE(view->peaks().ArePeakLabelsShown());

    // The label text reads upwards in Arial 14 at a point of the live data.
    EXPECT_EQ(p.font.faceName, "Arial");
    EXPECT_EQ(p.font.height, 14);
    EXPECT_EQ(p.font.escapement, 900);
    int set = -1;
    XrtTextAreaGetValues(p.handle, XRT_TEXT_DATA_SET, &set);
    EXPECT_EQ(p.attach, XRT_ATTACH_DATA_POINT);
    EXPECT_EQ(set, 0);

    // Raman shift: no decimals.
    view->instrument().SetXAxisMode(1);
    const double shift701 = ShownX(701);
    EXPECT_EQ(view->peaks().AddPeak(701), 1);
    EXPECT_EQ(Label(1).text(), peaks::PeakXText(shift701, 1));
    EXPECT_EQ(Label(1).text().find('.'), std::string::npos);
    // The table lists each slot's x on the axis in use (a peak marked on
    // another axis stays at its pixel) and its intensity at the moment of
    // marking.
    EXPECT_EQ(PeakTableRows(*view), (std::vector<std::string>{Row(0, peaks::PeakXText(ShownX(700), 1), "1234.5"),
                                                              Row(1, peaks::PeakXText(shift701, 1), "0.0")}));
    EXPECT_EQ(Label(0).text(), peaks::PeakXText(ShownX(700), 1));
    // So do they when another laser line moves the Raman axis under them.
    ASSERT_EQ(view->instrument().SetLaserWavelength("785"), "");
    EXPECT_EQ(PeakTableRows(*view), (std::vector<std::string>{Row(0, peaks::PeakXText(ShownX(700), 1), "1234.5"),
                                                              Row(1, peaks::PeakXText(ShownX(701), 1), "0.0")}));
    EXPECT_EQ(Label(1).text(), peaks::PeakXText(ShownX(701), 1));
    // And when a spectrum file on the other axis is opened under them.
    TempDir dir;
    view->instrument().SetXAxisMode(0);
    ASSERT_EQ(view->instrument().SaveSpectrumFile(dir.file("nm.ram")), "");
    view->instrument().SetXAxisMode(1);
    view->files().OpenSpectrum(dir.file("nm.ram"));
    EXPECT_EQ(Label(1).text(), peaks::PeakXText(ShownX(701), 0));

    // Pixels off the detector are refused and change nothing.
    EXPECT_EQ(view->peaks().AddPeak(-1), 0);
    EXPECT_EQ(view->peaks().AddPeak(2048), 0);
    EXPECT_EQ(InUse(), 2);
    EXPECT_EQ(view->peaks().AddPeak(2047), 1);
    EXPECT_EQ(view->peaks().AddPeak(0), 1);

    // A freed slot is the next one filled.
    EXPECT_EQ(view->peaks().RemovePeak(1), 1);
    EXPECT_FALSE(Label(1).shown);
    EXPECT_EQ(PeakTableRows(*view).size(), 3u);
    EXPECT_EQ(view->peaks().RemovePeak(1), 0);
    EXPECT_EQ(view->peaks().RemovePeak(-1), 0);
    EXPECT_EQ(view->peaks().RemovePeak(100), 0);
    EXPECT_EQ(view->peaks().AddPeak(5), 1);
    EXPECT_EQ(Label(1).point, 5);
    EXPECT_TRUE(Label(1).shown);
}

TEST_F(PeakTable, LabelsRideOnTheirPointAsNewScansArrive)
{
    CreateView();
    Scan(0, 500.0f);
    EXPECT_EQ(view->peaks().AddPeak(1000), 1);
    XrtSetValues(chart(), XRT_REPAINT, 1);
    const TextSeen before = Label(0);
    Scan(0, 3000.0f);
    const TextSeen after = Label(0);
    EXPECT_LT(after.top, before.top - 100) << "the label climbs with its point";
    EXPECT_EQ(after.left, before.left);
    // The slot keeps the intensity of the moment of marking.
    const std::vector<std::string> rows = PeakTableRows(*view);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].substr(rows[0].rfind('\t') + 1), "500.0");
}

TEST_F(PeakTable, MarkAtCursorTwiceFillsTwoSlotsAndAFullTableTakesNoMore)
{
    CreateView();
    // Hidden cursor: nothing at all.
    XrtSetValues(chart(), XRT_CURSOR_POINT, 321);
    view->peaks().MarkPeakAtCursor();
    EXPECT_EQ(InUse(), 0);
    EXPECT_FALSE(view->peaks().ArePeakLabelsShown());

    ShowCursorAt(321);
    ScanWith({{321, 42.0f}});
    view->peaks().MarkPeakAtCursor();
    view->peaks().MarkPeakAtCursor();
    EXPECT_EQ(Label(0).point, 321);
    EXPECT_EQ(Label(1).point, 321);
    EXPECT_TRUE(view->peaks().ArePeakLabelsShown());
    const std::vector<std::string> rows = PeakTableRows(*view);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].substr(0, 6), "\t000\t\t");
    EXPECT_EQ(rows[1].substr(0, 6), "\t001\t\t");

    // Labels switched off: marking at the cursor turns the switch on but
    // shows only its own label.
    view->peaks().OnPeakLabels();
    EXPECT_EQ(ShownLabels(), 0);
    ShowCursorAt(400);
    view->peaks().MarkPeakAtCursor();
    EXPECT_TRUE(view->peaks().ArePeakLabelsShown());
    EXPECT_EQ(ShownLabels(), 1);
    EXPECT_TRUE(Label(2).shown);

    for (int i = 3; i < kPeakSlots; ++i)
        ASSERT_EQ(view->peaks().AddPeak(10 + i), 1);
    view->peaks().MarkPeakAtCursor();
    EXPECT_EQ(view->peaks().AddPeak(50), 0);
    EXPECT_EQ(InUse(), kPeakSlots);
    EXPECT_EQ(Label(99).point, 109);
}

TEST_F(PeakTable, MarkingByHandIsNoSearch)
{
    CreateView();
    ScanWith({{800, 1000.0f}});
    ShowCursorAt(321);
    view->peaks().MarkPeakAtCursor();
    EXPECT_EQ(InUse(), 1);
    // Labels off and on: the first search of the spectrum is still to come.
    view->peaks().OnPeakLabels();
    view->peaks().OnPeakLabels();
    EXPECT_EQ(InUse(), 2);
    EXPECT_EQ(Label(1).point, 800);
}

TEST_F(PeakTable, RemovingTwoSelectedRowsRemovesExactlyTheirPeaks)
{
    CreateView();
    for (int pixel : {100, 200, 300, 400, 500})
        view->peaks().AddPeak(pixel);
    std::vector<std::string> left;
    {
        PeakTableOperator op([&](CPeakTableDlg& d) {
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
            EXPECT_FALSE(Label(1).shown);
            EXPECT_FALSE(Label(3).shown);
            for (int r = 0; r < d.list()->count(); ++r)
                left.push_back(d.list()->item(r)->text().toStdString().substr(0, 4));
            QTest::mouseClick(d.closeButton(), Qt::LeftButton);
        });
        view->peaks().OnShowPeakTable();
    }
    EXPECT_EQ(left, (std::vector<std::string>{"\t000", "\t002", "\t004"}));
    EXPECT_EQ(InUse(), 3);
    EXPECT_EQ(Label(2).point, 300);

    // Labels on, off and on again (the first time searches the empty
    // spectrum and finds nothing) do not bring the removed ones back.
    view->peaks().OnPeakLabels();
    EXPECT_EQ(ShownLabels(), 3);
    view->peaks().OnPeakLabels();
    EXPECT_EQ(ShownLabels(), 0);
    view->peaks().OnPeakLabels();
    EXPECT_EQ(ShownLabels(), 3);
    EXPECT_FALSE(Label(1).shown);
    EXPECT_TRUE(Label(4).shown);
    EXPECT_EQ(InUse(), 3);

    // Remove with nothing selected removes nothing; with every row selected
    // it empties the table.
    {
        PeakTableOperator op([&](CPeakTableDlg& d) {
            d.OnRemovePeak();
            EXPECT_EQ(d.list()->count(), 3);
            d.list()->selectAll();
            d.OnRemovePeak();
            EXPECT_EQ(d.list()->count(), 0);
            d.closeButton()->click();
        });
        view->peaks().OnShowPeakTable();
    }
    EXPECT_EQ(InUse(), 0);
}

TEST_F(PeakTable, PeakLabelsSearchOnlyTheFirstTimeAndResetLeavesNothingToShow)
{
    CreateView();
    ScanWith({{800, 1000.0f}, {1200, 1000.0f}});
    view->peaks().OnPeakLabels();
    EXPECT_TRUE(view->peaks().ArePeakLabelsShown());
    EXPECT_EQ(InUse(), 2);
    EXPECT_EQ(ShownLabels(), 2);

    view->peaks().ResetPeakTable();
    EXPECT_FALSE(view->peaks().ArePeakLabelsShown());
    EXPECT_EQ(InUse(), 0);
    EXPECT_EQ(ShownLabels(), 0);
    EXPECT_EQ(Label(0).point, 800) << "reset only frees the slots";

    view->peaks().OnPeakLabels();
    EXPECT_TRUE(view->peaks().ArePeakLabelsShown());
    EXPECT_EQ(InUse(), 0) << "no second search";
    EXPECT_EQ(ShownLabels(), 0);

    // Reset and label changes each draw the chart once.
    std::uint64_t before = 0, after = 0;
    for (int pixel = 10; pixel < 60; ++pixel)
        view->peaks().AddPeak(pixel);
    XrtGetRedrawCount(chart(), &before);
    view->peaks().ShowPeakLabels(0);
    XrtGetRedrawCount(chart(), &after);
    EXPECT_EQ(after, before + 1);
    view->peaks().ResetPeakTable();
    XrtGetRedrawCount(chart(), &before);
    EXPECT_EQ(before, after + 1);
}

TEST_F(PeakTable, PeakFileHoldsTheHeaderAndTheSlotsInUseInSlotOrder)
{
    CreateView();
    TempDir dir;
    const std::string spectrumPath = dir.file("run1.ram");
    // The first search is over (the spectrum is empty), so the labels are
    // switched on below without one.
    view->peaks().OnPeakLabels();
    view->peaks().OnPeakLabels();
    // Eleven scans added on a dark of zero: the first holds the peaks.
    Scan(0, 0.0f);
    view->instrument().StoreDark();
    Tell(view->instrument().ToggleAdditiveMode());
    ScanWith({{1000, 1250.0f}, {1001, 1251.25f}, {40, 50.0f}});
    for (int scan = 1; scan < 11; ++scan)
        Scan(0, 0.0f);
    for (int pixel : {1000, 1001, 40})
        view->peaks().AddPeak(pixel);
    view->peaks().RemovePeak(1);
    app.driverParams.IntegrationTime = 40000;
    app.driverParams.Average = 7;
    app.driverParams.Boxcar = 2;

    // Labels off: no file, whatever the table holds.
    EXPECT_TRUE(view->peaks().SavePeakFile(spectrumPath.c_str()));
    EXPECT_FALSE(std::filesystem::exists(spectrumPath + ".peak"));

    view->peaks().OnPeakLabels();
    ASSERT_TRUE(view->peaks().ArePeakLabelsShown());
    ASSERT_TRUE(view->peaks().SavePeakFile(spectrumPath.c_str()));
    const double wavelength1000 = ShownX(1000);
    EXPECT_EQ(ReadWholeFile(spectrumPath + ".peak"), "Integration Time 40000 msec\r\n"
                                                     "Averages: 7\r\n"
                                                     "Boxcar Smoothing Width: 2\r\n"
                                                     "Spectral Additions 12\r\n"
                                                     "Pixel\tWavelength (nm)\tIntensity\r\n"
                                                     "1000\t" +
                                                         peaks::PeakXText(wavelength1000, 0) +
                                                         "\t1250.0\r\n"
                                                         "40\t" +
                                                         peaks::PeakXText(ShownX(40), 0) + "\t50.0\r\n");
    EXPECT_TRUE(messages.messages().empty());

    // In Raman-shift mode the heading and the x values follow the mode at
    // saving, each peak at its pixel; a shorter table replaces the longer file whole. (The mode is
    // changed with the labels off, so that the table is not searched anew.)
    view->peaks().OnPeakLabels();
    view->instrument().SetXAxisMode(1);
    view->peaks().OnPeakLabels();
    view->peaks().RemovePeak(2);
    ASSERT_TRUE(view->peaks().SavePeakFile(spectrumPath.c_str()));
    EXPECT_EQ(ReadWholeFile(spectrumPath + ".peak"), "Integration Time 40000 msec\r\n"
                                                     "Averages: 7\r\n"
                                                     "Boxcar Smoothing Width: 2\r\n"
                                                     "Spectral Additions 12\r\n"
                                                     "Pixel\tRaman Shift (cm-1)\tIntensity\r\n"
                                                     "1000\t" +
                                                         peaks::PeakXText(ShownX(1000), 1) + "\t1250.0\r\n");
}

TEST_F(PeakTable, AnUnwritablePeakFileIsReportedAndNothingIsLeftBehind)
{
    CreateView();
    TempDir dir;
    view->peaks().AddPeak(100);
    view->peaks().OnPeakLabels();
    const std::string spectrumPath = dir.file("no such folder/run2.ram");
    EXPECT_FALSE(view->peaks().SavePeakFile(spectrumPath.c_str()));
    ASSERT_EQ(messages.messages().size(), 1u);
    const sys::OperatorMessage& m = messages.messages()[0];
    EXPECT_EQ(m.title, "Vexlar Error");
    EXPECT_NE(m.text.find(spectrumPath + ".peak"), std::string::npos) << m.text;
    EXPECT_NE(m.text.find("No such file or directory"), std::string::npos) << m.text;
    EXPECT_FALSE(std::filesystem::exists(dir.file("no such folder")));

    // A folder standing where the file goes stays as it was.
    messages.clear();
    std::filesystem::create_directory(dir.file("run3.ram.peak"));
    EXPECT_FALSE(view->peaks().SavePeakFile(dir.file("run3.ram").c_str()));
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("run3.ram.peak")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}
