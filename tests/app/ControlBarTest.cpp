// The acquisition controls driven through the control bar's real widgets.

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QWheelEvent>

#include <algorithm>
#include <filesystem>
#include <string>

#include "Profile.h"
#include "Xrt.h"
#include "calibration/Axes.h"
#include "commands/CommandIds.h"
#include "support/DecimalCommaLanguage.h"
#include "support/FrameFixture.h"
#include "support/OperatorInput.h"
#include "support/TempDir.h"
#include "support/TestFiles.h"

using namespace vexlar;
using namespace vexlar::test;

namespace {

QComboBox* List(AcquisitionBar* bar, int id)
{
    return qobject_cast<QComboBox*>(bar->Control(id));
}

// The operator drops a list down with the keyboard and picks the item at
// index with the arrow keys and Return.
void ChooseItem(QComboBox* list, int index)
{
    ASSERT_TRUE(ClickInto(list));
    ASSERT_TRUE(DropDown(list));
    const QModelIndex highlighted = list->view()->currentIndex();
    // Down from no highlighted item goes to the first.
    const int steps = highlighted.isValid() ? index - highlighted.row() : index + 1;
    ChooseWithKeys(list, steps);
}

// The operator drops a list down and closes it with Escape.
void DropDownAndEscape(QComboBox* list)
{
    ASSERT_TRUE(ClickInto(list));
    ASSERT_TRUE(DropDown(list));
    CloseWithEscape(list);
}

// The integration time of the last parameters sent to the driver.
int LastIntegrationTimeSent()
{
    const std::vector<DriverCall> sent = RecordingDriver::Get().CallsNamed("QDV_ParamSet");
    return sent.empty() ? -1 : sent.back().block.IntegrationTime;
}

using ControlBar = FrameFixture;

}  // namespace

TEST_F(ControlBar, NumericFieldsGoToTheDriverEveryTimeTheyAreLeft)
{
    Start();
    ASSERT_TRUE(Activate(*frame));
    driver().ClearCalls();
    TypeIntoAndTab(bar()->Control(IDC_INTEGRATION_TIME), "250");
    ASSERT_EQ(driver().Count("QDV_ParamSet"), 1u);
    EXPECT_EQ(driver().CallsNamed("QDV_ParamSet")[0].block.IntegrationTime, 250);
    EXPECT_EQ(driver().CallsNamed("QDV_ParamSet")[0].block.changed, 1);
    EXPECT_EQ(app.driverParams.changed, 0);
    EXPECT_TRUE(bar()->Control(IDC_AVERAGE)->hasFocus()) << "Tab goes on to Avg";

    TypeIntoAndTab(bar()->Control(IDC_AVERAGE), "abc");
    EXPECT_EQ(app.driverParams.Average, 0);
    TypeIntoAndTab(bar()->Control(IDC_BOXCAR), " 3 px");
    EXPECT_EQ(app.driverParams.Boxcar, 3);
    EXPECT_EQ(driver().Count("QDV_ParamSet"), 3u);

    // Leaving a field unchanged still sends the parameters.
    ASSERT_TRUE(ClickInto(bar()->Control(IDC_BOXCAR)));
    PressKey(Qt::Key_Tab);
    EXPECT_EQ(driver().Count("QDV_ParamSet"), 4u);
    ASSERT_TRUE(ClickInto(bar()->Control(IDC_INTEGRATION_TIME)));
    PressKey(Qt::Key_Tab);
    EXPECT_EQ(driver().Count("QDV_ParamSet"), 5u);
    EXPECT_EQ(LastIntegrationTimeSent(), 250);

    // An item chosen from the integration-time list; a list closed on no
    // item uses the typed text.
    ChooseItem(List(bar(), IDC_INTEGRATION_TIME), 20);
    EXPECT_EQ(bar()->Text(IDC_INTEGRATION_TIME), "5000");
    EXPECT_EQ(LastIntegrationTimeSent(), 5000);
    TypeIntoAndTab(bar()->Control(IDC_INTEGRATION_TIME), "70");
    DropDownAndEscape(List(bar(), IDC_INTEGRATION_TIME));
    EXPECT_EQ(LastIntegrationTimeSent(), 70);
}

