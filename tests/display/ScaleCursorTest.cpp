
// Scaling and the cursor through the view and the main frame.

#include <QLineEdit>
#include <QTest>

#include <algorithm>
#include <vector>

#include "Xrt.h"
#include "commands/CommandIds.h"
#include "display/SetScaleDlg.h"
#include "support/DialogOperator.h"
#include "support/FrameFixture.h"

using namespace vexlar;
using namespace vexlar::test;

namespace {

// The operator of the Set Scale dialogs opened while it lives.
using ScaleOperator = ScopedDialogOperator<CSetScaleDlg>;

using ScaleAndCursor = FrameFixture;

}  // namespace

TEST_F(ScaleAndCursor, AutoscaleFitsTheYAxisToTheShownPixelsAndUnscaleRestores)
{
    Start();
    CVexlarView* v = view();
    const std::vector<double> wavelength = ShownXs(chart());
    std::vector<float> values(kPixels);
    for (int i = 0; i < kPixels; ++i)
        values[i] = 200.0f + static_cast<float>(i);
    values[2046] = 9999.0f;  // hi itself: not looked at
    driver().FillPixels(0, values.data());
    driver().Post(WM_SCAN_COMPLETE, 0);
    Deliver();
    ASSERT_FALSE(ScanRefreshesAnnotations(0.0f)) << "nothing pending";
    driver().FillPixels(0, values.data());
    driver().Post(WM_SCAN_COMPLETE, 0);
    Deliver();
    frame->action(ID_AUTOSCALE)->trigger();
    Scale r = ScaleOf(v->chart());
    EXPECT_EQ(r.yMin, 200.0);
    EXPECT_EQ(r.yMax, 200.0 + 2045);
    EXPECT_EQ(r.xMin, 350.0) << "the x range is untouched";
    EXPECT_TRUE(ScanRefreshesAnnotations());

    // A shown x range with no pixel in it.
    XrtSetValues(v->chart(), XRT_X_MIN, 100.0);
    XrtSetValues(v->chart(), XRT_X_MAX, 200.0);
    v->OnAutoscale();
    r = ScaleOf(v->chart());
    EXPECT_EQ(r.yMin, 4000.0);
    EXPECT_EQ(r.yMax, 0.0);

    Scan(0, 1.0f);  // takes the refresh Autoscale asked for
    QTest::keyClick(v, Qt::Key_R);
    r = ScaleOf(v->chart());
    EXPECT_EQ(r.xMin, wavelength[0]);
    EXPECT_EQ(r.xMax, wavelength[2047]);
    EXPECT_EQ(r.boundMin, wavelength[0]);
    EXPECT_EQ(r.boundMax, wavelength[2047]);
    EXPECT_EQ(r.yMin, 0.0);
    EXPECT_EQ(r.yMax, 4100.0);
    EXPECT_TRUE(ScanRefreshesAnnotations());

    // In Raman-shift mode the default scale starts at 0.
    v->instrument().SetXAxisMode(1);
    XrtSetValues(v->chart(), XRT_X_MIN, 500.0);
    QTest::keyClick(v, Qt::Key_Escape);
    r = ScaleOf(v->chart());
    EXPECT_EQ(r.xMin, 0.0);
    EXPECT_EQ(r.boundMin, 0.0);
    EXPECT_EQ(r.xMax, ShownX(2047));
}

TEST_F(ScaleAndCursor, SetScaleCarriesSinglePrecisionAndCancelStillMarksTheAnnotations)
{
    Start();
    CVexlarView* v = view();
    {
        ScaleOperator op([](CSetScaleDlg& d) {
            EXPECT_EQ(d.windowTitle(), "Set Graph Scale");
            EXPECT_EQ(d.xMinimum, 350.0f);
            d.edit(CSetScaleDlg::kXMinimumId)->setText("532.1234567");
            d.edit(CSetScaleDlg::kXMaximumId)->setText("700");
            d.edit(CSetScaleDlg::kYMinimumId)->setText("-5");
            d.edit(CSetScaleDlg::kYMaximumId)->setText("1e3");
            d.accept();
        });
        frame->action(ID_SET_SCALE)->trigger();
    }
    Scale r = ScaleOf(v->chart());
    EXPECT_EQ(r.xMin, static_cast<double>(532.1234567f));
    EXPECT_NE(r.xMin, 532.1234567);
    EXPECT_EQ(r.xMax, 700.0);
    EXPECT_EQ(r.yMin, -5.0);
    EXPECT_EQ(r.yMax, 1000.0);

    // Confirming unchanged values replaces the ranges by their
    // single-precision neighbours; a minimum above its maximum is taken.
    XrtSetValues(v->chart(), XRT_X_MAX, 0.1);
    {
        ScaleOperator op([](CSetScaleDlg& d) { d.accept(); });
        v->OnSetScale();
    }
    EXPECT_EQ(ScaleOf(v->chart()).xMax, static_cast<double>(0.1f));
    EXPECT_EQ(ScaleOf(v->chart()).xMin, static_cast<double>(532.1234567f));

    // Cancel changes nothing but marks the annotations.
    Scan(0, 1.0f);  // takes the refresh asked for so far
    {
        ScaleOperator op([](CSetScaleDlg& d) {
            d.edit(CSetScaleDlg::kYMaximumId)->setText("5");
            d.reject();
        });
        v->OnSetScale();
    }
    EXPECT_EQ(ScaleOf(v->chart()).yMax, 1000.0);
    EXPECT_TRUE(ScanRefreshesAnnotations());
}

