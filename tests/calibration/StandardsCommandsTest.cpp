// Setup > Calibrate from Lamp and Setup > Check Raman Shift in the real
// program: the main window on the real driver library with its simulated
// spectrometer, whose own calibration and laser line are the truth the
// dialogs must recover. The dialogs are worked through their widgets; the
// results are read where the operator reads them: the chart's axis, the
// control bar's laser field and vexlar.ini after the program ends.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "MessageBox.h"
#include "Profile.h"
#include "Xrt.h"
#include "acquisition/AppContext.h"
#include "app/AcquisitionBar.h"
#include "app/MainFrame.h"
#include "app/VexlarDoc.h"
#include "calibration/LampCalibrationDlg.h"
#include "calibration/RamanShiftCheckDlg.h"
#include "commands/CommandIds.h"
#include "support/DecimalCommaLanguage.h"
#include "support/DialogOperator.h"
#include "window/VexlarView.h"
#include "window/ViewHost.h"

using namespace vexlar;

namespace {

constexpr int kWaitMs = 30000;  // a ceiling for the slowest sanitizer build
constexpr char kSpeed[] = "4";  // scans four times faster than real time
constexpr char kSettings[] = "vexlar.ini";

// The simulated spectrometer's own calibration of every channel.
double TrueWavelength(double pixel)
{
    return 350.0 + 0.5 * pixel + 5e-5 * pixel * pixel;
}

struct Row {
    std::vector<QString> cells;
    double number(int column) const { return cells[column].toDouble(); }
};

QWidget* Child(QWidget& dialog, const char* name)
{
    QWidget* w = dialog.findChild<QWidget*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
}

template <class T>
T* Child(QWidget& dialog, const char* name)
{
    return qobject_cast<T*>(Child(dialog, name));
}

// The text of one of the dialog's labels; none when it has no such label.
QString LabelText(QWidget& dialog, const char* name)
{
    auto* label = Child<QLabel>(dialog, name);
    return label ? label->text() : QString();
}

// A click where the operator clicks: on a radio button's circle, in the
// middle of anything else.
void Click(QWidget* control)
{
    ASSERT_NE(control, nullptr);
    const bool radio = control->inherits("QRadioButton") || control->inherits("QCheckBox");
    QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier,
                      radio ? QPoint(6, control->height() / 2) : control->rect().center());
}

// Waits until the measurement the operator started has a result or a
// refusal; false when it never ends.
bool WaitForOutcome(QWidget& dialog)
{
    auto* apply = Child<QAbstractButton>(dialog, "apply");
    auto* status = Child<QLabel>(dialog, "status");
    auto* measure = Child<QAbstractButton>(dialog, "measure");
    return QTest::qWaitFor(
        [&] { return measure->text() != "&Stop" && (apply->isEnabled() || !status->text().isEmpty()); }, kWaitMs);
}

bool Measure(QWidget& dialog)
{
    Click(Child(dialog, "measure"));
    return WaitForOutcome(dialog);
}

std::vector<Row> Rows(QWidget& dialog)
{
    std::vector<Row> rows;
    auto* table = Child<QTableWidget>(dialog, "results");
    for (int r = 0; r < table->rowCount(); ++r) {
        Row row;
        for (int c = 0; c < table->columnCount(); ++c)
            row.cells.push_back(table->item(r, c)->text());
        rows.push_back(row);
    }
    return rows;
}

// The first number after `before` in text.
double NumberAfter(const QString& text, const QString& before)
{
    const QRegularExpression pattern(QRegularExpression::escape(before) + "\\s*(-?[0-9]+\\.?[0-9]*)");
    const QRegularExpressionMatch m = pattern.match(text);
    EXPECT_TRUE(m.hasMatch()) << text.toStdString() << " has no number after " << before.toStdString();
    return m.captured(1).toDouble();
}

class StandardsInTheProgram : public testing::Test {
protected:
    void SetUp() override
    {
        setenv("VEXLAR_SIM_SPEED", kSpeed, 1);
        app.hinst = &app;
    }

    void TearDown() override
    {
        frame.reset();
        unsetenv("VEXLAR_SIM_SPEED");
        unsetenv("VEXLAR_SIM_SAMPLE");
    }