TEST_F(ControlBar, EnterAppliesATypedValueAndACommandActsOnWhatTheFieldShows)
{
    Start();
    ASSERT_TRUE(Activate(*frame));
    driver().ClearCalls();

    // Enter applies the field as leaving it does; the focus stays, and the
    // integration-time list gains no item.
    const int items = List(bar(), IDC_INTEGRATION_TIME)->count();
    ASSERT_TRUE(ClickInto(bar()->Control(IDC_INTEGRATION_TIME)));
    PressKey(Qt::Key_A, Qt::ControlModifier);
    TypeKeys("4");
    PressKey(Qt::Key_Return);
    EXPECT_EQ(LastIntegrationTimeSent(), 4);
    EXPECT_TRUE(bar()->Control(IDC_INTEGRATION_TIME)->hasFocus());
    EXPECT_EQ(List(bar(), IDC_INTEGRATION_TIME)->count(), items);
    ASSERT_TRUE(ClickInto(bar()->Control(IDC_AVERAGE)));
    PressKey(Qt::Key_A, Qt::ControlModifier);
    TypeKeys("7");
    PressKey(Qt::Key_Enter);
    EXPECT_EQ(app.driverParams.Average, 7);

    // Typed and not left: a tool-bar command (whose button takes no focus)
    // first applies what the field shows, so the dark is stored at the
    // integration time on screen.
    ASSERT_TRUE(ClickInto(bar()->Control(IDC_INTEGRATION_TIME)));
    PressKey(Qt::Key_A, Qt::ControlModifier);
    TypeKeys("100");
    driver().ClearCalls();
    frame->action(ID_STORE_DARK)->trigger();
    EXPECT_EQ(LastIntegrationTimeSent(), 100);
    ASSERT_EQ(driver().Count("QDV_ParamSet"), 1u);

    // A field not typed into since it was applied is not applied again by a
    // command.
    frame->action(ID_STORE_DARK)->trigger();
    EXPECT_EQ(driver().Count("QDV_ParamSet"), 1u);
}

// A refusal is shown once, however the value was confirmed: the message box
// takes the keyboard focus from the field, and losing it to the box is no
// second confirmation of the same text.
TEST_F(ControlBar, ARefusalConfirmedWithEnterIsShownOnce)
{
    Start();
    ASSERT_TRUE(Activate(*frame));
    QWidget box;
    sys::MessageRecorder shown([&] {
        Activate(box);
        box.hide();
        Activate(*frame);
    });
    const struct {
        int id;
        const char* typed;
    } refused[] = {{IDC_INTEGRATION_TIME, "70000"}, {IDC_AVERAGE, "40000"}, {IDC_LASER_WAVELENGTH, "632,5"}};
    for (const auto& c : refused) {
        shown.clear();
        ASSERT_TRUE(ClickInto(bar()->Control(c.id)));
        PressKey(Qt::Key_A, Qt::ControlModifier);
        TypeKeys(c.typed);
        PressKey(Qt::Key_Return);
        EXPECT_EQ(shown.messages().size(), 1u) << c.typed;
    }
}

