// The peak finder through the view, its settings dialog, the x-axis change
// and the peak commands of the main frame.

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "Xrt.h"
#include "commands/CommandIds.h"
#include "peaks/PeakFile.h"
#include "peaks/PeakFinderDlg.h"
#include "peaks/PeakTableDlg.h"
#include "support/FrameFixture.h"
#include "support/PeakReadout.h"
#include "support/ViewFixture.h"

using namespace vexlar;
using namespace vexlar::test;

namespace {

// What the Configure Peak Finder dialog shows: threshold, slope, width.
struct CriteriaShown {
    double threshold = 0;
    std::string slope, width;
};

CriteriaShown ShownCriteria(CVexlarView& v)
{
    CriteriaShown shown;
    PeakFinderOperator op([&](CPeakFinderDlg& d) {
        shown.threshold = std::stod(d.thresholdEdit()->text().toStdString());
        shown.slope = d.slopeEdit()->text().toStdString();
        shown.width = d.widthBox()->currentText().toStdString();
        d.reject();
    });
    v.peaks().OnPeakSettings();
    return shown;
}

// The width typed into the dialog and confirmed.
void ConfirmWidth(CVexlarView& v, const QString& width)
{
    PeakFinderOperator op([&](CPeakFinderDlg& d) {
        d.widthBox()->setEditText(width);
        d.accept();
    });
    v.peaks().OnPeakSettings();
}

// A scan of spikes of 1000 on a flat 0 at the given pixels.
std::map<int, float> Spikes(const std::vector<int>& pixels)
{
    std::map<int, float> spikes;
    for (int p : pixels)
        spikes[p] = 1000.0f;
    return spikes;
}

class PeakFinder : public ViewFixture { };
using PeakCommands = FrameFixture;

}  // namespace

TEST_F(PeakFinder, MarkAllPeaksAddsEveryPeakLowestFirstWithOneRedraw)
{
    CreateView();
    ScanWith(Spikes({1500, 3, 1000, 2045, 40}));
    std::uint64_t before = 0, after = 0;
    XrtGetRedrawCount(chart(), &before);
    driver().ClearCalls();
    view->peaks().MarkAllPeaks();
    XrtGetRedrawCount(chart(), &after);
    EXPECT_EQ(after, before + 1) << "one redraw for the whole search";
    EXPECT_EQ(MarkedPixels(*view), (std::vector<int>{40, 1000, 1500}));
    EXPECT_TRUE(view->peaks().ArePeakLabelsShown());
    int repaint = 0;
    XrtGetValues(chart(), XRT_REPAINT, &repaint);
    EXPECT_EQ(repaint, 1);
    // The search is done: labels off and on search no more.
    view->peaks().OnPeakLabels();
    view->peaks().OnPeakLabels();
    EXPECT_EQ(MarkedPixels(*view), (std::vector<int>{40, 1000, 1500}));

    // Twice: every peak again in the next free slots.
    view->peaks().MarkAllPeaks();
    EXPECT_EQ(MarkedPixels(*view), (std::vector<int>{40, 1000, 1500, 40, 1000, 1500}));

    // A width outside 1 to 5 finds nothing and still resumes repainting.
    view->peaks().ResetPeakTable();
    ConfirmWidth(*view, "6");
    XrtGetRedrawCount(chart(), &before);
    view->peaks().MarkAllPeaks();
    XrtGetRedrawCount(chart(), &after);
    EXPECT_TRUE(MarkedPixels(*view).empty());
    EXPECT_EQ(after, before + 1);
    ConfirmWidth(*view, "0");
    view->peaks().MarkAllPeaks();
    EXPECT_TRUE(MarkedPixels(*view).empty());
    EXPECT_TRUE(view->peaks().ArePeakLabelsShown());
}

TEST_F(PeakFinder, MoreThanAHundredPeaksFillTheTableWithTheLowest)
{
    CreateView();
    std::vector<int> pixels;
    for (int p = 10; p < 2040; p += 10)
        pixels.push_back(p);  // 203 peaks
    ScanWith(Spikes(pixels));
    view->peaks().MarkAllPeaks();
    const std::vector<int> marked = MarkedPixels(*view);
    ASSERT_EQ(marked.size(), 100u);
    EXPECT_EQ(marked.front(), 10);
    EXPECT_EQ(marked.back(), 1000);
    EXPECT_TRUE(std::is_sorted(marked.begin(), marked.end()));
    // A search on a full table adds nothing.
    view->peaks().MarkAllPeaks();
    EXPECT_EQ(MarkedPixels(*view), marked);
}