    static void Set(const char* section, const char* key, const char* value)
    {
        ASSERT_TRUE(sys::WritePrivateProfileString(section, key, value, kSettings));
    }

    static std::string Get(const char* section, const char* key)
    {
        char value[64];
        sys::GetPrivateProfileString(section, key, "", value, sizeof value, kSettings);
        return value;
    }

    // Starts the program with the simulated spectrometer holding sample in
    // front of every channel, and waits for its first scans.
    void Start(const char* sample)
    {
        setenv("VEXLAR_SIM_SAMPLE", sample, 1);
        frame = std::make_unique<CMainFrame>(&app, &document);
        ASSERT_TRUE(frame->Create());
        frame->view()->OnInitialUpdate();
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        ASSERT_TRUE(WaitForScans(3));
    }

    std::uint64_t Redraws() const
    {
        std::uint64_t count = 0;
        XrtGetRedrawCount(frame->view()->chart(), &count);
        return count;
    }

    bool WaitForScans(int scans)
    {
        const std::uint64_t start = Redraws();
        return QTest::qWaitFor([&] { return Redraws() >= start + static_cast<std::uint64_t>(scans); }, kWaitMs);
    }

    // The x and y values the chart shows, pixel by pixel.
    std::vector<double> Shown(bool x) const
    {
        XrtHandle data = 0;
        EXPECT_TRUE(XrtGetValues(frame->view()->chart(), XRT_DATA, &data));
        std::vector<double> values(kPixels);
        for (int i = 0; i < kPixels; ++i) {
            if (x)
                XrtDataGetXElementIndirect(data, 0, i, &values[i]);
            else
                XrtDataGetYElementIndirect(data, 0, i, &values[i]);
        }
        return values;
    }

    // Runs a command of the menu and plays the operator in the dialog it
    // opens; a dialog the play leaves open is cancelled. False when no such
    // dialog came up.
    template <class Dialog>
    bool Operate(int command, const std::function<void(Dialog&)>& play)
    {
        bool played = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            played = true;
            EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog));
            play(*dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
        const vexlar::test::StuckDialogGuard guard(3 * kWaitMs);
        frame->action(command)->trigger();
        return played;
    }

    void ClickLaser() { Click(frame->controlBar()->Control(IDC_LASER)); }

    sys::MessageRecorder messages;
    AppContext app;
    CVexlarDoc document;
    std::unique_ptr<CMainFrame> frame;
};

}  // namespace

