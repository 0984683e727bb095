#pragma once
// How the printing commands run their modal dialogs (the print dialog and the
// page set-up dialog).
//
// Every one of them goes through RunPrintDialog, which by default is the
// dialog's own exec(). Tests put a runner in its place that makes the
// operator's choices on the dialog's printer (a PDF file, say) and accepts
// or cancels, so that the handlers run exactly as they do for the operator
// and nothing waits for a person.

#include <functional>

class QDialog;

namespace vexlar {

// Runs the dialog modally and returns its result (QDialog::Accepted or
// QDialog::Rejected).
using PrintDialogRunner = std::function<int(QDialog& dialog)>;

int RunPrintDialog(QDialog& dialog);

// Puts runner in place of the dialogs' exec() (an empty runner restores it)
// and returns the runner it replaces.
PrintDialogRunner SetPrintDialogRunner(PrintDialogRunner runner);

// The title of the operator's error messages about printing.
inline constexpr char kPrintErrorTitle[] = "Vexlar Error";

}  // namespace vexlar