TEST_F(PeakFinder, RamanModeSkipsTheAntiStokesSide)
{
    CreateView();
    view->instrument().SetXAxisMode(1);
    const std::vector<double> shifts = ShownXs(chart());
    int firstNonNegative = 0;
    while (shifts[firstNonNegative] < 0.0)
        ++firstNonNegative;
    ASSERT_GT(firstNonNegative, 100);
    ScanWith(Spikes({firstNonNegative - 50, firstNonNegative + 50}));
    view->peaks().MarkAllPeaks();
    EXPECT_EQ(MarkedPixels(*view), std::vector<int>{firstNonNegative + 50});
    EXPECT_EQ(MarkedLabels(*view), std::vector<std::string>{peaks::PeakXText(shifts[firstNonNegative + 50], 1)});
}

TEST_F(PeakFinder, ChangingTheXAxisRemarksOnlyWhileLabelsAreShown)
{
    CreateView();
    ScanWith(Spikes({600, 1500}));
    view->peaks().MarkAllPeaks();
    // 350 + 0.5 i + 5e-5 i^2 nm.
    EXPECT_EQ(MarkedLabels(*view), (std::vector<std::string>{"668.00", "1212.50"}));
    // In Raman shift the table is rebuilt from the search: the new labels
    // carry shifts, and pixel 600 is past the laser line.
    view->instrument().SetXAxisMode(1);
    EXPECT_TRUE(view->peaks().ArePeakLabelsShown());
    ASSERT_EQ(MarkedPixels(*view), (std::vector<int>{600, 1500}));
    char expected[32];
    std::snprintf(expected, sizeof expected, "%.0f", ShownX(1500));
    EXPECT_EQ(MarkedLabels(*view)[1], expected);

    // Labels hidden: the table keeps its peaks, listed on the axis and
    // under the heading of the mode shown.
    view->instrument().SetXAxisMode(0);
    EXPECT_EQ(MarkedLabels(*view), (std::vector<std::string>{"668.00", "1212.50"}));
    view->peaks().OnPeakLabels();
    ASSERT_FALSE(view->peaks().ArePeakLabelsShown());
    ScanWith(Spikes({900}));
    view->instrument().SetXAxisMode(1);
    EXPECT_EQ(MarkedPixels(*view), (std::vector<int>{600, 1500}));
    // The peaks stay at their pixels, listed with their Raman shifts.
    std::vector<std::string> rows;
    std::string heading;
    {
        PeakTableOperator op([&](CPeakTableDlg& d) {
            heading = d.xHeading()->text().toStdString();
            for (int r = 0; r < d.list()->count(); ++r)
                rows.push_back(d.list()->item(r)->text().toStdString());
            d.closeButton()->click();
        });
        view->peaks().OnShowPeakTable();
    }
    EXPECT_EQ(heading, "Raman Shift (cm-1)");
    EXPECT_EQ(rows, (std::vector<std::string>{"\t000\t\t" + peaks::PeakXText(ShownX(600), 1) + "\t\t1000.0",
                                              "\t001\t\t" + peaks::PeakXText(ShownX(1500), 1) + "\t\t1000.0"}));
    view->instrument().SetXAxisMode(0);
    rows.clear();
    {
        PeakTableOperator op([&](CPeakTableDlg& d) {
            heading = d.xHeading()->text().toStdString();
            d.accept();
        });
        view->peaks().OnShowPeakTable();
    }
    EXPECT_EQ(heading, "Wavelength (nm)");

    // Each change of axis has the next scan re-read the annotations'
    // places from a freshly laid-out chart.
    EXPECT_TRUE(ScanRefreshesAnnotations());
    view->instrument().SetXAxisMode(1);
    EXPECT_TRUE(ScanRefreshesAnnotations());
    EXPECT_FALSE(ScanRefreshesAnnotations());
}