TEST_F(StandardsInTheProgram, ALampCalibrationOff1_5NanometresAnd1PercentIsRecoveredAndSavedAtExit)
{
    Set("Master", "Intercept", "351.5");
    Set("Master", "First", "0.505");
    Start("neon");
    const std::vector<double> before = Shown(true);
    ASSERT_NEAR(before[2047] - TrueWavelength(2047), 1.5 + 0.005 * 2047, 1e-3) << "more than 10 nm off at the end";

    double firstPixel = 0.0;
    double lastPixel = 0.0;
    double endUncertainty[2] = {};
    ASSERT_TRUE(Operate<CLampCalibrationDlg>(ID_CALIBRATE_FROM_LAMP, [&](CLampCalibrationDlg& d) {
        EXPECT_EQ(d.windowTitle(), "Calibrate from Lamp");
        // The defaults: the average of five fresh scans, the order chosen
        // from the lines, 15 nm.
        EXPECT_TRUE(Child<QAbstractButton>(d, "freshScans")->isChecked());
        EXPECT_EQ(Child<QSpinBox>(d, "scanCount")->value(), 5);
        EXPECT_EQ(Child<QComboBox>(d, "order")->currentText(), "Auto");
        EXPECT_EQ(Child<QSpinBox>(d, "searchRange")->value(), 15);
        EXPECT_FALSE(Child<QAbstractButton>(d, "apply")->isEnabled()) << "nothing to apply yet";
        ASSERT_TRUE(Measure(d));
        EXPECT_EQ(Child<QLabel>(d, "status")->text(), "");

        int used = 0;
        for (const Row& r : Rows(d)) {
            used += r.cells.back() == "used";
            EXPECT_NEAR(r.number(3), r.number(0) - r.number(2), 1.5e-4) << "residual = reference - fitted";
        }
        EXPECT_GE(used, 20);
        const QString span = Child<QLabel>(d, "span")->text();
        EXPECT_TRUE(span.contains("Outside this span the calibration is extrapolated.")) << span.toStdString();
        const QRegularExpressionMatch pixels = QRegularExpression("pixels ([0-9.]+) to ([0-9.]+)\\)").match(span);
        ASSERT_TRUE(pixels.hasMatch()) << span.toStdString();
        firstPixel = pixels.captured(1).toDouble();
        lastPixel = pixels.captured(2).toDouble();
        EXPECT_LT(firstPixel, 400.0);
        EXPECT_GT(lastPixel, 1000.0);
        // The simulator's calibration is quadratic.
        EXPECT_EQ(LabelText(d, "orderChoice"),
                  "Order 2, chosen from the lines: order 3 does not fit them significantly better.");
        const QString ends = LabelText(d, "uncertainty");
        const QRegularExpressionMatch errors =
            QRegularExpression(QString::fromUtf8("^Estimated uncertainty of the calibration: \u00b1([0-9.]+) nm at "
                                                 "pixel 0, \u00b1([0-9.]+) nm at pixel 2047\\.$"))
                .match(ends);
        ASSERT_TRUE(errors.hasMatch()) << ends.toStdString();
        endUncertainty[0] = errors.captured(1).toDouble();
        endUncertainty[1] = errors.captured(2).toDouble();
        EXPECT_TRUE(Child<QLabel>(d, "rule")->text().contains("three times the lines' robust spread"));
        Click(Child(d, "apply"));
    }));

    // The chart's wavelength axis is the simulator's own calibration within
    // 0.05 nm over the span of the lines.
    const std::vector<double> after = Shown(true);
    double worst = 0.0;
    for (int p = static_cast<int>(std::ceil(firstPixel)); p <= static_cast<int>(lastPixel); ++p)
        worst = std::max(worst, std::fabs(after[p] - TrueWavelength(p)));
    EXPECT_LE(worst, 0.05);
    // Outside it, within three times the uncertainty stated for the ends.
    EXPECT_LE(std::fabs(after[0] - TrueWavelength(0)), 3.0 * endUncertainty[0]);
    EXPECT_LE(std::fabs(after[2047] - TrueWavelength(2047)), 3.0 * endUncertainty[1]);
    EXPECT_TRUE(messages.messages().empty());

    // Stored as the spectrometer configuration stores it, written at exit.
    frame.reset();
    const double c0 = std::atof(Get("Master", "Intercept").c_str());
    const double c1 = std::atof(Get("Master", "First").c_str());
    const double c2 = std::atof(Get("Master", "Second").c_str());
    const double c3 = std::atof(Get("Master", "Third").c_str());
    EXPECT_NE(Get("Master", "Intercept"), "351.500000");
    for (int p = static_cast<int>(std::ceil(firstPixel)); p <= static_cast<int>(lastPixel); ++p)
        ASSERT_NEAR(((c3 * p + c2) * p + c1) * p + c0, TrueWavelength(p), 0.05) << "pixel " << p;
    EXPECT_EQ(Get("Slave1", "Intercept"), "350.000000") << "only the selected channel";
}

TEST_F(StandardsInTheProgram, LampLinesSaturatedAt300MillisecondsAreLeftOutAndCounted)
{
    Set("Acquisition", "IntegrationTime", "300");
    Set("Acquisition", "Boxcar", "0");
    Set("Master", "First", "0.505");
    Start("neon");
    ASSERT_TRUE(Operate<CLampCalibrationDlg>(ID_CALIBRATE_FROM_LAMP, [&](CLampCalibrationDlg& d) {
        ASSERT_TRUE(Measure(d));
        EXPECT_EQ(Child<QLabel>(d, "status")->text(), "") << "the lines within range calibrate";
        // Three times the neon lamp's brightness: its eight strongest lines
        // rise above the 12-bit full scale.
        const QString saturation = LabelText(d, "saturation");
        EXPECT_EQ(saturation.toStdString(), "8 lamp lines were saturated (their tops reach the detector's full "
                                            "scale) and were not used: choose a shorter integration time.");
        Click(Child(d, "apply"));
    }));
    const std::vector<double> after = Shown(true);
    for (int p = 400; p <= 1100; ++p)
        ASSERT_NEAR(after[p], TrueWavelength(p), 0.03) << "pixel " << p;
}

