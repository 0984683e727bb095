#pragma once
// The operator's keyboard and mouse on real widgets: a window made active,
// the keyboard focus put into a field by a click, keys typed where the focus
// is, a field left with Tab, a drop-down list opened and closed with the
// keyboard (F4, Down, Return, Escape) or with the mouse.

#include <QString>

#include <QStringList>

class QComboBox;
class QFileDialog;
class QWidget;

namespace vexlar::test {

// Shows window and makes it the active window, as the window manager does
// when the operator clicks on it; false when it did not become active.
bool Activate(QWidget& window);

// Clicks into a field (an edit, or the edit of a drop-down list), which
// takes the keyboard focus; false when it did not.
bool ClickInto(QWidget* field);

// Keys typed into whatever has the keyboard focus.
void TypeKeys(const QString& text);
// One key, with modifiers, to whatever has the keyboard focus.
void PressKey(int key, int modifiers = 0);

// The operator clicks into the field, selects its whole text, types text
// over it and leaves the field with Tab.
void TypeIntoAndTab(QWidget* field, const QString& text);

// Drops the list down from the keyboard (the list has the focus: F4); false
// when it did not drop down.
bool DropDown(QComboBox* list);
// Drops the list down with a click on its arrow; false when it did not.
bool DropDownWithMouse(QComboBox* list);
// In the dropped list: moves the highlight by steps (Down, or Up when
// negative) and chooses the highlighted item with Return.
void ChooseWithKeys(QComboBox* list, int steps);
// In the dropped list: closes it with Escape, choosing nothing.
void CloseWithEscape(QComboBox* list);
// The dropped list closed by a click beside it, choosing nothing.
void CloseWithClickElsewhere(QComboBox* list);
// In the dropped list: clicks on the item at index.
void ChooseWithMouse(QComboBox* list, int index);
// Whether the list is dropped down now.
bool IsDroppedDown(const QComboBox* list);

// The operator picks filter in a file dialog's list of file types, with the
// arrow keys; false when the dialog offers no such filter.
bool PickFileFilter(QFileDialog& dialog, const QString& filter);
// The names a file dialog lists in folder under its current filter, once it
// has read the folder (it reads in the background); sorted.
QStringList ListedNames(QFileDialog& dialog, const QString& folder);

// Every event waiting is delivered, posted ones included.
void DeliverPendingEvents();

}  // namespace vexlar::test
