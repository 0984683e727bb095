// The acquisition controls driven through the control bar's real widgets.

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QAbstractItemView>
#include <QTest>

#include <algorithm>

#include "Xrt.h"
#include "app/CommandIds.h"
#include "support/FrameFixture.h"

using namespace vexlar;
using namespace vexlar::test;

namespace {

// The operator types into a field and leaves it.
void TypeAndLeave(QWidget* control, const QString& text)
{
    QLineEdit* edit = qobject_cast<QLineEdit*>(control);
    if (auto* list = qobject_cast<QComboBox*>(control))
        edit = list->lineEdit();
    ASSERT_NE(edit, nullptr);
    edit->clear();
    QTest::keyClicks(edit, text);
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(edit, &leave);
}

// The operator opens a list and closes it, on an item or on none (-1).
void ChooseFromList(QWidget* control, int index)
{
    auto* list = qobject_cast<QComboBox*>(control);
    ASSERT_NE(list, nullptr);
    list->showPopup();
    QTest::qWait(20);
    // Chosen with the keyboard, as an operator does: the list closes first
    // and the item becomes current after.
    if (index >= 0) {
        list->view()->setCurrentIndex(list->model()->index(index, 0));
        QTest::keyClick(list->view(), Qt::Key_Return);
    } else {
        QTest::keyClick(list->view(), Qt::Key_Escape);
    }
    QCoreApplication::sendPostedEvents();
}

}  // namespace

TEST_F(FrameFixture, NumericFieldsGoToTheDriverEveryTimeTheyAreLeft)
{
    Start();
    driver().ClearCalls();
    TypeAndLeave(bar()->Control(IDC_INTEGRATION_TIME), "250");
    ASSERT_EQ(driver().Count("QDV_ParamSet"), 1u);
    EXPECT_EQ(driver().CallsNamed("QDV_ParamSet")[0].block.IntegrationTime, 250);
    EXPECT_EQ(driver().CallsNamed("QDV_ParamSet")[0].block.changed, 1);
    EXPECT_EQ(app.driverParams.changed, 0);

    TypeAndLeave(bar()->Control(IDC_AVERAGE), "abc");
    EXPECT_EQ(app.driverParams.Average, 0);
    TypeAndLeave(bar()->Control(IDC_BOXCAR), " 3 px");
    EXPECT_EQ(app.driverParams.Boxcar, 3);
    EXPECT_EQ(driver().Count("QDV_ParamSet"), 3u);

    // Leaving a field unchanged still sends the parameters.
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(bar()->Control(IDC_BOXCAR), &leave);
    EXPECT_EQ(driver().Count("QDV_ParamSet"), 4u);

    // An item chosen from the integration-time list; a list closed on no
    // item uses the typed text.
    ChooseFromList(bar()->Control(IDC_INTEGRATION_TIME), 20);  // "5000"
    EXPECT_EQ(app.driverParams.IntegrationTime, 5000);
    bar()->SetText(IDC_INTEGRATION_TIME, "70");
    ChooseFromList(bar()->Control(IDC_INTEGRATION_TIME), -1);
    EXPECT_EQ(app.driverParams.IntegrationTime, 70);
}

TEST_F(FrameFixture, ChannelAxisAndLaserLists)
{
    Start();
    view()->calIntercept[2] = 400.0f;
    ChooseFromList(bar()->Control(IDC_CHANNEL), 2);
    EXPECT_EQ(bar()->Text(IDC_CHANNEL), "Slave 2");
    EXPECT_EQ(view()->channel, 2);
    EXPECT_EQ(view()->wavelength[0], 400.0);
    EXPECT_EQ(view()->spectrum[0], 0.0);

    // A list closed with no item selected changes nothing.
    bar()->SetText(IDC_CHANNEL, "Slave 5");
    ChooseFromList(bar()->Control(IDC_CHANNEL), -1);
    EXPECT_EQ(view()->channel, 2);
    bar()->SetText(IDC_X_AXIS, "Raman Shift (cm-1)");
    ChooseFromList(bar()->Control(IDC_X_AXIS), -1);
    EXPECT_EQ(view()->xAxisMode, 0);

    std::fill_n(view()->spectrum, kPixels, 321.0);
    ChooseFromList(bar()->Control(IDC_X_AXIS), 1);
    EXPECT_EQ(view()->xAxisMode, 1);
    EXPECT_EQ(view()->spectrum[5], 321.0);
    double xMin = -1, yMax = -1;
    XrtGetValues(view()->chart(), XRT_X_MIN, &xMin);
    XrtGetValues(view()->chart(), XRT_Y_MAX, &yMax);
    EXPECT_EQ(xMin, 0.0);
    EXPECT_EQ(yMax, 4100.0);

    driver().ClearCalls();
    QTest::mouseClick(bar()->Control(IDC_LASER), Qt::LeftButton);
    ASSERT_EQ(driver().Names(), (std::vector<std::string>{"QDV_V7400StrobeEnable"}));
    EXPECT_EQ(driver().calls[0].argument, 1);
    QTest::mouseClick(bar()->Control(IDC_LASER), Qt::LeftButton);
    EXPECT_EQ(driver().calls[1].argument, 0);
}

