// The Spectrometer Configuration dialog driven through its real widgets, the
// way the command runs it, and the axes rebuilt when it closes.

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "Profile.h"
#include "Xrt.h"
#include "calibration/SettingsFile.h"
#include "calibration/SpectrometerConfigDlg.h"
#include "commands/CommandIds.h"
#include "display/SetScaleDlg.h"
#include "support/DialogOperator.h"
#include "support/FrameFixture.h"
#include "support/TempDir.h"
#include "support/TestFiles.h"
#include "support/ViewFixture.h"
#include "text/NumberText.h"

using namespace vexlar;
using namespace vexlar::spectrometer_config;
using namespace vexlar::test;

namespace {

using Dialog = CSpectrometerConfigDlg;

// Longest a modal loop may run when a test goes wrong.
constexpr int kModalGuardMs = 2000;

// While alive, every dialog the command runs is answered by a test in place
// of the operator.
using ScopedRunner = ScopedDialogOperator<Dialog>;

// The dialog appears as it does for the operator and takes the focus.
void Show(Dialog& dialog)
{
    dialog.show();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
}

QLineEdit* Edit(const Dialog& dialog, int id)
{
    return qobject_cast<QLineEdit*>(dialog.Control(id));
}
QAbstractButton* Button(const Dialog& dialog, int id)
{
    return qobject_cast<QAbstractButton*>(dialog.Control(id));
}
QAbstractButton* ChannelButton(const Dialog& dialog, int k)
{
    return Button(dialog, IDC_MASTER + k);
}

// A mouse click where the operator would click: on a radio button's circle,
// in the middle of anything else.
void Click(QWidget* control)
{
    ASSERT_NE(control, nullptr);
    const bool radio = control->inherits("QRadioButton");
    const QPoint at = radio ? QPoint(6, control->height() / 2) : control->rect().center();
    QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, at);
}

// The operator tabs into an edit and types over its text.
void TabInAndType(QLineEdit* edit, const QString& text)
{
    ASSERT_NE(edit, nullptr);
    edit->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(edit->selectedText(), edit->text()) << "the whole text is selected";
    QTest::keyClicks(edit, text);
}

void PressTab(QWidget* control)
{
    QTest::keyClick(control, Qt::Key_Tab);
}

QString Shown(float value)
{
    return QString::fromStdString(FormatCoefficient(value));
}

const char* const kSections[kChannels] = {"Master", "Slave1", "Slave2", "Slave3",
                                          "Slave4", "Slave5", "Slave6", "Slave7"};

// A coefficient as the settings file holds it, with every digit of the
// single-precision value.
std::string Stored(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

using Table = std::array<calibration::Coefficients, kChannels>;

// A distinct calibration for every channel.
Table Distinct()
{
    Table t;
    for (int ch = 0; ch < kChannels; ++ch)
        t[ch] = {350.0f + 10.0f * ch, 0.5f + 0.01f * ch, 5e-5f, ch * 1e-9f};
    return t;
}

class SpectrometerConfig : public ViewFixture {
protected:
    // The settings file the view starts with holds these calibrations and
    // this number of channels.
    static void StartWith(const Table& table, int numChannels = 1)
    {
        for (int ch = 0; ch < kChannels; ++ch) {
            Setting(kSections[ch], "Intercept", Stored(table[ch].intercept));
            Setting(kSections[ch], "First", Stored(table[ch].first));
            Setting(kSections[ch], "Second", Stored(table[ch].second));
            Setting(kSections[ch], "Third", Stored(table[ch].third));
        }
        Setting("Acquisition", "NumChannels", std::to_string(numChannels));
    }

    // The calibration of a channel as the chart shows it once the channel is
    // chosen: its wavelength axis, against the one the coefficients give.
    void ExpectAxisOf(int channel, const calibration::Coefficients& c)
    {
        view->instrument().SelectChannel(channel);
        for (const int i : {0, 1, 2, 3, 1000, 2047})
            EXPECT_EQ(ShownX(i), calibration::PixelWavelength(c, i)) << "channel " << channel << ", pixel " << i;
    }
    void ExpectAxes(const Table& table)
    {
        for (int ch = 0; ch < kChannels; ++ch)
            ExpectAxisOf(ch, table[ch]);
    }

    // The number of channels the dialog shows checked when it opens again
    // (0: no button checked); the dialog is then cancelled.
    int CountShown()
    {
        int count = -1;
        ScopedRunner look([&](Dialog& d) {
            Show(d);
            count = 0;
            for (int k = 0; k < kChannels; ++k)
                if (Button(d, kNumberButtonIds[k])->isChecked())
                    count = k + 1;
            d.reject();
        });
        view->setup().OnConfigureSpectrometer();
        return count;
    }
};

using SpectrometerConfigCommand = FrameFixture;

}  // namespace