TEST_F(PeakFinder, PeakSettingsDialogShowsFullPrecisionAndRefusesNonNumbers)
{
    Setting("PeakFind", "Threshold", "0.30000000000000004");
    Setting("PeakFind", "Slope", "-12.5");
    Setting("PeakFind", "Width", "3");
    CreateView();
    {
        PeakFinderOperator op([](CPeakFinderDlg& d) {
            EXPECT_EQ(d.windowTitle(), "Configure Peak Finder");
            EXPECT_EQ(std::stod(d.thresholdEdit()->text().toStdString()), 0.1 + 0.2);
            EXPECT_EQ(d.slopeEdit()->text(), "-12.5");
            EXPECT_EQ(d.widthBox()->currentText(), "3");
            EXPECT_TRUE(d.widthBox()->isEditable());
            ASSERT_EQ(d.widthBox()->count(), 5);
            for (int i = 0; i < 5; ++i)
                EXPECT_EQ(d.widthBox()->itemText(i), QString::number(i + 1));
            d.reject();
        });
        view->peaks().OnPeakSettings();
    }
    EXPECT_EQ(ShownCriteria(*view).threshold, 0.1 + 0.2);
    EXPECT_TRUE(messages.messages().empty());

    // A threshold that is no number: the message, the dialog stays open and
    // nothing is stored; then a slope that is none.
    {
        PeakFinderOperator op([&](CPeakFinderDlg& d) {
            d.thresholdEdit()->setText("12abc");
            d.slopeEdit()->setText("1e400");
            d.accept();
            EXPECT_EQ(d.result(), QDialog::Rejected);
            EXPECT_EQ(messages.messages().size(), 1u);
            d.thresholdEdit()->setText(" -50 ");
            d.accept();
            EXPECT_EQ(d.result(), QDialog::Rejected);
            EXPECT_EQ(messages.messages().size(), 2u);
            d.slopeEdit()->setText("0");
            d.widthBox()->setEditText("4 px");
            d.accept();
        });
        view->peaks().OnPeakSettings();
    }
    ASSERT_EQ(messages.messages().size(), 2u);
    EXPECT_EQ(messages.messages()[0].title, "Vexlar Error");
    // Nothing was stored while the dialog refused.
    const CriteriaShown stored = ShownCriteria(*view);
    EXPECT_EQ(stored.threshold, -50.0);
    EXPECT_EQ(stored.slope, "0");
    EXPECT_EQ(stored.width, "4");

    // The width is read like atoi; any value is stored.
    for (const auto& [typed, width] : std::vector<std::pair<QString, int>>{{"7", 7}, {"x", 0}, {"", 0}, {"-2", -2}}) {
        PeakFinderOperator op([&](CPeakFinderDlg& d) {
            d.widthBox()->setEditText(typed);
            d.accept();
        });
        view->peaks().OnPeakSettings();
        EXPECT_EQ(ShownCriteria(*view).width, std::to_string(width)) << typed.toStdString();
    }
    // An item picked from the list.
    {
        PeakFinderOperator op([](CPeakFinderDlg& d) {
            d.widthBox()->setCurrentIndex(1);
            d.accept();
        });
        view->peaks().OnPeakSettings();
    }
    EXPECT_EQ(ShownCriteria(*view).width, "2");
}

TEST_F(PeakFinder, PeakSettingsTakeTheFocusAndSelectTheWholeText)
{
    Setting("PeakFind", "Threshold", "250.0");
    Setting("PeakFind", "Slope", "7.25");
    CreateView();
    PeakFinderOperator op([](CPeakFinderDlg& d) {
        d.show();
        d.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
        EXPECT_EQ(QApplication::focusWidget(), d.thresholdEdit());
        QTest::qWait(1);
        EXPECT_EQ(d.thresholdEdit()->selectedText(), "250");
        d.slopeEdit()->setFocus(Qt::MouseFocusReason);
        QTest::qWait(1);
        EXPECT_EQ(d.slopeEdit()->selectedText(), "7.25");
        d.thresholdEdit()->setFocus(Qt::OtherFocusReason);
        QTest::qWait(1);
        EXPECT_EQ(d.thresholdEdit()->selectedText(), "250");
        d.reject();
    });
    view->peaks().OnPeakSettings();
}

