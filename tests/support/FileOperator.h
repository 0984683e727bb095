#pragma once
// An operator for the program's file dialogs: answers each dialog in turn
// with a file or with Cancel, answers the replace question ("... already
// exists. Do you want to replace it?", the message box over a file dialog),
// and remembers what each dialog looked like.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QSettings>
#include <QString>
#include <QStringList>

#include <cstdlib>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ModalDialog.h"
#include "files/FileDialogs.h"

namespace vexlar::test {

struct SeenDialog {
    QString title;
    QStringList filters;
    QString defaultSuffix;
    QFileDialog::AcceptMode acceptMode = QFileDialog::AcceptOpen;
    QFileDialog::FileMode fileMode = QFileDialog::AnyFile;
    int checkBoxes = 0;  // a read-only box would be one
};

class FileOperator {
public:
    // What the operator does in the next dialog: choose name (typed into the
    // dialog, or a full path) and press Save/Open, or cancel (empty name).
    // then runs after the choice, before the handler goes on.
    struct Answer {
        std::string name;
        std::function<void()> then;
        std::string filter;  // chosen before the name; empty: as the dialog offers
    };

    FileOperator()
        : standIn_([this](QDialog& dialog) {
              if (auto* files = dynamic_cast<CFileDialog*>(&dialog)) {
                  Respond(*files);
                  return true;
              }
              auto* question = dynamic_cast<QMessageBox*>(&dialog);
              if (question && dynamic_cast<CFileDialog*>(question->parentWidget())) {
                  questions.push_back(question->text().toStdString());
                  question->button(replace ? QMessageBox::Yes : QMessageBox::No)->click();
                  return true;
              }
              return false;
          })
    {
        // Qt's dialog remembers the last folder in the user's settings; it
        // goes to this test's own settings folder, not to one fixed by the
        // first test of the run (and removed since).
        if (const char* config = std::getenv("XDG_CONFIG_HOME"))
            QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromLocal8Bit(config));
    }
    FileOperator(const FileOperator&) = delete;
    FileOperator& operator=(const FileOperator&) = delete;

    void Choose(const std::string& name, std::function<void()> then = {})
    {
        answers.push_back({name, std::move(then), {}});
    }
    // The same with a filter chosen first, as from the dialog's list.
    void ChooseWithFilter(const std::string& name, const std::string& filter) { answers.push_back({name, {}, filter}); }
    void Cancel() { answers.push_back({}); }

    std::deque<Answer> answers;
    bool replace = true;
    std::vector<SeenDialog> seen;
    std::vector<std::string> questions;

private:
    vexlar::sys::ModalStandIn standIn_;

    void Respond(CFileDialog& dialog)
    {
        SeenDialog s;
        s.title = dialog.windowTitle();
        s.filters = dialog.nameFilters();
        s.defaultSuffix = dialog.defaultSuffix();
        s.acceptMode = dialog.acceptMode();
        s.fileMode = dialog.fileMode();
        s.checkBoxes = static_cast<int>(dialog.findChildren<QCheckBox*>().size());
        seen.push_back(s);
        if (answers.empty()) {
            ADD_FAILURE() << "an unexpected file dialog: " << s.title.toStdString();
            dialog.reject();
            return;
        }
        const FileOperator::Answer a = answers.front();
        answers.pop_front();
        if (a.name.empty()) {
            dialog.reject();
        } else {
            if (!a.filter.empty())
                dialog.selectNameFilter(QString::fromStdString(a.filter));
            dialog.selectFile(QString::fromStdString(a.name));
            dialog.accept();
        }
        if (a.then)
            a.then();
    }
};

}  // namespace vexlar::test