// --- Opening and the channel buttons ------------------------------------------------

TEST_F(SpectrometerConfig, OpensOnMasterAndEnablesTheChannelsTheCountAllows)
{
    StartWith(Distinct(), 3);
    CreateView();
    view->instrument().SelectChannel(3);
    bool ran = false;
    ScopedRunner runner([&](Dialog& d) {
        ran = true;
        Show(d);
        EXPECT_EQ(d.windowTitle(), "Spectrometer Configuration");
        EXPECT_TRUE(ChannelButton(d, 0)->isChecked()) << "Master, whatever the control bar shows";
        EXPECT_EQ(Edit(d, IDC_INTERCEPT)->text(), "350");
        EXPECT_EQ(Edit(d, IDC_FIRST_COEFFICIENT)->text(), "0.5");
        EXPECT_EQ(Edit(d, IDC_SECOND_COEFFICIENT)->text(), "5e-05");
        EXPECT_EQ(Edit(d, IDC_THIRD_COEFFICIENT)->text(), "0");

        // "Triple": the first and second slaves only.
        EXPECT_TRUE(Button(d, IDC_TRIPLE)->isChecked());
        for (int k = 0; k < kChannels; ++k)
            EXPECT_EQ(ChannelButton(d, k)->isEnabled(), k < 3) << k;

        Click(Button(d, IDC_QUAD));
        EXPECT_FALSE(Button(d, IDC_TRIPLE)->isChecked());
        EXPECT_EQ(d.numChannels, 4);
        EXPECT_TRUE(ChannelButton(d, 3)->isEnabled());
        EXPECT_FALSE(ChannelButton(d, 4)->isEnabled());
        Click(Button(d, IDC_EIGHT_CHANNELS));
        EXPECT_TRUE(ChannelButton(d, 7)->isEnabled());

        // A channel button shows that channel; fewer channels leave the
        // checked slave where it is, disabled but still editable.
        Click(ChannelButton(d, 7));
        EXPECT_FALSE(ChannelButton(d, 0)->isChecked());
        EXPECT_EQ(d.selectedChannel, 7);
        EXPECT_EQ(Edit(d, IDC_INTERCEPT)->text(), "420");
        EXPECT_EQ(Edit(d, IDC_THIRD_COEFFICIENT)->text(), Shown(7e-9f));
        Click(Button(d, IDC_SINGLE));
        EXPECT_EQ(d.numChannels, 1);
        for (int k = 1; k < kChannels; ++k)
            EXPECT_FALSE(ChannelButton(d, k)->isEnabled()) << k;
        EXPECT_TRUE(ChannelButton(d, 0)->isEnabled());
        EXPECT_TRUE(ChannelButton(d, 7)->isChecked());
        EXPECT_EQ(Edit(d, IDC_INTERCEPT)->text(), "420");
        Click(d.Control(IDC_CANCEL));
        EXPECT_FALSE(d.isVisible());
    });
    view->setup().OnConfigureSpectrometer();
    EXPECT_TRUE(ran);
    EXPECT_EQ(ShownX(0), 380.0) << "the axes are still those of the control bar's channel";
    EXPECT_EQ(CountShown(), 3);
}