TEST_F(ControlBar, ANumberTheDriversFieldCannotHoldIsRefusedAndTheFieldShowsTheValueInForce)
{
    DecimalCommaLanguage comma;
    ASSERT_TRUE(comma.made()) << comma.failure();
    ASSERT_TRUE(comma.UseForNumbers());
    Start();
    ASSERT_TRUE(Activate(*frame));
    TypeIntoAndTab(bar()->Control(IDC_INTEGRATION_TIME), "250");
    TypeIntoAndTab(bar()->Control(IDC_AVERAGE), "4");
    TypeIntoAndTab(bar()->Control(IDC_BOXCAR), "2");
    ASSERT_TRUE(messages.messages().empty());
    driver().ClearCalls();

    struct Case {
        int id;
        const char* typed;
        const char* message;
        const char* shownAgain;
    };
    const Case refused[] = {
        {IDC_INTEGRATION_TIME, "70000", "The integration time can be at most 65535 msec: \"70000\" was not applied.",
         "250"},
        {IDC_INTEGRATION_TIME, "99999", "The integration time can be at most 65535 msec: \"99999\" was not applied.",
         "250"},
        {IDC_INTEGRATION_TIME, "-5", "The integration time can be no less than 0 msec: \"-5\" was not applied.", "250"},
        {IDC_AVERAGE, "99999", "The number of spectra to average can be at most 32767: \"99999\" was not applied.",
         "4"},
        {IDC_AVERAGE, "99999999999",
         "The number of spectra to average can be at most 32767: \"99999999999\" was "
         "not applied.",
         "4"},
        {IDC_BOXCAR, "-40000", "The boxcar smoothing width can be no less than -32768: \"-40000\" was not applied.",
         "2"},
        {IDC_BOXCAR, "32768 px", "The boxcar smoothing width can be at most 32767: \"32768 px\" was not applied.", "2"},
    };
    for (const Case& c : refused) {
        messages.clear();
        TypeIntoAndTab(bar()->Control(c.id), c.typed);
        ASSERT_EQ(messages.messages().size(), 1u) << c.typed;
        EXPECT_EQ(messages.messages()[0].title, "Vexlar Error");
        EXPECT_EQ(messages.messages()[0].text, c.message);
        EXPECT_EQ(bar()->Text(c.id), c.shownAgain) << "the field shows the value in force again";
    }
    // Leaving a field unchanged sends the parameters again, as ever; never
    // a wrapped or cut value.
    for (const DriverCall& sent : driver().CallsNamed("QDV_ParamSet")) {
        EXPECT_EQ(sent.block.IntegrationTime, 250);
        EXPECT_EQ(sent.block.Average, 4);
        EXPECT_EQ(sent.block.Boxcar, 2);
    }
    EXPECT_EQ(app.driverParams.IntegrationTime, 250);
    EXPECT_EQ(app.driverParams.Average, 4);
    EXPECT_EQ(app.driverParams.Boxcar, 2);

    // The largest and smallest values the fields hold still go through.
    messages.clear();
    TypeIntoAndTab(bar()->Control(IDC_INTEGRATION_TIME), "65535");
    EXPECT_EQ(LastIntegrationTimeSent(), 65535);
    TypeIntoAndTab(bar()->Control(IDC_AVERAGE), "32767");
    EXPECT_EQ(driver().CallsNamed("QDV_ParamSet").back().block.Average, 32767);
    TypeIntoAndTab(bar()->Control(IDC_BOXCAR), "-32768");
    EXPECT_EQ(driver().CallsNamed("QDV_ParamSet").back().block.Boxcar, -32768);
    EXPECT_TRUE(messages.messages().empty());

    // After a refusal the field shows what the driver has: the last applied.
    TypeIntoAndTab(bar()->Control(IDC_INTEGRATION_TIME), "65536");
    EXPECT_EQ(bar()->Text(IDC_INTEGRATION_TIME), "65535");
    EXPECT_EQ(LastIntegrationTimeSent(), 65535);
}

TEST_F(ControlBar, TheIntegrationTimeFieldTakesExactlyWhatIsTyped)
{
    Start();
    ASSERT_TRUE(Activate(*frame));
    // Each of these begins an item of the list ("25000", "600", "700", "30").
    for (const char* typed : {"250", "60", "7", "3"}) {
        TypeIntoAndTab(bar()->Control(IDC_INTEGRATION_TIME), typed);
        EXPECT_EQ(bar()->Text(IDC_INTEGRATION_TIME), typed);
        EXPECT_EQ(LastIntegrationTimeSent(), std::stoi(typed));
    }
    // The channel and axis fields complete nothing either.
    TypeIntoAndTab(bar()->Control(IDC_CHANNEL), "S");
    EXPECT_EQ(bar()->Text(IDC_CHANNEL), "S");
}

