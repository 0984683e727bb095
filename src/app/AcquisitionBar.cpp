#include "app/AcquisitionBar.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "window/ControlCommands.h"
#include "window/ViewHost.h"

namespace vexlar {

namespace {

struct ControlHelp {
    int id;
    const char* prompt;
    const char* tip;
};

constexpr ControlHelp kHelp[] = {
    {IDC_INTEGRATION_TIME, "Integration Time in msec", "Select integration time"},
    {IDC_AVERAGE, "Changes number of spectra to average", "Spectra to average"},
    {IDC_BOXCAR, "Changes boxcar smoothing width", "Boxcar smoothing width"},
    {IDC_LASER, "Toggles laser on/off", "Laser Toggle"},
    {IDC_CONTINUOUS, "Continuous scan mode", "Selects continuous scan mode"},
    {IDC_ADDITIVE, "Single scan mode", "Selects additive scan mode"},
    {IDC_CHANNEL, "Selects spectrometer channel", "Select spectrometer channel"},
    {IDC_LASER_WAVELENGTH, "Selects laser wavelength", "Laser wavelength"},
    {IDC_X_AXIS, "Selects x axis mode", "Acquisition mode"},
};

const QStringList kIntegrationTimes = {"4",     "10",    "15",    "20",    "25",    "30",    "35",    "40",
                                       "45",    "50",    "100",   "200",   "300",   "400",   "500",   "600",
                                       "700",   "800",   "900",   "1000",  "5000",  "10000", "15000", "20000",
                                       "25000", "30000", "35000", "40000", "45000", "50000", "55000", "60000"};
const QStringList kChannels = {"Master", "Slave 1", "Slave 2", "Slave 3", "Slave 4", "Slave 5", "Slave 6", "Slave 7"};
const QStringList kXAxes = {"Wavelength (nm)", "Raman Shift (cm-1)"};

// A field's own list dropping down, or a context menu, takes the focus only
// for as long as it is open: the operator has not left the field. The window
// system may move the focus again while the popup is open (X11 gives the
// list's window the focus a moment after it opens).
bool ForAPopup(const QFocusEvent& focusOut)
{
    return focusOut.reason() == Qt::PopupFocusReason || QApplication::activePopupWidget() != nullptr;
}

}  // namespace

CloseReportingComboBox::CloseReportingComboBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // Qt's editable list completes what is typed from its items ("250"
    // would become "25000"); the field takes exactly what the operator types.
    setCompleter(nullptr);
    // The list's popup window: its hiding is the list closing, whatever
    // closed it (a choice, Escape, a click elsewhere, the window losing the
    // focus).
    view()->window()->installEventFilter(this);
}

void CloseReportingComboBox::SelectItemMatchingText()
{
    const QString text = currentText();
    const int match = findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (match == currentIndex())
        return;
    setCurrentIndex(match);
    // No item: the field keeps the text typed into it.
    if (match < 0)
        setEditText(text);
}

void CloseReportingComboBox::showPopup()
{
    SelectItemMatchingText();
    QComboBox::showPopup();
    droppedDown_ = view()->isVisible();
    // Qt's list highlights its first item when none is selected; nothing is
    // highlighted, so that Return chooses nothing the operator did not point at.
    if (currentIndex() < 0)
        view()->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::Clear);
}

bool CloseReportingComboBox::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Hide && watched == view()->window() && droppedDown_) {
        droppedDown_ = false;
        // An item chosen with the keyboard becomes current only after the
        // list has been hidden: report the closing once the choice is made.
        QMetaObject::invokeMethod(this, &CloseReportingComboBox::listClosed, Qt::QueuedConnection);
    }
    return QComboBox::eventFilter(watched, event);
}

void CloseReportingComboBox::wheelEvent(QWheelEvent* event)
{
    event->ignore();
}

AcquisitionBar::AcquisitionBar(QWidget* parent) : QToolBar(parent)
{
    setWindowTitle("Acquisition");
    setObjectName("AcquisitionBar");
    setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);

    AddLabel("msec");
    AddList(IDC_INTEGRATION_TIME, kIntegrationTimes, 80, BAR_INTEGRATION_TIME_CHOSEN, BAR_INTEGRATION_TIME_EDITED);
    addSeparator();
    AddLabel("Avg");
    AddEdit(IDC_AVERAGE, 50, BAR_AVERAGE_EDITED);
    AddLabel("Box");
    AddEdit(IDC_BOXCAR, 50, BAR_BOXCAR_EDITED);
    addSeparator();

    auto* laser = new QCheckBox("Laser\nOn", this);
    addWidget(laser);
    controls_[IDC_LASER] = laser;
    SetHelp(laser, IDC_LASER);
    connect(laser, &QCheckBox::clicked, this, [this] { Q_EMIT barEvent(BAR_LASER_CLICKED); });
    addSeparator();

    // The two scan modes, one above the other.
    auto* modes = new QWidget(this);
    auto* modesLayout = new QVBoxLayout(modes);
    modesLayout->setContentsMargins(2, 0, 2, 0);
    modesLayout->setSpacing(0);
    auto* continuous = new QRadioButton("Continuous", modes);
    auto* additive = new QRadioButton("Additive", modes);
    modesLayout->addWidget(continuous);
    modesLayout->addWidget(additive);
    addWidget(modes);
    controls_[IDC_CONTINUOUS] = continuous;
    controls_[IDC_ADDITIVE] = additive;
    SetHelp(continuous, IDC_CONTINUOUS);
    SetHelp(additive, IDC_ADDITIVE);
    connect(continuous, &QRadioButton::clicked, this, [this] { Q_EMIT barEvent(BAR_CONTINUOUS); });
    connect(additive, &QRadioButton::clicked, this, [this] { Q_EMIT barEvent(BAR_ADDITIVE); });
    addSeparator();

    AddList(IDC_CHANNEL, kChannels, 90, BAR_CHANNEL_CHOSEN, -1);
    AddEdit(IDC_LASER_WAVELENGTH, 60, BAR_LASER_WAVELENGTH_EDITED);
    AddLabel("nm");
    AddList(IDC_X_AXIS, kXAxes, 150, BAR_X_AXIS_CHOSEN, -1);
}