TEST_F(StandardsInTheProgram, ASpectrumWithoutLampLinesIsRefusedAndCancelChangesNothing)
{
    Set("Master", "Intercept", "351.5");
    Start("none");
    const std::vector<double> before = Shown(true);
    ASSERT_TRUE(Operate<CLampCalibrationDlg>(ID_CALIBRATE_FROM_LAMP, [&](CLampCalibrationDlg& d) {
        ASSERT_TRUE(Measure(d));
        // Noise can look like a line now and then: the refusal says how many
        // were found (none, or a stray one) and how many are needed.
        const QString refusal = Child<QLabel>(d, "status")->text();
        EXPECT_TRUE(refusal.startsWith("No lamp lines were found in the spectrum; ") ||
                    refusal.startsWith("Found 1 lamp line; "))
            << refusal.toStdString();
        EXPECT_TRUE(refusal.endsWith("a polynomial of order 1 needs at least 4 matched lines."));
        ASSERT_EQ(messages.messages().size(), 1u);
        EXPECT_EQ(messages.messages()[0].text, refusal.toStdString());
        EXPECT_EQ(messages.messages()[0].title, "Vexlar Error");
        EXPECT_FALSE(Child<QAbstractButton>(d, "apply")->isEnabled());

        // Changing the order says again, without a box, what is needed.
        auto* order = Child<QComboBox>(d, "order");
        order->setCurrentIndex(order->findText("3"));
        EXPECT_TRUE(Child<QLabel>(d, "status")->text().endsWith("order 3 needs at least 6 matched lines."));
        EXPECT_EQ(messages.messages().size(), 1u);
        Click(Child(d, "cancel"));
    }));
    EXPECT_EQ(Shown(true), before);
    frame.reset();
    EXPECT_EQ(Get("Master", "Intercept"), "351.5") << "a value this run did not change stays as the file held it";
}

TEST_F(StandardsInTheProgram, CancellingACalibrationReadyToApplyChangesNothing)
{
    Set("Master", "First", "0.505");
    Start("neon");
    const std::vector<double> before = Shown(true);
    ASSERT_TRUE(Operate<CLampCalibrationDlg>(ID_CALIBRATE_FROM_LAMP, [&](CLampCalibrationDlg& d) {
        ASSERT_TRUE(Measure(d));
        EXPECT_TRUE(Child<QAbstractButton>(d, "apply")->isEnabled());
        Click(Child(d, "cancel"));
    }));
    // The axis as it was, and the spectrum still on show: nothing rebuilt.
    EXPECT_EQ(Shown(true), before);
    const std::vector<double> y = Shown(false);
    EXPECT_GT(*std::max_element(y.begin(), y.end()), 1000.0);
    frame.reset();
    EXPECT_EQ(Get("Master", "First"), "0.505") << "a value this run did not change stays as the file held it";
    EXPECT_EQ(Get("Master", "Intercept"), "350.000000") << "a key the file lacked is written";
}