TEST_F(ControlBar, AClosedListStandsForTheItemTheFieldShowsOrForNone)
{
    // Channel 3 starts at 420 nm.
    ASSERT_TRUE(WriteSettingsFile("[Slave3]\nIntercept=420.0\n"));
    Start();
    ASSERT_TRUE(Activate(*frame));
    QComboBox* times = List(bar(), IDC_INTEGRATION_TIME);
    ChooseItem(times, 20);
    ASSERT_EQ(LastIntegrationTimeSent(), 5000);
    TypeIntoAndTab(times, "12");
    ASSERT_EQ(LastIntegrationTimeSent(), 12);

    // Dropped down on a text that is no item: nothing is highlighted, and
    // Escape leaves what the field shows.
    ASSERT_TRUE(ClickInto(times));
    ASSERT_TRUE(DropDown(times));
    EXPECT_FALSE(times->view()->currentIndex().isValid());
    CloseWithEscape(times);
    EXPECT_EQ(bar()->Text(IDC_INTEGRATION_TIME), "12");
    EXPECT_EQ(LastIntegrationTimeSent(), 12);

    // On a text that is an item, that item. Dropping the list down does not
    // leave the field; closing it reports once.
    TypeIntoAndTab(times, "100");
    ASSERT_TRUE(ClickInto(times));
    driver().ClearCalls();
    ASSERT_TRUE(DropDown(times));
    EXPECT_EQ(times->view()->currentIndex().row(), 10);
    // X11 gives the list's own window the focus a moment after it opens.
    QFocusEvent toTheList(QEvent::FocusOut, Qt::OtherFocusReason);
    QCoreApplication::sendEvent(times, &toTheList);
    EXPECT_EQ(driver().Count("QDV_ParamSet"), 0u);
    CloseWithEscape(times);
    EXPECT_EQ(driver().Count("QDV_ParamSet"), 1u);
    EXPECT_EQ(LastIntegrationTimeSent(), 100);

    // Chosen with the mouse: dropped with a click on the arrow, an item
    // clicked.
    ASSERT_TRUE(DropDownWithMouse(times));
    ChooseWithMouse(times, 21);
    EXPECT_EQ(bar()->Text(IDC_INTEGRATION_TIME), "10000");
    EXPECT_EQ(LastIntegrationTimeSent(), 10000);
    // Closed by a click elsewhere (which may also take the focus out of the
    // field): what the field shows.
    TypeIntoAndTab(times, "15");
    ASSERT_TRUE(DropDownWithMouse(times));
    driver().ClearCalls();
    CloseWithClickElsewhere(times);
    EXPECT_FALSE(IsDroppedDown(times));
    ASSERT_GE(driver().Count("QDV_ParamSet"), 1u);
    for (const DriverCall& sent : driver().CallsNamed("QDV_ParamSet"))
        EXPECT_EQ(sent.block.IntegrationTime, 15);

    // A channel typed as an item's text is that channel; the x axis list
    // closed on a text that is no item changes nothing.
    TypeIntoAndTab(bar()->Control(IDC_CHANNEL), "Slave 3");
    DropDownAndEscape(List(bar(), IDC_CHANNEL));
    double xMin = 0.0;
    XrtGetValues(chart(), XRT_X_MIN, &xMin);
    EXPECT_EQ(xMin, 420.0) << "channel 3's wavelength axis";
    ChooseItem(List(bar(), IDC_X_AXIS), 1);
    TypeIntoAndTab(bar()->Control(IDC_X_AXIS), "Raman");
    DropDownAndEscape(List(bar(), IDC_X_AXIS));
    std::string title;
    XrtGetValues(chart(), XRT_X_TITLE, &title);
    EXPECT_EQ(title, "Raman Shift (cm-1)");

    // The wheel over a list that is not dropped down changes nothing.
    QComboBox* channels = List(bar(), IDC_CHANNEL);
    QWheelEvent wheel(QPointF(5, 5), channels->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(channels, &wheel);
    EXPECT_EQ(bar()->Text(IDC_CHANNEL), "Slave 3");
}

TEST_F(ControlBar, MinimisingOrHidingTheBarChangesNothing)
{
    Start();
    ASSERT_TRUE(Activate(*frame));
    // The operator's set-up, from the lists and fields.
    ChooseItem(List(bar(), IDC_CHANNEL), 0);
    ChooseItem(List(bar(), IDC_X_AXIS), 1);
    ChooseItem(List(bar(), IDC_INTEGRATION_TIME), 20);
    TypeIntoAndTab(bar()->Control(IDC_INTEGRATION_TIME), "12");
    // An additive accumulation under way, the y axis autoscaled.
    driver().Fill(0, 10.0f);
    driver().Post(WM_SCAN_COMPLETE, 0);
    Deliver();
    frame->action(ID_STORE_DARK)->trigger();
    QTest::mouseClick(bar()->Control(IDC_ADDITIVE), Qt::LeftButton);
    frame->action(ID_ADDITIVE_MODE)->trigger();
    for (int scan = 0; scan < 3; ++scan) {
        driver().Fill(0, 30.0f);
        driver().Post(WM_SCAN_COMPLETE, 0);
        Deliver();
    }
    ASSERT_EQ(frame->statusText().toStdString(), "Scan Number 3 ");
    frame->action(ID_AUTOSCALE)->trigger();
    double yMax = 0.0;
    XrtGetValues(chart(), XRT_Y_MAX, &yMax);
    ASSERT_LT(yMax, 4100.0);
    // The operator's attention is on the chart.
    QTest::mouseClick(view(), Qt::LeftButton, Qt::NoModifier, QPoint(400, 300));
    driver().ClearCalls();

    frame->showMinimized();
    DeliverPendingEvents();
    frame->showNormal();
    ASSERT_TRUE(Activate(*frame));
    bar()->toggleViewAction()->trigger();
    DeliverPendingEvents();
    ASSERT_FALSE(bar()->isVisible());
    bar()->toggleViewAction()->trigger();
    DeliverPendingEvents();
    ASSERT_TRUE(bar()->isVisible());

    EXPECT_EQ(driver().Count("QDV_ParamSet"), 0u);
    double yMaxAfter = 0.0;
    XrtGetValues(chart(), XRT_Y_MAX, &yMaxAfter);
    EXPECT_EQ(yMaxAfter, yMax) << "the scale stays";
    driver().Fill(0, 30.0f);
    driver().Post(WM_SCAN_COMPLETE, 0);
    Deliver();
    EXPECT_EQ(frame->statusText().toStdString(), "Scan Number 4 ");
    XrtHandle shown = 0;
    XrtGetValues(chart(), XRT_DATA, &shown);
    double y = 0.0;
    XrtDataGetYElementIndirect(shown, 0, 1500, &y);
    EXPECT_EQ(y, 80.0) << "the sum goes on";
    EXPECT_EQ(bar()->Text(IDC_INTEGRATION_TIME), "12");
    EXPECT_EQ(bar()->Text(IDC_X_AXIS), "Raman Shift (cm-1)");
}

TEST_F(ControlBar, MsecStandsBeforeTheIntegrationTimeList)
{
    Start();
    const QLabel* msec = nullptr;
    for (const QLabel* label : bar()->findChildren<QLabel*>()) {
        if (label->text() == "msec")
            msec = label;
    }
    ASSERT_NE(msec, nullptr);
    const QWidget* times = bar()->Control(IDC_INTEGRATION_TIME);
    EXPECT_LT(msec->mapTo(bar(), QPoint(msec->width(), 0)).x(), times->mapTo(bar(), QPoint(0, 0)).x());
}

TEST_F(ControlBar, ChannelAxisAndLaserLists)
{
    Setting("Slave2", "Intercept", "400.0");
    Start();
    ASSERT_TRUE(Activate(*frame));
    Scan(0, 10.0f);
    ChooseItem(List(bar(), IDC_CHANNEL), 2);
    EXPECT_EQ(bar()->Text(IDC_CHANNEL), "Slave 2");
    EXPECT_EQ(ShownX(0), 400.0) << "Slave 2's axis";
    EXPECT_EQ(ShownY(0), 0.0) << "cleared until the next scan";

    // A list closed with no item selected changes nothing.
    bar()->SetText(IDC_CHANNEL, "Slave 9");
    DropDownAndEscape(List(bar(), IDC_CHANNEL));
    EXPECT_EQ(ShownX(0), 400.0);
    bar()->SetText(IDC_X_AXIS, "Raman");
    DropDownAndEscape(List(bar(), IDC_X_AXIS));
    EXPECT_EQ(ScaleOf(chart()).xTitle, "Wavelength (nm)");

    // Slave 2's scans are shown, and stay as the axis changes.
    Scan(2, 321.0f);
    ChooseItem(List(bar(), IDC_X_AXIS), 1);
    EXPECT_EQ(ScaleOf(chart()).xTitle, "Raman Shift (cm-1)");
    EXPECT_EQ(ShownY(5), 321.0);
    double xMin = -1, yMax = -1;
    XrtGetValues(chart(), XRT_X_MIN, &xMin);
    XrtGetValues(chart(), XRT_Y_MAX, &yMax);
    EXPECT_EQ(xMin, 0.0);
    EXPECT_EQ(yMax, 4100.0);

    driver().ClearCalls();
    QTest::mouseClick(bar()->Control(IDC_LASER), Qt::LeftButton);
    ASSERT_EQ(driver().Names(), (std::vector<std::string>{"QDV_V7400StrobeEnable"}));
    EXPECT_EQ(driver().calls[0].argument, 1);
    QTest::mouseClick(bar()->Control(IDC_LASER), Qt::LeftButton);
    EXPECT_EQ(driver().calls[1].argument, 0);
}

TEST_F(ControlBar, LaserWavelengthFieldRefusesWhatIsNotAWavelength)
{
    Start();
    ASSERT_TRUE(Activate(*frame));
    ChooseItem(List(bar(), IDC_X_AXIS), 0);
    TypeIntoAndTab(bar()->Control(IDC_LASER_WAVELENGTH), "532 nm");
    EXPECT_TRUE(messages.messages().empty());

    // 1e-35 is a positive float, but its wavenumber (1e42 cm-1) is not.
    for (const char* bad : {"0", "-785", "green", "1e-35", "1e39"}) {
        TypeIntoAndTab(bar()->Control(IDC_LASER_WAVELENGTH), bad);
        EXPECT_EQ(bar()->Text(IDC_LASER_WAVELENGTH), "532") << "the last accepted value is shown again";
    }
    ASSERT_EQ(messages.messages().size(), 5u);
    EXPECT_EQ(messages.messages()[0].title, "Vexlar Error");
    EXPECT_NE(messages.messages()[0].text.find("positive number of nanometres"), std::string::npos);

    // The Raman axis is that of 532 nm, held in single precision.
    ChooseItem(List(bar(), IDC_X_AXIS), 1);
    const double wavelength = calibration::PixelWavelength(calibration::Coefficients{}, 1500);
    EXPECT_EQ(ShownX(1500), static_cast<double>(calibration::LaserWavenumber(532.0f)) - 1.0 / (wavelength * 1e-7));
}

TEST_F(ControlBar, ALaserWavelengthWithADecimalCommaIsRefusedNotCut)
{
    DecimalCommaLanguage comma;
    ASSERT_TRUE(comma.made()) << comma.failure();
    ASSERT_TRUE(comma.UseForNumbers());
    Start();
    ASSERT_TRUE(Activate(*frame));
    ChooseItem(List(bar(), IDC_X_AXIS), 1);
    const double wavelength = calibration::PixelWavelength(calibration::Coefficients{}, 1500);
    const auto shiftAt = [&](float laserNm) {
        return static_cast<double>(calibration::LaserWavenumber(laserNm)) - 1.0 / (wavelength * 1e-7);
    };
    ASSERT_EQ(ShownX(1500), shiftAt(632.8f));

    TypeIntoAndTab(bar()->Control(IDC_LASER_WAVELENGTH), "632,5");
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].title, "Vexlar Error");
    EXPECT_EQ(messages.messages()[0].text,
              "The laser wavelength must be written with a decimal point, as in 632.8: \"632,5\" was not applied.");
    EXPECT_EQ(bar()->Text(IDC_LASER_WAVELENGTH), "632.8") << "the wavelength in force, with a decimal point";
    EXPECT_EQ(ShownX(1500), shiftAt(632.8f)) << "the Raman axis is not that of 632 nm";

    // Written with a point, the same wavelength is taken.
    TypeIntoAndTab(bar()->Control(IDC_LASER_WAVELENGTH), "632.5");
    EXPECT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(ShownX(1500), shiftAt(632.5f));
    TypeIntoAndTab(bar()->Control(IDC_LASER_WAVELENGTH), " 785,25 nm");
    ASSERT_EQ(messages.messages().size(), 2u);
    EXPECT_EQ(bar()->Text(IDC_LASER_WAVELENGTH), "632.5");
    EXPECT_EQ(ShownX(1500), shiftAt(632.5f));
}

