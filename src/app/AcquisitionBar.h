#pragma once
// The acquisition control bar: one row of fields docked under the menu.
// Every event of its fields is reported as barEvent(kind); the frame
// forwards it to the view, which reads the fields through the frame.

#include <QComboBox>
#include <QToolBar>

#include <map>
#include <set>
#include <string>

class QAbstractButton;
class QLineEdit;
class QRadioButton;
class QCheckBox;

namespace vexlar {

// The control bar's editable drop-down lists (msec, Avg, Box, nm): a field
// the operator types a value into or picks one of the usual values from.
// - the typed text is taken as typed, never completed from the items;
// - when the list drops down, the item whose text is exactly the field's
//   text is selected, or none, so a list closed without a choice never
//   stands for an item chosen earlier;
// - listClosed is reported once each time a list that was dropped down
//   closes, chosen or not, and never when the list is merely hidden with
//   the bar or the window (minimised);
// - the mouse wheel does not change the text of a list that is not dropped
//   down: nothing would be applied until the list is closed.
class CloseReportingComboBox : public QComboBox {
    Q_OBJECT

public:
    explicit CloseReportingComboBox(QWidget* parent = nullptr);
    void showPopup() override;

Q_SIGNALS:
    void listClosed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void SelectItemMatchingText();

    bool droppedDown_ = false;
};

class AcquisitionBar : public QToolBar {
    Q_OBJECT

public:
    explicit AcquisitionBar(QWidget* parent = nullptr);

    // Fields by control id (nullptr for an unknown id).
    QWidget* Control(int id) const;

    void SetChecked(int id, bool checked);
    bool IsChecked(int id) const;
    std::string Text(int id) const;
    void SetText(int id, const std::string& text);
    int SelectedIndex(int id) const;
    void SelectItem(int id, int index);
    std::string SelectedItemText(int id) const;

    // The field that holds the keyboard focus, typed into and not yet left,
    // is applied as leaving it would apply it (a command given meanwhile
    // from the tool bar or a menu, whose buttons take no focus, must act on
    // what the field shows).
    void ApplyFieldBeingTyped();

Q_SIGNALS:
    void barEvent(int kind);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CloseReportingComboBox* AddList(int id, const QStringList& items, int minimumWidth, int listKind, int focusKind);
    QLineEdit* AddEdit(int id, int width, int focusKind);
    void AddLabel(const QString& text);
    void SetHelp(QWidget* control, int id);

    std::map<int, QWidget*> controls_;
    std::map<QObject*, int> focusKinds_;
    // Fields the operator has typed into since they were last applied.
    std::set<QObject*> typedNotApplied_;
    // The field whose value is being applied: a refusal's message box takes
    // the keyboard focus from it, and that loss of focus is no second
    // confirmation of the same text.
    QObject* applying_ = nullptr;
    // Reports the field's event: what it shows is applied.
    void ApplyField(std::map<QObject*, int>::const_iterator field);
};

}  // namespace vexlar
