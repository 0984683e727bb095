#include "ModalDialog.h"

#include <QDialog>
#include <QMetaObject>

#include <utility>

namespace vexlar::sys {

namespace {

// The newest stand-in; each one holds the one before it.
ModalStandIn* gNewest = nullptr;

}  // namespace

ModalStandIn::ModalStandIn(Answer answer) : answer_(std::move(answer)), previous_(gNewest)
{
    gNewest = this;
}

ModalStandIn::~ModalStandIn()
{
    // Stand-ins end in reverse order of their start; should one outlive a
    // newer one, the chain is repaired rather than left pointing at it.
    if (gNewest == this) {
        gNewest = previous_;
        return;
    }
    for (ModalStandIn* s = gNewest; s; s = s->previous_) {
        if (s->previous_ == this) {
            s->previous_ = previous_;
            break;
        }
    }
}

int RunModal(QDialog& dialog)
{
    // As exec() starts: nothing answered yet is Cancel.
    dialog.setResult(QDialog::Rejected);
    for (ModalStandIn* s = gNewest; s; s = s->previous_) {
        bool closed = false;
        const QMetaObject::Connection watch =
            QObject::connect(&dialog, &QDialog::finished, &dialog, [&closed] { closed = true; });
        const bool taken = s->answer_(dialog);
        QObject::disconnect(watch);
        if (!taken)
            continue;
        // The operator cannot leave a modal dialog open and go on.
        if (!closed)
            dialog.reject();
        return dialog.result();
    }
    return dialog.exec();
}

}  // namespace vexlar::sys
