#pragma once
// The operator of a modal dialog in a test: while one of these lives, every
// dialog of that class that runs is given to answer instead of waiting for a
// person; answer fills its controls and closes it as the operator would.
// Dialogs of other classes go on to older operators, or to a person.

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include "ModalDialog.h"

namespace vexlar::test {

template <class Dialog>
using ScopedDialogOperator = vexlar::sys::DialogStandIn<Dialog>;

// For a test that runs a real modal loop: should the dialog still be open
// after ms (its operator failed), it is closed, so the test fails instead of
// waiting for a person.
class StuckDialogGuard {
public:
    explicit StuckDialogGuard(int ms)
    {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, [] {
            if (QWidget* w = QApplication::activeModalWidget())
                w->close();
        });
        timer_.start(ms);
    }

private:
    QTimer timer_;
};

}  // namespace vexlar::test