CloseReportingComboBox* AcquisitionBar::AddList(int id, const QStringList& items, int minimumWidth, int listKind,
                                                int focusKind)
{
    auto* list = new CloseReportingComboBox(this);
    list->addItems(items);
    list->setMinimumWidth(minimumWidth);
    list->setMaxVisibleItems(12);
    list->setCurrentIndex(-1);
    addWidget(list);
    controls_[id] = list;
    SetHelp(list, id);
    connect(list, &CloseReportingComboBox::listClosed, this, [this, listKind] { Q_EMIT barEvent(listKind); });
    // The list itself holds the keyboard focus while the operator types
    // into its field.
    if (focusKind >= 0) {
        list->installEventFilter(this);
        focusKinds_[list] = focusKind;
        if (QLineEdit* field = list->lineEdit())
            connect(field, &QLineEdit::textEdited, this, [this, list] { typedNotApplied_.insert(list); });
    }
    return list;
}

QLineEdit* AcquisitionBar::AddEdit(int id, int width, int focusKind)
{
    auto* edit = new QLineEdit(this);
    edit->setFixedWidth(width);
    addWidget(edit);
    controls_[id] = edit;
    SetHelp(edit, id);
    edit->installEventFilter(this);
    focusKinds_[edit] = focusKind;
    connect(edit, &QLineEdit::textEdited, this, [this, edit] { typedNotApplied_.insert(edit); });
    return edit;
}

void AcquisitionBar::AddLabel(const QString& text)
{
    auto* label = new QLabel(text, this);
    label->setContentsMargins(4, 0, 4, 0);
    addWidget(label);
}

void AcquisitionBar::SetHelp(QWidget* control, int id)
{
    for (const ControlHelp& h : kHelp) {
        if (h.id == id) {
            control->setStatusTip(h.prompt);
            control->setToolTip(h.tip);
        }
    }
}

bool AcquisitionBar::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut && !ForAPopup(*static_cast<QFocusEvent*>(event)) && watched != applying_) {
        const auto it = focusKinds_.find(watched);
        if (it != focusKinds_.end())
            ApplyField(it);
    }
    // Enter in a field applies what was typed, as leaving the field does:
    // the field must never show a value the spectrometer is not using. The
    // key goes no further (an editable list would add the text as an item).
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const auto it = focusKinds_.find(watched);
        if (it != focusKinds_.end() && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            ApplyField(it);
            return true;
        }
    }
    return QToolBar::eventFilter(watched, event);
}

void AcquisitionBar::ApplyFieldBeingTyped()
{
    for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget()) {
        const auto it = focusKinds_.find(w);
        if (it != focusKinds_.end()) {
            if (typedNotApplied_.count(w))
                ApplyField(it);
            return;
        }
    }
}

void AcquisitionBar::ApplyField(std::map<QObject*, int>::const_iterator field)
{
    typedNotApplied_.erase(field->first);
    QObject* const outer = applying_;
    applying_ = field->first;
    Q_EMIT barEvent(field->second);
    applying_ = outer;
}

QWidget* AcquisitionBar::Control(int id) const
{
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

void AcquisitionBar::SetChecked(int id, bool checked)
{
    auto* button = qobject_cast<QAbstractButton*>(Control(id));
    if (!button)
        return;
    // Qt keeps the checked button of an exclusive pair checked; clearing
    // Continuous (a spectrum file opened) must leave neither mode checked.
    const bool exclusive = button->autoExclusive();
    if (!checked)
        button->setAutoExclusive(false);
    button->setChecked(checked);
    button->setAutoExclusive(exclusive);
}

bool AcquisitionBar::IsChecked(int id) const
{
    const auto* button = qobject_cast<const QAbstractButton*>(Control(id));
    return button && button->isChecked();
}

std::string AcquisitionBar::Text(int id) const
{
    QWidget* control = Control(id);
    if (auto* list = qobject_cast<QComboBox*>(control))
        return list->currentText().toStdString();
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        return edit->text().toStdString();
    return {};
}

void AcquisitionBar::SetText(int id, const std::string& text)
{
    QWidget* control = Control(id);
    if (auto* list = qobject_cast<QComboBox*>(control)) {
        // Only the visible text: no item is selected.
        list->setCurrentIndex(-1);
        list->setEditText(QString::fromStdString(text));
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(QString::fromStdString(text));
    }
}

int AcquisitionBar::SelectedIndex(int id) const
{
    // The list's selection: set when the operator picks an item, none
    // (-1) after the bar's text was set.
    const auto* list = qobject_cast<const QComboBox*>(Control(id));
    return list ? list->currentIndex() : -1;
}

void AcquisitionBar::SelectItem(int id, int index)
{
    if (auto* list = qobject_cast<QComboBox*>(Control(id)))
        list->setCurrentIndex(index);
}

std::string AcquisitionBar::SelectedItemText(int id) const
{
    const auto* list = qobject_cast<const QComboBox*>(Control(id));
    const int index = SelectedIndex(id);
    if (!list || index < 0 || index >= list->count())
        return {};
    return list->itemText(index).toStdString();
}

}  // namespace vexlar