TEST_F(FrameFixture, LaserWavelengthFieldRefusesWhatIsNotAWavelength)
{
    Start();
    ChooseFromList(bar()->Control(IDC_X_AXIS), 0);
    TypeAndLeave(bar()->Control(IDC_LASER_WAVELENGTH), "532 nm");
    EXPECT_EQ(view()->laserWavelength, 532.0f);
    EXPECT_TRUE(messages.messages().empty());

    for (const char* bad : {"0", "-785", "green"}) {
        TypeAndLeave(bar()->Control(IDC_LASER_WAVELENGTH), bad);
        EXPECT_EQ(view()->laserWavelength, 532.0f) << bad;
        EXPECT_EQ(bar()->Text(IDC_LASER_WAVELENGTH), "532") << "the last accepted value is shown again";
    }
    ASSERT_EQ(messages.messages().size(), 3u);
    EXPECT_EQ(messages.messages()[0].title, "Vexlar Error");
    EXPECT_NE(messages.messages()[0].text.find("positive number of nanometres"), std::string::npos);
}

TEST_F(FrameFixture, DarkAndAdditiveSequence)
{
    Start();
    // Additive without a dark is refused.
    frame->action(ID_ADDITIVE_MODE)->trigger();
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text, "You must store a dark spectrum before\nentering the Additive Mode.");
    EXPECT_EQ(view()->additive, 0);

    // Store Dark while subtracting stores the subtracted spectrum.
    std::fill_n(view()->dark, kPixels, 10.0);
    view()->subtractDark = 1;
    driver().Fill(0, 110.0f);
    driver().Post(WM_SCAN_COMPLETE, 0);
    Deliver();
    frame->action(ID_STORE_DARK)->trigger();
    EXPECT_EQ(view()->dark[7], 100.0);
    EXPECT_EQ(view()->darkStored, 1);
    view()->subtractDark = 0;

    // Additive clicked: acquisition stops and the count restarts...
    QTest::mouseClick(bar()->Control(IDC_ADDITIVE), Qt::LeftButton);
    EXPECT_EQ(view()->scanning, 0);
    EXPECT_EQ(view()->additions, 0);
    // ...then Additive Mode starts a fresh sum.
    frame->action(ID_ADDITIVE_MODE)->trigger();
    EXPECT_EQ(view()->additive, 1);
    EXPECT_EQ(view()->spectrum[0], 0.0);
    EXPECT_TRUE(frame->action(ID_ADDITIVE_MODE)->isChecked());
    driver().Fill(0, 130.0f);
    driver().Post(WM_SCAN_COMPLETE, 0);
    Deliver();
    EXPECT_EQ(view()->spectrum[0], 30.0);
    EXPECT_EQ(frame->statusText().toStdString(), "Scan Number 1 ");

    // Pressed while accumulating it leaves; pressed again it goes on adding
    // to the same sum.
    frame->action(ID_ADDITIVE_MODE)->trigger();
    EXPECT_EQ(view()->additive, 0);
    EXPECT_EQ(view()->discardNext, 1);
    frame->action(ID_ADDITIVE_MODE)->trigger();
    EXPECT_EQ(view()->additive, 1);
    EXPECT_EQ(view()->spectrum[0], 30.0);

    // Continuous returns to replacing the spectrum.
    QTest::mouseClick(bar()->Control(IDC_CONTINUOUS), Qt::LeftButton);
    EXPECT_EQ(view()->additive, 0);
    EXPECT_EQ(view()->scanning, 1);
}

TEST_F(FrameFixture, ConfigureHardwareOpensTheDriversSetUp)
{
    Start();
    driver().ClearCalls();
    frame->action(ID_CONFIGURE_HARDWARE)->trigger();
    EXPECT_EQ(driver().Names(), (std::vector<std::string>{"QDV_Config"}));
}