TEST_F(PeakFinder, ConfirmedSettingsRemarkOnlyWhileLabelsAreShown)
{
    CreateView();
    ScanWith({{300, 1000.0f}, {900, 500.0f}});
    view->peaks().MarkAllPeaks();
    ASSERT_EQ(MarkedPixels(*view), (std::vector<int>{300, 900}));
    // Labels shown: a higher threshold leaves one peak.
    {
        PeakFinderOperator op([](CPeakFinderDlg& d) {
            d.thresholdEdit()->setText("600");
            d.accept();
        });
        view->peaks().OnPeakSettings();
    }
    EXPECT_EQ(MarkedPixels(*view), std::vector<int>{300});
    EXPECT_TRUE(view->peaks().ArePeakLabelsShown());

    // Labels hidden: stored, no search.
    view->peaks().OnPeakLabels();
    {
        PeakFinderOperator op([](CPeakFinderDlg& d) {
            d.thresholdEdit()->setText("100");
            d.accept();
        });
        view->peaks().OnPeakSettings();
    }
    EXPECT_EQ(ShownCriteria(*view).threshold, 100.0);
    EXPECT_EQ(MarkedPixels(*view), std::vector<int>{300});
    EXPECT_FALSE(view->peaks().ArePeakLabelsShown());
}

TEST_F(PeakCommands, AreWiredWithTheirEnablingAndCheckMark)
{
    Start();
    CVexlarView* v = view();
    std::vector<float> spike(kPixels, 0.0f);
    spike[1234] = 1000.0f;
    driver().FillPixels(0, spike.data());
    driver().Post(WM_SCAN_COMPLETE, 0);
    Deliver();

    EXPECT_FALSE(frame->action(ID_PRINT_PEAK_TABLE)->isEnabled());
    EXPECT_FALSE(frame->action(ID_MARK_PEAK_AT_CURSOR)->isEnabled());
    EXPECT_FALSE(frame->action(ID_PEAK_LABELS)->isChecked());
    for (int id : {ID_MARK_ALL_PEAKS, ID_PEAK_SETTINGS, ID_SHOW_PEAK_TABLE, ID_RESET_PEAK_TABLE, ID_PEAK_LABELS})
        EXPECT_TRUE(frame->action(id)->isEnabled()) << id;

    frame->action(ID_MARK_ALL_PEAKS)->trigger();
    EXPECT_EQ(MarkedPixels(*v), std::vector<int>{1234});
    EXPECT_TRUE(frame->action(ID_PEAK_LABELS)->isChecked());
    frame->action(ID_PEAK_LABELS)->trigger();
    EXPECT_FALSE(v->peaks().ArePeakLabelsShown());
    EXPECT_FALSE(frame->action(ID_PEAK_LABELS)->isChecked());
    frame->action(ID_RESET_PEAK_TABLE)->trigger();
    EXPECT_TRUE(MarkedPixels(*v).empty());

    // Mark Peak at Cursor: the command is enabled with the cursor.
    frame->action(ID_MARK_PEAK_AT_CURSOR)->trigger();
    EXPECT_TRUE(MarkedPixels(*v).empty());
    frame->action(ID_CURSOR)->trigger();
    EXPECT_TRUE(frame->action(ID_MARK_PEAK_AT_CURSOR)->isEnabled());
    frame->action(ID_MARK_PEAK_AT_CURSOR)->trigger();
    EXPECT_EQ(MarkedPixels(*v), std::vector<int>{v->CursorPoint()});
    EXPECT_TRUE(frame->action(ID_PEAK_LABELS)->isChecked());
    frame->action(ID_CURSOR)->trigger();
    EXPECT_FALSE(frame->action(ID_MARK_PEAK_AT_CURSOR)->isEnabled());

    int tableRuns = 0, settingsRuns = 0;
    {
        PeakTableOperator table([&](CPeakTableDlg& d) {
            ++tableRuns;
            EXPECT_EQ(d.list()->count(), 1);
            d.accept();
        });
        PeakFinderOperator settings([&](CPeakFinderDlg& d) {
            ++settingsRuns;
            d.reject();
        });
        frame->action(ID_SHOW_PEAK_TABLE)->trigger();
        frame->action(ID_PEAK_SETTINGS)->trigger();
    }
    EXPECT_EQ(tableRuns, 1);
    EXPECT_EQ(settingsRuns, 1);
}
