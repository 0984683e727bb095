#pragma once
// The operator of a modal dialog in a test: while one of these lives, every
// dialog of that class that runs is given to answer instead of waiting for a
// person; answer fills its controls and closes it as the operator would.
// Dialogs of other classes go on to older operators, or to a person.

#include "ModalDialog.h"

namespace vexlar::test {

template <class Dialog>
using ScopedDialogOperator = vexlar::sys::DialogStandIn<Dialog>;

}  // namespace vexlar::test