TEST_F(SpectrometerConfig, AValueTypedForASlaveStaysWithThatSlave)
{
    StartWith(Distinct(), 8);
    CreateView();
    view->instrument().SelectChannel(2);
    ScopedRunner runner([&](Dialog& d) {
        Show(d);
        Click(ChannelButton(d, 2));
        QLineEdit* first = Edit(d, IDC_FIRST_COEFFICIENT);
        EXPECT_EQ(first->text(), "0.52");
        // A click into the edit selects its whole text too.
        Click(first);
        QCoreApplication::processEvents();
        EXPECT_EQ(first->selectedText(), "0.52");
        QTest::keyClicks(first, "0.75");
        EXPECT_EQ(first->text(), "0.75");
        Click(ChannelButton(d, 0));
        EXPECT_EQ(first->text(), "0.5");
        Click(d.Control(IDC_OK));
    });
    view->setup().OnConfigureSpectrometer();
    // The axes are those of the control bar's channel, with its new value.
    EXPECT_EQ(ShownX(1), calibration::PixelWavelength({370.0f, 0.75f, 5e-5f, 2e-9f}, 1));
    Table expected = Distinct();
    expected[2].first = 0.75f;
    ExpectAxes(expected);  // nothing else changed
}

// --- Closing: OK, Cancel and the axes ---------------------------------------------------

TEST_F(SpectrometerConfig, CancelKeepsTheCalibrationButRebuildsTheAxesInOneDraw)
{
    StartWith(Distinct(), 2);
    CreateView();
    Scan(0, 77.0f);
    std::uint64_t redraws = 0;
    ScopedRunner runner([&](Dialog& d) {
        Show(d);
        redraws = Redraws(chart());  // the zoom below has been drawn
        Click(Button(d, IDC_QUAD));
        TabInAndType(Edit(d, IDC_INTERCEPT), "400");
        PressTab(Edit(d, IDC_INTERCEPT));
        EXPECT_EQ(d.calibration.calIntercept[0], 400.0f) << "stored in the dialog when left";
        Click(d.Control(IDC_CANCEL));
    });
    // The operator has zoomed in: the shown range is no longer the axis's.
    {
        ScopedDialogOperator<CSetScaleDlg> zoom([](CSetScaleDlg& d) {
            d.edit(CSetScaleDlg::kXMinimumId)->setText("400");
            d.accept();
        });
        view->OnSetScale();
    }
    ASSERT_EQ(ScaleOf(chart()).xMin, 400.0);
    view->setup().OnConfigureSpectrometer();
    // Drawn once, with the whole update, by the time the command returns;
    // nothing is left over to draw again.
    EXPECT_EQ(Redraws(chart()) - redraws, 1u);
    QCoreApplication::processEvents();
    EXPECT_EQ(Redraws(chart()) - redraws, 1u);
    int repaint = 0;
    XrtGetValues(view->chart(), XRT_REPAINT, &repaint);
    EXPECT_EQ(repaint, 1);

    // The axes are made again from the table: the whole range, and the
    // spectrum cleared until the next scan.
    EXPECT_TRUE(ShowsEverywhere(0.0));
    EXPECT_EQ(ShownX(0), 350.0);
    EXPECT_EQ(ScaleOf(chart()).xMin, 350.0);
    ExpectAxes(Distinct());  // Cancel copies nothing back
    EXPECT_EQ(CountShown(), 2);
}

TEST_F(SpectrometerConfig, PassingTheFocusThroughAnEditRoundsToSixDigits)
{
    Table table = Distinct();
    table[0] = {350.1234567f, 0.123456789f, 5e-5f, 1.23456789e-9f};
    StartWith(table);
    CreateView();
    ScopedRunner runner([&](Dialog& d) {
        Show(d);
        EXPECT_EQ(Edit(d, IDC_FIRST_COEFFICIENT)->text(), "0.123457");
        EXPECT_EQ(Edit(d, IDC_SECOND_COEFFICIENT)->text(), "5e-05");
        EXPECT_EQ(Edit(d, IDC_THIRD_COEFFICIENT)->text(), "1.23457e-09");
        EXPECT_EQ(Edit(d, IDC_INTERCEPT)->text(), "350.123");
        // Through the first two edits without typing; the mouse then gives OK.
        Edit(d, IDC_FIRST_COEFFICIENT)->setFocus(Qt::TabFocusReason);
        PressTab(Edit(d, IDC_FIRST_COEFFICIENT));
        EXPECT_EQ(d.focusWidget(), Edit(d, IDC_SECOND_COEFFICIENT));
        Click(d.Control(IDC_OK));
    });
    view->setup().OnConfigureSpectrometer();
    // The first rounded to 0.123457, the second read back from 5e-05 as
    // 5e-5; the untouched edits keep every digit.
    ExpectAxisOf(0, {350.1234567f, 0.123457f, 5e-5f, 1.23456789e-9f});
}