TEST_F(StandardsInTheProgram, ALaserField0_3NanometresOffIsFoundOnCyclohexaneAndSetAsTheFieldWould)
{
    Set("Acquisition", "LaserWavelength", "632.5");
    Set("DialogBar", "LaserWavelength", "632.5");
    // Smoothing off, as for any calibration: it widens the bands until the
    // pair at 384 and 426 cm-1 can no longer be told apart.
    Set("Acquisition", "Boxcar", "0");
    Set("Acquisition", "ViewRaman", "1");
    Set("DialogBar", "XAxis", "Raman Shift (cm-1)");
    Start("cyclohexane");
    ClickLaser();
    ASSERT_TRUE(WaitForScans(3));

    ASSERT_TRUE(Operate<CRamanShiftCheckDlg>(ID_CHECK_RAMAN_SHIFT, [&](CRamanShiftCheckDlg& d) {
        EXPECT_EQ(d.windowTitle(), "Check Raman Shift");
        EXPECT_EQ(Child<QComboBox>(d, "standard")->currentText(), "Cyclohexane");
        EXPECT_TRUE(Child<QLabel>(d, "header")->text().contains("632.500 nm"));
        // Twenty scans, as an operator checking a calibration would average:
        // the weak pair at 384 and 426 cm-1 stands barely above the noise of
        // five, and its centres move the mean error by half a wavenumber.
        Child<QSpinBox>(d, "scanCount")->setValue(20);
        ASSERT_TRUE(Measure(d));
        // 1e7/632.5 − 1e7/632.8 = 7.496 cm-1 on every band.
        EXPECT_NEAR(NumberAfter(Child<QLabel>(d, "summary")->text(), "Mean error"), 7.5, 0.5);
        EXPECT_NEAR(NumberAfter(Child<QLabel>(d, "bestLaser")->text(), "A laser wavelength of"), 632.8, 0.02);
        Click(Child(d, "apply"));
    }));
    const double laser = std::atof(frame->controlBar()->Text(IDC_LASER_WAVELENGTH).c_str());
    EXPECT_NEAR(laser, 632.8, 0.02);
    EXPECT_TRUE(messages.messages().empty());

    // The check again with the laser it offered: the eight strongest bands
    // within 1.5 cm-1 on average.
    ASSERT_TRUE(WaitForScans(2));
    ASSERT_TRUE(Operate<CRamanShiftCheckDlg>(ID_CHECK_RAMAN_SHIFT, [&](CRamanShiftCheckDlg& d) {
        ASSERT_TRUE(Measure(d));
        std::vector<Row> measured;
        for (const Row& r : Rows(d)) {
            if (r.cells.back() == "used" || r.cells.back() == "rejected")
                measured.push_back(r);
        }
        ASSERT_GE(measured.size(), 8u);
        std::sort(measured.begin(), measured.end(),
                  [](const Row& a, const Row& b) { return a.number(3) > b.number(3); });
        double sum = 0.0;
        for (int k = 0; k < 8; ++k)
            sum += std::fabs(measured[k].number(2));
        EXPECT_LE(sum / 8.0, 1.5);
        Click(Child(d, "cancel"));
    }));
    EXPECT_EQ(frame->controlBar()->Text(IDC_LASER_WAVELENGTH), QString::number(laser, 'f', 3).toStdString())
        << "Cancel leaves the field";
    ClickLaser();
}

TEST_F(StandardsInTheProgram, TheDialogsWorkFromTheKeyboardUnderADecimalCommaLanguage)
{
    test::DecimalCommaLanguage comma;
    ASSERT_TRUE(comma.made()) << comma.failure();
    ASSERT_TRUE(comma.UseForNumbers());
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Set("Master", "First", "0.505");
    Start("neon");

    ASSERT_TRUE(Operate<CLampCalibrationDlg>(ID_CALIBRATE_FROM_LAMP, [&](CLampCalibrationDlg& d) {
        // Return in a field measures: the measuring button is the default.
        auto* scans = Child<QSpinBox>(d, "scanCount");
        scans->setFocus(Qt::TabFocusReason);
        QLineEdit* edit = scans->findChild<QLineEdit*>();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, "3");
        EXPECT_EQ(scans->value(), 3);
        QTest::keyClick(scans, Qt::Key_Return);
        ASSERT_TRUE(WaitForOutcome(d));
        EXPECT_TRUE(Child<QAbstractButton>(d, "apply")->isEnabled());
        const std::vector<Row> rows = Rows(d);
        ASSERT_FALSE(rows.empty());
        for (const Row& r : rows) {
            for (const QString& cell : r.cells)
                EXPECT_FALSE(cell.contains(',')) << cell.toStdString();
        }
        EXPECT_FALSE(Child<QLabel>(d, "span")->text().contains(','));
        EXPECT_EQ(Child<QSpinBox>(d, "searchRange")->text(), QString::fromUtf8("\u00b1 15 nm"));

        // Minimised and restored: the same result, still ready to apply.
        d.showMinimized();
        QTest::qWait(50);
        d.showNormal();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&d));
        EXPECT_EQ(Rows(d).size(), rows.size());
        EXPECT_TRUE(Child<QAbstractButton>(d, "apply")->isEnabled());
        // Escape cancels.
        QTest::keyClick(&d, Qt::Key_Escape);
        EXPECT_FALSE(d.isVisible());
    }));
    QLocale::setDefault(previous);
}