TEST_F(ScaleAndCursor, SetScaleKeepsTheDialogOpenOnABoxWithoutANumber)
{
    Start();
    bool stayedOpen = false;
    {
        ScaleOperator op([&](CSetScaleDlg& d) {
            d.edit(CSetScaleDlg::kYMinimumId)->setText("low");
            d.accept();
            stayedOpen = d.result() != QDialog::Accepted;
            d.reject();
        });
        view()->OnSetScale();
    }
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text, "Please enter a number.");
    EXPECT_EQ(ScaleOf(view()->chart()).yMin, 0.0);
}

TEST_F(ScaleAndCursor, TheCursorMarksAPixelAndReportsIt)
{
    Start();
    CVexlarView* v = view();
    // A dark of zero, for the additive readout below.
    Scan(0, 0.0f);
    frame->action(ID_STORE_DARK)->trigger();
    EXPECT_FALSE(frame->action(ID_CURSOR_LEFT_1)->isEnabled());
    EXPECT_FALSE(frame->action(ID_CURSOR_NEXT_PEAK_LEFT)->isEnabled());

    // Keys move the cursor point while it is hidden; the status bar is left.
    QTest::keyClick(v, Qt::Key_Right);
    EXPECT_EQ(v->CursorPoint(), 1001);
    QTest::keyClick(v, Qt::Key_PageDown);
    EXPECT_EQ(v->CursorPoint(), 976);
    QTest::keyClick(v, Qt::Key_PageUp);
    QTest::keyClick(v, Qt::Key_Left);
    EXPECT_EQ(v->CursorPoint(), 1000);
    EXPECT_EQ(frame->statusText(), "Ready");

    frame->action(ID_CURSOR)->trigger();
    EXPECT_TRUE(CursorShown(chart()));
    EXPECT_EQ(v->CursorPoint(), 1023);
    int shown = 0;
    XrtGetValues(v->chart(), XRT_CURSOR_SHOWN, &shown);
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(frame->action(ID_CURSOR)->isChecked());
    EXPECT_TRUE(frame->action(ID_CURSOR_LEFT_1)->isEnabled());
    EXPECT_FALSE(frame->action(ID_CURSOR_NEXT_PEAK_RIGHT)->isEnabled());

    Scan(0, 1234.5678f);
    frame->action(ID_CURSOR_RIGHT_1)->trigger();
    char expected[160];
    std::snprintf(expected, sizeof expected, "Pix: 1024, Wavelength: %.3f nm, Intensity: 1234.568", ShownX(1024));
    EXPECT_EQ(frame->statusText().toStdString(), expected);

    v->instrument().SetXAxisMode(1);
    frame->action(ID_CURSOR_LEFT_25)->trigger();
    std::snprintf(expected, sizeof expected, "Pix: 999 Raman Shift: %.0f cm-1, Intensity: 1234.568", ShownX(999));
    EXPECT_EQ(frame->statusText().toStdString(), expected);

    // With the additive count in front: seven scans added, the same sum.
    frame->action(ID_ADDITIVE_MODE)->trigger();
    Scan(0, 1234.5678f);
    for (int scan = 1; scan < 7; ++scan)
        Scan(0, 0.0f);
    EXPECT_EQ(frame->statusText().toStdString(), std::string("Scan Number 7 ") + expected);

    // Off again: a scan leaves the last readout standing.
    QTest::mouseClick(bar()->Control(IDC_CONTINUOUS), Qt::LeftButton);
    frame->action(ID_CURSOR)->trigger();
    EXPECT_FALSE(CursorShown(chart()));
    EXPECT_FALSE(frame->action(ID_CURSOR)->isChecked());
    driver().Fill(0, 5.0f);
    driver().Post(WM_SCAN_COMPLETE, 0);
    Deliver();
    EXPECT_EQ(frame->statusText().toStdString(), std::string("Scan Number 7 ") + expected);
}

TEST_F(ScaleAndCursor, TheCursorStartsHalfwayAcrossTheRamanScale)
{
    Start();
    CVexlarView* v = view();
    v->instrument().SetXAxisMode(1);
    v->OnCursor();
    // Halfway between the last pixel with a negative shift (536) and 2046.
    EXPECT_EQ(v->CursorPoint(), 536 + (2046 - 536) / 2);
}