TEST_F(SpectrometerConfig, OkFromTheKeyboardKeepsTheValueBeingTyped)
{
    StartWith(Distinct(), 2);
    CreateView();
    ScopedRunner runner([&](Dialog& d) {
        Show(d);
        Click(ChannelButton(d, 1));
        TabInAndType(Edit(d, IDC_INTERCEPT), "512.5");
        // Enter gives OK while the edit still has the focus.
        QTest::keyClick(Edit(d, IDC_INTERCEPT), Qt::Key_Return);
        EXPECT_FALSE(d.isVisible());
    });
    view->setup().OnConfigureSpectrometer();
    Table expected = Distinct();
    expected[1].intercept = 512.5f;
    ExpectAxisOf(1, expected[1]);
    ExpectAxisOf(0, expected[0]);

    ScopedRunner again([&](Dialog& d) {
        Show(d);
        TabInAndType(Edit(d, IDC_THIRD_COEFFICIENT), "-2e-9");
        QTest::keyClick(Edit(d, IDC_THIRD_COEFFICIENT), Qt::Key_Enter);
    });
    view->setup().OnConfigureSpectrometer();
    expected[0].third = -2e-9f;
    ExpectAxes(expected);
    EXPECT_TRUE(messages.messages().empty());
}

// --- Texts that are not numbers -----------------------------------------------------------

TEST_F(SpectrometerConfig, OkRefusesATextThatIsNotANumber)
{
    CreateView();
    ScopedRunner runner([&](Dialog& d) {
        Show(d);
        QLineEdit* first = Edit(d, IDC_FIRST_COEFFICIENT);
        int refusals = 0;
        for (const char* bad : {"abc", "", "0.5 nm", "1e39"}) {
            TabInAndType(first, bad);
            if (std::strlen(bad) == 0)
                first->clear();
            QTest::keyClick(first, Qt::Key_Return);
            ++refusals;
            EXPECT_TRUE(d.isVisible()) << bad;
            EXPECT_EQ(static_cast<int>(messages.messages().size()), refusals) << bad;
            EXPECT_EQ(d.focusWidget(), first) << bad;
            EXPECT_EQ(first->text(), bad) << "the text stays for correction";
            EXPECT_EQ(d.calibration.calFirst[0], 0.5f) << bad;
        }
        // Corrected, but another edit now holds a text that is not a number:
        // OK clicked with the mouse refuses that one, and the correction is
        // kept as the focus goes to it.
        TabInAndType(first, " 0.42 ");
        Edit(d, IDC_SECOND_COEFFICIENT)->setText("?");
        Click(d.Control(IDC_OK));
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(messages.messages().size(), 5u);
        EXPECT_EQ(d.focusWidget(), Edit(d, IDC_SECOND_COEFFICIENT));
        EXPECT_EQ(d.calibration.calFirst[0], 0.42f);
        TabInAndType(Edit(d, IDC_SECOND_COEFFICIENT), "6e-5");
        QTest::keyClick(Edit(d, IDC_SECOND_COEFFICIENT), Qt::Key_Return);
    });
    view->setup().OnConfigureSpectrometer();
    const auto& shown = messages.messages();
    ASSERT_EQ(shown.size(), 5u);
    EXPECT_EQ(shown[0].text, "Please enter a number.");
    EXPECT_EQ(shown[0].title, "Vexlar Error");
    EXPECT_EQ(shown[1].text, "Please enter a number.");
    EXPECT_EQ(shown[3].text, "Please enter a number between -3.40282e+38 and 3.40282e+38.");
    ExpectAxisOf(0, {350.0f, 0.42f, 6e-5f, 0.0f});
}