TEST_F(ControlBar, DarkAndAdditiveSequence)
{
    Start();
    // Additive without a dark is refused.
    frame->action(ID_ADDITIVE_MODE)->trigger();
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text, "You must store a dark spectrum before\nentering the Additive Mode.");
    EXPECT_FALSE(frame->action(ID_ADDITIVE_MODE)->isChecked());

    // Store Dark while subtracting stores the subtracted spectrum.
    Scan(0, 10.0f);
    frame->action(ID_STORE_DARK)->trigger();
    frame->action(ID_SUBTRACT_DARK)->trigger();
    Scan(0, 110.0f);
    frame->action(ID_STORE_DARK)->trigger();
    Scan(0, 110.0f);
    EXPECT_EQ(ShownY(7), 10.0) << "the dark stored is 100";
    frame->action(ID_SUBTRACT_DARK)->trigger();
    Scan(0, 110.0f);

    // Additive clicked: acquisition stops and the count restarts...
    QTest::mouseClick(bar()->Control(IDC_ADDITIVE), Qt::LeftButton);
    Scan(0, 999.0f);
    EXPECT_EQ(ShownY(0), 110.0) << "acquisition has stopped";
    // ...then Additive Mode starts a fresh sum, from zero.
    frame->action(ID_ADDITIVE_MODE)->trigger();
    EXPECT_TRUE(frame->action(ID_ADDITIVE_MODE)->isChecked());
    Scan(0, 130.0f);
    EXPECT_EQ(ShownY(0), 30.0) << "the first scan less the dark, on a sum of zero";
    EXPECT_EQ(frame->statusText().toStdString(), "Scan Number 1 ");

    // Pressed while accumulating it leaves, and the scan in flight is
    // dropped; pressed again it goes on adding to the same sum.
    frame->action(ID_ADDITIVE_MODE)->trigger();
    EXPECT_FALSE(frame->action(ID_ADDITIVE_MODE)->isChecked());
    frame->action(ID_ADDITIVE_MODE)->trigger();
    EXPECT_TRUE(frame->action(ID_ADDITIVE_MODE)->isChecked());
    Scan(0, 999.0f);
    EXPECT_EQ(ShownY(0), 30.0) << "the scan in flight when additive mode was left is dropped";
    Scan(0, 140.0f);
    EXPECT_EQ(ShownY(0), 70.0);

    // Continuous returns to replacing the spectrum.
    QTest::mouseClick(bar()->Control(IDC_CONTINUOUS), Qt::LeftButton);
    EXPECT_FALSE(frame->action(ID_ADDITIVE_MODE)->isChecked());
    Scan(0, 50.0f);
    EXPECT_EQ(ShownY(0), 50.0);
}

TEST_F(ControlBar, ConfigureHardwareOpensTheDriversSetUp)
{
    Start();
    driver().ClearCalls();
    frame->action(ID_CONFIGURE_HARDWARE)->trigger();
    EXPECT_EQ(driver().Names(), (std::vector<std::string>{"QDV_Config"}));
}
