// The fields of a dialog: the whole text selected when a field gains the
// focus, and a field whose text is refused given the focus back.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include <string>
#include <vector>

#include "FieldInput.h"
#include "MessageBox.h"

using namespace vexlar::sys;

namespace {

// A dialog with two fields, shown and active as the operator sees it.
struct TwoFields {
    explicit TwoFields(bool selectOnFocus = true)
    {
        auto* layout = new QVBoxLayout(&dialog);
        first = new QLineEdit("632.8", &dialog);
        second = new QLineEdit("1200", &dialog);
        layout->addWidget(first);
        layout->addWidget(second);
        if (selectOnFocus) {
            SelectAllOnFocus(first);
            SelectAllOnFocus(second);
        }
    }

    bool Show()
    {
        dialog.show();
        return QTest::qWaitForWindowActive(&dialog);
    }

    QDialog dialog;
    QLineEdit* first;
    QLineEdit* second;
};

}  // namespace

TEST(FieldInput, AFieldSelectsItsWholeTextWhenItGainsTheFocusByKeyOrClick)
{
    TwoFields fields;
    ASSERT_TRUE(fields.Show());
    fields.first->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(fields.first->selectedText(), "632.8") << "at once, ready to be typed over";
    QTest::keyClick(fields.first, Qt::Key_Tab);
    EXPECT_TRUE(fields.second->hasFocus());
    EXPECT_EQ(fields.second->selectedText(), "1200");
    QTest::keyClicks(fields.second, "900");
    EXPECT_EQ(fields.second->text(), "900");

    // A click places the cursor; the whole text is selected once it is done.
    QTest::mouseClick(fields.first, Qt::LeftButton, Qt::NoModifier, QPoint(4, fields.first->height() / 2));
    EXPECT_TRUE(fields.first->hasFocus());
    QApplication::processEvents();
    EXPECT_EQ(fields.first->selectedText(), "632.8");
    // A click in the field that has the focus places the cursor as usual.
    QTest::mouseClick(fields.first, Qt::LeftButton, Qt::NoModifier, QPoint(4, fields.first->height() / 2));
    QApplication::processEvents();
    EXPECT_FALSE(fields.first->hasSelectedText());
}

TEST(FieldInput, ARefusedFieldIsNamedInTheErrorBoxAndGetsTheFocusBackSelected)
{
    MessageRecorder messages;
    TwoFields fields(false);
    ASSERT_TRUE(fields.Show());
    fields.second->setFocus();
    fields.first->setText("abc");
    fields.first->deselect();
    RefuseNotANumber(fields.first);
    EXPECT_TRUE(fields.first->hasFocus());
    EXPECT_EQ(fields.first->selectedText(), "abc");

    fields.first->setFocus();
    fields.second->setText("70000");
    RefuseFieldText(fields.second, "The integration time can be at most 65535 msec.");
    EXPECT_TRUE(fields.second->hasFocus());
    EXPECT_EQ(fields.second->selectedText(), "70000");
    EXPECT_EQ(messages.messages(),
              (std::vector<OperatorMessage>{{"Please enter a number.", "Vexlar Error"},
                                            {"The integration time can be at most 65535 msec.", "Vexlar Error"}}));
}
