#pragma once
// Modal dialogs: every modal dialog of the program runs through RunModal,
// which shows it and returns when the operator has closed it. Tests put a
// ModalStandIn in the operator's place: it is given each dialog before it is
// shown, works its real widgets and closes it as the operator would, so the
// handler goes on exactly as after the operator's answer and nothing waits
// for a person.

#include <functional>

class QDialog;

namespace vexlar::sys {

// Runs dialog modally, on the user-interface thread, and returns how it
// ended: QDialog::Accepted or QDialog::Rejected, or the value given to
// done() (a message box's button). A dialog no stand-in takes is run for the
// operator (exec()).
int RunModal(QDialog& dialog);

// While alive, is offered every dialog RunModal runs, in place of the
// operator. Stand-ins nest: the newest is offered a dialog first, and one
// that leaves it goes on to the one before. Live on the user-interface
// thread only.
class ModalStandIn {
public:
    // Given a dialog not yet shown, answer either takes it (returns true),
    // having filled its widgets and closed it through accept(), reject() or
    // done() as the operator's buttons do, or leaves it (returns false)
    // untouched. A dialog taken and left open ends as Cancel ends it.
    using Answer = std::function<bool(QDialog& dialog)>;

    explicit ModalStandIn(Answer answer);
    ~ModalStandIn();
    ModalStandIn(const ModalStandIn&) = delete;
    ModalStandIn& operator=(const ModalStandIn&) = delete;

private:
    friend int RunModal(QDialog& dialog);

    Answer answer_;
    ModalStandIn* previous_;
};

// A stand-in for the dialogs of one class (and its subclasses): answer is
// given each of them; every other dialog goes on to older stand-ins.
template <class Dialog>
class DialogStandIn {
public:
    explicit DialogStandIn(std::function<void(Dialog&)> answer)
        : standIn_([answer = std::move(answer)](QDialog& dialog) {
              auto* mine = dynamic_cast<Dialog*>(&dialog);
              if (!mine)
                  return false;
              answer(*mine);
              return true;
          })
    { }

private:
    ModalStandIn standIn_;
};

}  // namespace vexlar::sys