TEST_F(SpectrometerConfig, LeavingAnEditStoresItEvenWhenAnotherIsRefused)
{
    StartWith(Distinct());
    CreateView();
    ScopedRunner runner([&](Dialog& d) {
        Show(d);
        Edit(d, IDC_SECOND_COEFFICIENT)->setText("x");
        TabInAndType(Edit(d, IDC_FIRST_COEFFICIENT), "0.7");
        PressTab(Edit(d, IDC_FIRST_COEFFICIENT));
        EXPECT_EQ(d.calibration.calFirst[0], 0.7f);
        EXPECT_EQ(d.calibration.calSecond[0], 5e-5f);
        EXPECT_EQ(messages.messages().size(), 1u);
        EXPECT_EQ(d.focusWidget(), Edit(d, IDC_SECOND_COEFFICIENT));

        // A refused text of its own is not stored; the focus comes back.
        TabInAndType(Edit(d, IDC_SECOND_COEFFICIENT), "y");
        Click(Edit(d, IDC_INTERCEPT));
        EXPECT_EQ(messages.messages().size(), 2u);
        EXPECT_EQ(d.calibration.calSecond[0], 5e-5f);
        EXPECT_EQ(d.focusWidget(), Edit(d, IDC_SECOND_COEFFICIENT));

        // The operator abandons the dialog: no more messages, nothing kept.
        Click(d.Control(IDC_CANCEL));
        EXPECT_FALSE(d.isVisible());
    });
    view->setup().OnConfigureSpectrometer();
    EXPECT_EQ(messages.messages().size(), 2u);
    ExpectAxes(Distinct());

    // Escape with a refused text in the focused edit closes quietly too.
    ScopedRunner escape([&](Dialog& d) {
        Show(d);
        TabInAndType(Edit(d, IDC_INTERCEPT), "nm");
        QTest::keyClick(Edit(d, IDC_INTERCEPT), Qt::Key_Escape);
        EXPECT_FALSE(d.isVisible());
    });
    view->setup().OnConfigureSpectrometer();
    EXPECT_EQ(messages.messages().size(), 2u);
    ExpectAxes(Distinct());
    EXPECT_EQ(CountShown(), 1);
}

TEST_F(SpectrometerConfig, AChannelOrCountIsNotChosenOverATextThatIsNotANumber)
{
    StartWith(Distinct(), 8);
    CreateView();
    ScopedRunner runner([&](Dialog& d) {
        Show(d);
        QLineEdit* intercept = Edit(d, IDC_INTERCEPT);
        TabInAndType(intercept, "3S0");
        Click(ChannelButton(d, 4));
        EXPECT_EQ(messages.messages().size(), 1u);
        EXPECT_TRUE(ChannelButton(d, 0)->isChecked());
        EXPECT_FALSE(ChannelButton(d, 4)->isChecked());
        EXPECT_EQ(d.selectedChannel, 0);
        EXPECT_EQ(intercept->text(), "3S0");
        EXPECT_EQ(d.focusWidget(), intercept);
        Click(Button(d, IDC_DOUBLE));
        EXPECT_EQ(messages.messages().size(), 2u);
        EXPECT_TRUE(Button(d, IDC_EIGHT_CHANNELS)->isChecked());
        EXPECT_EQ(d.numChannels, 8);
        EXPECT_TRUE(ChannelButton(d, 7)->isEnabled());

        // Corrected, the click goes through and the value stays with Master.
        TabInAndType(intercept, "355");
        Click(ChannelButton(d, 4));
        EXPECT_EQ(d.selectedChannel, 4);
        EXPECT_EQ(d.calibration.calIntercept[0], 355.0f);
        EXPECT_EQ(intercept->text(), "390");
        EXPECT_EQ(intercept->selectedText(), "390") << "ready to be typed over";
        Click(d.Control(IDC_OK));
    });
    view->setup().OnConfigureSpectrometer();
    EXPECT_EQ(messages.messages().size(), 2u);
    Table expected = Distinct();
    expected[0].intercept = 355.0f;
    ExpectAxes(expected);
}

