// The operator message box and its recorder.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <thread>

#include "MessageBox.h"

using namespace vexlar::sys;

TEST(MessageBoxTest, RecorderTakesEveryMessageInOrderFromAnyThread)
{
    MessageRecorder recorder;
    ShowOperatorMessage("Cannot write the settings file", "Vexlar Error");
    {
        MessageRecorder inner;
        ShowOperatorMessage("Start time must be later", "Vexlar Error");
        EXPECT_EQ(inner.messages(), (std::vector<OperatorMessage>{{"Start time must be later", "Vexlar Error"}}));
    }
    std::thread([] { ShowOperatorMessage("from the driver", "Vexlar Error"); }).join();
    EXPECT_EQ(recorder.messages(), (std::vector<OperatorMessage>{{"Cannot write the settings file", "Vexlar Error"},
                                                                 {"from the driver", "Vexlar Error"}}));
    recorder.clear();
    EXPECT_TRUE(recorder.messages().empty());
}

TEST(MessageBoxTest, RealBoxIsModalWithTitleTextWarningIconAndOk)
{
    constexpr int kPollMs = 10;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    bool modal = false;
    // Answers the box as the operator would, once it is up.
    QTimer answer;
    answer.setInterval(kPollMs);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        answer.stop();
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = box->standardButtons();
        modal = box->isModal();
        box->button(QMessageBox::Ok)->click();
    });
    answer.start();
    ShowOperatorMessage("Dark spectrum not stored", "Vexlar Error");  // returns once OK is pressed
    EXPECT_EQ(title, "Vexlar Error");
    EXPECT_EQ(text, "Dark spectrum not stored");
    EXPECT_EQ(icon, QMessageBox::Warning);
    EXPECT_EQ(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_TRUE(modal);
}
