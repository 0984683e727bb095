// The main window run in a language that writes numbers with a decimal
// comma: every number the operator reads or types still uses the point.

#include <QApplication>
#include <QComboBox>
#include <QLocale>
#include <QTest>

#include <cstdio>
#include <string>
#include <vector>

#include "Xrt.h"
#include "commands/CommandIds.h"
#include "support/FrameFixture.h"
#include "support/OperatorInput.h"

using namespace vexlar;
using namespace vexlar::test;

using OperatorsLanguage = vexlar::test::FrameFixture;

namespace {

double ShownXMaximum(XrtHandle chart)
{
    double value = 0.0;
    XrtGetValues(chart, XRT_X_MAX, &value);
    return value;
}

}  // namespace

TEST_F(OperatorsLanguage, NumbersUseTheDecimalPointWhateverTheOperatorsLanguage)
{
    // The session really is in a decimal-comma language for numbers.
    ASSERT_EQ(QLocale::system().decimalPoint(), QStringLiteral(","));
    Start();
    ASSERT_TRUE(Activate(*frame));

    // What the C library and the widgets write.
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 1.5);
    EXPECT_STREQ(text, "1.5");
    std::vector<std::string> commaWidgets;
    for (const QWidget* widget : frame->findChildren<QWidget*>()) {
        if (widget->locale().decimalPoint() != QStringLiteral("."))
            commaWidgets.push_back(widget->metaObject()->className());
    }
    EXPECT_TRUE(commaWidgets.empty()) << commaWidgets.size() << " widgets, the first " << commaWidgets.front();

    // The cursor readout.
    frame->action(ID_CURSOR)->trigger();
    driver().Fill(0, 117.333f);
    driver().Post(WM_SCAN_COMPLETE, 0);
    Deliver();
    EXPECT_EQ(frame->statusText().toStdString(), "Pix: 1023, Wavelength: 913.826 nm, Intensity: 117.333");

    // A refused laser wavelength shows the last one again, which reads back
    // as the same wavelength when the operator leaves the field.
    auto* axis = qobject_cast<QComboBox*>(bar()->Control(IDC_X_AXIS));
    ASSERT_TRUE(ClickInto(axis));
    ASSERT_TRUE(DropDown(axis));
    ChooseWithKeys(axis, 1);
    ASSERT_EQ(bar()->Text(IDC_X_AXIS), "Raman Shift (cm-1)");
    const double ramanEnd = ShownXMaximum(chart());
    TypeIntoAndTab(bar()->Control(IDC_LASER_WAVELENGTH), "0");
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(bar()->Text(IDC_LASER_WAVELENGTH), "632.8");
    TypeIntoAndTab(bar()->Control(IDC_LASER_WAVELENGTH), QString::fromStdString(bar()->Text(IDC_LASER_WAVELENGTH)));
    EXPECT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(ShownXMaximum(chart()), ramanEnd) << "the Raman axis still belongs to 632.8 nm";
}
