// Modal dialogs and the stand-ins that answer them in place of the operator.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

#include "MessageBox.h"
#include "ModalDialog.h"
#include "support/DialogOperator.h"

using namespace vexlar::sys;

namespace {

// Longest a real modal loop may run when a test goes wrong.
constexpr int kModalGuardMs = 5000;

}  // namespace

TEST(ModalDialog, NewestStandInIsOfferedFirstAndPassesOnWhatItDoesNotTake)
{
    std::vector<std::string> seen;
    ModalStandIn any([&](QDialog& dialog) {
        seen.push_back("any: " + dialog.windowTitle().toStdString());
        dialog.accept();
        return true;
    });
    {
        DialogStandIn<QMessageBox> boxes([&](QMessageBox& box) {
            seen.push_back("box: " + box.text().toStdString());
            box.button(QMessageBox::No)->click();
        });
        QMessageBox question(QMessageBox::Warning, "Save", "Replace it?", QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(RunModal(question), QMessageBox::No) << "the value the button closed it with";
        QInputDialog input;
        input.setWindowTitle("Name");
        EXPECT_EQ(RunModal(input), QDialog::Accepted);
    }
    // The box's stand-in is gone: the older one takes boxes again.
    QMessageBox again(QMessageBox::Warning, "Again", "text", QMessageBox::Ok);
    EXPECT_EQ(RunModal(again), QDialog::Accepted);
    EXPECT_EQ(seen, (std::vector<std::string>{"box: Replace it?", "any: Name", "any: Again"}));
}

TEST(ModalDialog, ADialogTakenAndLeftOpenEndsAsCancelEndsIt)
{
    QDialog dialog;
    int finished = 0;
    int rejected = 0;
    QObject::connect(&dialog, &QDialog::finished, [&] { ++finished; });
    QObject::connect(&dialog, &QDialog::rejected, [&] { ++rejected; });
    {
        // Shown, worked, and never closed by the stand-in.
        ModalStandIn leaveOpen([](QDialog& d) {
            d.show();
            return true;
        });
        EXPECT_EQ(RunModal(dialog), QDialog::Rejected);
    }
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(rejected, 1);

    // A dialog run again starts unanswered, as exec() starts it, whatever
    // its last run ended with; one closed by the stand-in is not closed again.
    dialog.setResult(QDialog::Accepted);
    {
        ModalStandIn nothing([](QDialog&) { return true; });
        EXPECT_EQ(RunModal(dialog), QDialog::Rejected);
    }
    {
        ModalStandIn accept([](QDialog& d) {
            d.accept();
            return true;
        });
        EXPECT_EQ(RunModal(dialog), QDialog::Accepted);
    }
    EXPECT_EQ(finished, 3);
    EXPECT_EQ(rejected, 2);
}

TEST(ModalDialog, StandInsEndingOutOfOrderLeaveTheOthersAnswering)
{
    std::vector<int> answeredBy;
    const auto standIn = [&](int id) {
        return std::make_unique<ModalStandIn>([&answeredBy, id](QDialog& d) {
            answeredBy.push_back(id);
            d.reject();
            return true;
        });
    };
    auto oldest = standIn(1);
    auto middle = standIn(2);
    auto newest = standIn(3);
    QDialog dialog;
    middle.reset();  // ends before the newer one
    RunModal(dialog);
    newest.reset();
    RunModal(dialog);
    EXPECT_EQ(answeredBy, (std::vector<int>{3, 1}));
}

TEST(ModalDialog, WithoutAStandInTheOperatorAnswersInAModalLoop)
{
    // The operator message box, too, runs through the runner: a stand-in
    // answers it when no recorder takes the message.
    {
        std::string title;
        std::string text;
        DialogStandIn<QMessageBox> operatorAnswers([&](QMessageBox& box) {
            title = box.windowTitle().toStdString();
            text = box.text().toStdString();
            box.button(QMessageBox::Ok)->click();
        });
        ShowOperatorMessage("Dark spectrum not stored", kErrorTitle);
        EXPECT_EQ(title, "Vexlar Error");
        EXPECT_EQ(text, "Dark spectrum not stored");
    }

    QInputDialog input;
    input.setWindowTitle("Base Filename");
    bool modal = false;
    QTimer::singleShot(0, [&] {
        auto* open = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (!open)
            return;
        modal = open == &input;
        open->setTextValue("run");
        open->accept();
    });
    const vexlar::test::StuckDialogGuard guard(kModalGuardMs);
    EXPECT_EQ(RunModal(input), QDialog::Accepted);
    EXPECT_TRUE(modal);
    EXPECT_EQ(input.textValue(), "run");
}
