#pragma once
// The acquisition control bar: one row of fields docked under the menu.
// Every event of its fields is reported as barEvent(kind); the frame
// forwards it to the view, which reads the fields through the frame.

#include <QComboBox>
#include <QToolBar>

#include <map>
#include <string>

class QAbstractButton;
class QLineEdit;
class QRadioButton;
class QCheckBox;

namespace vexlar {

// A drop-down list that reports every closing of its list, chosen or not.
class CloseReportingComboBox : public QComboBox {
    Q_OBJECT

public:
    using QComboBox::QComboBox;
    void hidePopup() override;

Q_SIGNALS:
    void listClosed();
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

Q_SIGNALS:
    void barEvent(int kind);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CloseReportingComboBox* AddList(int id, const QStringList& items, int minimumWidth, int listKind,
                                    int focusKind);
    QLineEdit* AddEdit(int id, int width, int focusKind);
    void AddLabel(const QString& text);
    void SetHelp(QWidget* control, int id);

    std::map<int, QWidget*> controls_;
    std::map<QObject*, int> focusKinds_;
};

}  // namespace vexlar