TEST_F(StandardsInTheProgram, ALampFitFromLinesMatchedByChanceIsNotOfferedAndSaysWhatToDo)
{
    // 25 nm off: beyond the default search range of 15 nm.
    Set("Master", "Intercept", "375");
    Start("neon");
    ASSERT_TRUE(Operate<CLampCalibrationDlg>(ID_CALIBRATE_FROM_LAMP, [&](CLampCalibrationDlg& d) {
        const int width = d.width();
        ASSERT_TRUE(Measure(d));
        const QString refusal = Child<QLabel>(d, "status")->text();
        EXPECT_FALSE(Child<QAbstractButton>(d, "apply")->isEnabled()) << refusal.toStdString();
        EXPECT_LE(d.minimumSizeHint().width(), width) << "the refusal is wrapped, not the dialog widened";
        EXPECT_TRUE(refusal.contains("widen the search range")) << refusal.toStdString();

        // Widened to 40 nm, the lamp gives the true calibration.
        Child<QSpinBox>(d, "searchRange")->setValue(40);
        ASSERT_TRUE(WaitForOutcome(d));
        EXPECT_EQ(Child<QLabel>(d, "status")->text(), "");
        EXPECT_TRUE(Child<QAbstractButton>(d, "apply")->isEnabled());
        int used = 0;
        for (const Row& r : Rows(d)) {
            if (r.cells.back() == "used") {
                ++used;
                // Within a third of a pixel: a line matched to a wrong
                // reference would be a line spacing off.
                EXPECT_NEAR(r.number(2), r.number(0), 0.15);
            }
        }
        EXPECT_GE(used, 20);
        Click(Child(d, "cancel"));
    }));
}

TEST_F(StandardsInTheProgram, TheRamanCheckOffersNoLaserForTheWrongStandardOrWithTheLaserOff)
{
    Set("Acquisition", "Boxcar", "0");
    Set("Acquisition", "ViewRaman", "1");
    Set("DialogBar", "XAxis", "Raman Shift (cm-1)");
    Start("cyclohexane");
    ASSERT_TRUE(WaitForScans(2));

    // The laser off: no bands, and the dialog says to look at the laser.
    ASSERT_TRUE(Operate<CRamanShiftCheckDlg>(ID_CHECK_RAMAN_SHIFT, [&](CRamanShiftCheckDlg& d) {
        ASSERT_TRUE(Measure(d));
        const QString refusal = Child<QLabel>(d, "status")->text();
        EXPECT_TRUE(refusal.contains("Is the laser on")) << refusal.toStdString();
        EXPECT_FALSE(Child<QAbstractButton>(d, "apply")->isEnabled());
        Click(Child(d, "cancel"));
    }));
    messages.clear();

    // Cyclohexane in front of the spectrometer, polystyrene chosen.
    ClickLaser();
    ASSERT_TRUE(WaitForScans(3));
    ASSERT_TRUE(Operate<CRamanShiftCheckDlg>(ID_CHECK_RAMAN_SHIFT, [&](CRamanShiftCheckDlg& d) {
        auto* standard = Child<QComboBox>(d, "standard");
        // Twenty scans, so that the weak pair at 384 and 426 cm-1 stands
        // well above the noise.
        Child<QSpinBox>(d, "scanCount")->setValue(20);
        ASSERT_TRUE(Measure(d));
        EXPECT_TRUE(Child<QAbstractButton>(d, "apply")->isEnabled()) << "cyclohexane checks";
        standard->setCurrentIndex(standard->findText("Polystyrene"));
        ASSERT_TRUE(WaitForOutcome(d));
        const QString refusal = Child<QLabel>(d, "status")->text();
        EXPECT_TRUE(refusal.startsWith("Polystyrene: ")) << refusal.toStdString();
        EXPECT_TRUE(refusal.contains("is the chosen standard the sample in front of the spectrometer?"))
            << refusal.toStdString();
        EXPECT_FALSE(Child<QAbstractButton>(d, "apply")->isEnabled());
        Click(Child(d, "cancel"));
    }));
    ClickLaser();
}