TEST_F(SpectrometerConfig, WithoutARunnerTheDialogIsModalForTheOperator)
{
    CreateView();
    // Played from inside the dialog's own modal loop, as the operator would;
    // should the dialog not come up, the guard ends the loop instead of
    // leaving the test waiting.
    bool played = false;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!d)
            return;
        played = QTest::qWaitForWindowActive(d);
        TabInAndType(Edit(*d, IDC_FIRST_COEFFICIENT), "0.55");
        QTest::keyClick(Edit(*d, IDC_FIRST_COEFFICIENT), Qt::Key_Return);
    });
    const vexlar::test::StuckDialogGuard guard(kModalGuardMs);
    view->setup().OnConfigureSpectrometer();
    EXPECT_TRUE(played);
    ExpectAxisOf(0, {350.0f, 0.55f, 5e-5f, 0.0f});
}

// --- A number of channels no button stands for ---------------------------------------------

TEST_F(SpectrometerConfig, ACountOutsideOneToEightFromTheSettingsFileIsKept)
{
    ASSERT_TRUE(WriteSettingsFile("[Acquisition]\nNumChannels=12\n"));
    CreateView();
    ScopedRunner runner([&](Dialog& d) {
        Show(d);
        for (int id : kNumberButtonIds)
            EXPECT_FALSE(Button(d, id)->isChecked()) << id;
        for (int k = 0; k < kChannels; ++k)
            EXPECT_TRUE(ChannelButton(d, k)->isEnabled()) << k;
        // A count refused over a text that is not a number leaves none checked.
        TabInAndType(Edit(d, IDC_INTERCEPT), "x");
        Click(Button(d, IDC_DOUBLE));
        EXPECT_EQ(messages.messages().size(), 1u);
        EXPECT_FALSE(Button(d, IDC_DOUBLE)->isChecked());
        EXPECT_EQ(d.numChannels, 12);
        TabInAndType(Edit(d, IDC_INTERCEPT), "351");
        Click(ChannelButton(d, 6));
        EXPECT_EQ(d.selectedChannel, 6);
        Click(d.Control(IDC_OK));
    });
    view->setup().OnConfigureSpectrometer();
    EXPECT_EQ(CountShown(), 0) << "kept until the operator chooses a count";
    ExpectAxisOf(0, {351.0f, 0.5f, 5e-5f, 0.0f});
    view.reset();
    EXPECT_NE(ReadSettingsFile().find("NumChannels=12\n"), std::string::npos);

    // No channels at all, likewise.
    Setting("Acquisition", "NumChannels", "0");
    CreateView();
    ScopedRunner choose([&](Dialog& d) {
        Show(d);
        for (int k = 0; k < kChannels; ++k)
            EXPECT_TRUE(ChannelButton(d, k)->isEnabled()) << k;
        Click(Button(d, IDC_DOUBLE));
        EXPECT_TRUE(ChannelButton(d, 1)->isEnabled());
        EXPECT_FALSE(ChannelButton(d, 2)->isEnabled());
        Click(d.Control(IDC_OK));
    });
    view->setup().OnConfigureSpectrometer();
    EXPECT_EQ(CountShown(), 2);
}

// --- The menu command -----------------------------------------------------------------------

TEST_F(SpectrometerConfigCommand, TheSetupMenuRunsTheSpectrometerConfiguration)
{
    Start();
    QAction* command = nullptr;
    for (QAction* menu : frame->menuBar()->actions())
        for (QAction* item : menu->menu()->actions())
            if (item->text() == "Configure &Spectrometer")
                command = item;
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command, frame->action(ID_CONFIGURE_SPECTROMETER));
    EXPECT_TRUE(command->isEnabled());
    driver().Fill(0, 55.0f);
    driver().Post(WM_SCAN_COMPLETE, 0);
    Deliver();
    ASSERT_TRUE(ShowsEverywhere(view()->chart(), 55.0));

    bool ran = false;
    ScopedRunner runner([&](Dialog& d) {
        ran = true;
        d.show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&d));
        TabInAndType(Edit(d, IDC_FIRST_COEFFICIENT), "0.6");
        QTest::keyClick(Edit(d, IDC_FIRST_COEFFICIENT), Qt::Key_Return);
    });
    command->trigger();
    EXPECT_TRUE(ran);
    for (const int i : {0, 1, 2, 3, 1000, 2047})
        EXPECT_EQ(ShownX(i), calibration::PixelWavelength({350.0f, 0.6f, 5e-5f, 0.0f}, i));
    EXPECT_EQ(ShownY(100), 0.0);
}
