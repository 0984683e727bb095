#pragma once
// What the operator's typing into a dialog's fields looks like: a field
// selects its whole text when it gains the focus, so that typing replaces
// it, and a field whose text is refused gets the focus back with its text
// selected, ready to be typed over.

#include <string>

class QLineEdit;

namespace vexlar::sys {

// From now on field selects its whole text whenever it gains the focus; a
// click that gives it the focus selects it too, once the click has placed
// the cursor.
void SelectAllOnFocus(QLineEdit* field);

// Tells the operator why the field's text is refused (message, titled
// kErrorTitle), then puts the focus back in the field with its text
// selected.
void RefuseFieldText(QLineEdit* field, const std::string& message);

// The same with "Please enter a number.".
void RefuseNotANumber(QLineEdit* field);

}  // namespace vexlar::sys
