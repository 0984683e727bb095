#include "calibration/SpectrometerConfigDlg.h"

#include <QButtonGroup>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <limits>
#include <string>

#include "FieldInput.h"
#include "MessageBox.h"
#include "ModalDialog.h"
#include "text/NumberText.h"

using namespace vexlar;
using namespace vexlar::spectrometer_config;

namespace {

constexpr char kTitle[] = "Spectrometer Configuration";

constexpr const char* kNumberTexts[kChannelCount] = {"Single",  "Double",  "Triple", "Quad",
                                                     "5 Chan.", "6 Chan.", "7 Chan", "8 Chan."};
constexpr const char* kChannelTexts[kChannelCount] = {"Master",       "First Slave", "Second Slave", "Third Slave",
                                                      "Fourth Slave", "Fifth Slave", "Sixth Slave",  "Seventh Slave"};
constexpr int kNumberButtonsPerRow = 4;
constexpr int kChannelButtonsPerRow = 2;

struct EditInfo {
    int id;
    const char* label;
};
// In the order of the Coefficient enumeration: a1, a2, a3, a0.
constexpr EditInfo kEdits[] = {{IDC_FIRST_COEFFICIENT, "First Coefficient"},
                               {IDC_SECOND_COEFFICIENT, "Second Coefficient"},
                               {IDC_THIRD_COEFFICIENT, "Third Coefficient"},
                               {IDC_INTERCEPT, "Intercept"}};

constexpr char kThirdCoefficientNote[] =
    "Please note:  If your Wavelength Calibration Report does not include a Third Wavelength "
    "Calibration Coefficient, simply enter a 0 for this value.";

// The widest text a coefficient edit is made to show whole.
constexpr char kWidestCoefficient[] = "-3.40282e+38";
constexpr int kEditTextMargin = 16;
constexpr int kNoteWidth = 210;
constexpr int kButtonGap = 40;

// A click on a button leaves the focus in the edit the operator was in. The
// button's own action then deals with that edit's text, once: it is stored
// if it is a number, refused with one message if not, and a click on Cancel
// never asks for a correction.
void TakeFocusFromKeyboardOnly(QWidget* button)
{
    button->setFocusPolicy(Qt::TabFocus);
}

std::string OutOfRangeMessage()
{
    const std::string largest = FormatCoefficient(std::numeric_limits<float>::max());
    return "Please enter a number between -" + largest + " and " + largest + ".";
}

}  // namespace

CSpectrometerConfigDlg::CSpectrometerConfigDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(kTitle);
    setModal(true);
    BuildLayout();
    connect(numberButtons_, &QButtonGroup::idClicked, this, &CSpectrometerConfigDlg::OnNumberButton);
    connect(channelButtons_, &QButtonGroup::idClicked, this, &CSpectrometerConfigDlg::OnChannelButton);
}

CSpectrometerConfigDlg::~CSpectrometerConfigDlg()
{
    // The edits lose the focus as the widgets go; that is no operator input.
    closing_ = true;
    for (QLineEdit* edit : edits_)
        edit->removeEventFilter(this);
}

int CSpectrometerConfigDlg::RunModal()
{
    return sys::RunModal(*this);
}

QWidget* CSpectrometerConfigDlg::Control(int id) const
{
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

// --- Layout ---------------------------------------------------------------------

void CSpectrometerConfigDlg::BuildLayout()
{
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(BuildNumberGroup());

    auto* calibrationTitle = new QLabel("Wavelength Calibration", this);
    calibrationTitle->setAlignment(Qt::AlignCenter);
    layout->addWidget(calibrationTitle);

    // The channel buttons on the left, the coefficients of the checked
    // channel on the right with the note about the third one under them.
    auto* calibration = new QGridLayout;
    calibration->addWidget(BuildChannelGroup(), 0, 0, Qt::AlignTop);
    calibration->addWidget(BuildCoefficients(), 0, 1, Qt::AlignTop);
    auto* note = new QLabel(kThirdCoefficientNote, this);
    note->setObjectName("note");
    note->setAlignment(Qt::AlignCenter);
    note->setWordWrap(true);
    note->setFixedWidth(kNoteWidth);
    calibration->addWidget(note, 1, 1, Qt::AlignHCenter | Qt::AlignTop);
    layout->addLayout(calibration);

    auto* ok = new QPushButton("OK", this);
    ok->setDefault(true);
    auto* cancel = new QPushButton("Cancel", this);
    TakeFocusFromKeyboardOnly(ok);
    TakeFocusFromKeyboardOnly(cancel);
    connect(ok, &QPushButton::clicked, this, &CSpectrometerConfigDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CSpectrometerConfigDlg::reject);
    controls_[IDC_OK] = ok;
    controls_[IDC_CANCEL] = cancel;
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addSpacing(kButtonGap);
    buttons->addWidget(cancel);
    buttons->addStretch();
    layout->addLayout(buttons);
}

QWidget* CSpectrometerConfigDlg::BuildNumberGroup()
{
    auto* group = new QGroupBox("Number of Spectrometers", this);
    auto* grid = new QGridLayout(group);
    numberButtons_ = new QButtonGroup(this);
    for (int i = 0; i < kChannelCount; ++i) {
        auto* button = new QRadioButton(kNumberTexts[i], group);
        TakeFocusFromKeyboardOnly(button);
        grid->addWidget(button, i / kNumberButtonsPerRow, i % kNumberButtonsPerRow);
        numberButtons_->addButton(button, i + 1);
        controls_[kNumberButtonIds[i]] = button;
    }
    return group;
}

QWidget* CSpectrometerConfigDlg::BuildChannelGroup()
{
    auto* group = new QGroupBox("Spectrometer Channel", this);
    auto* grid = new QGridLayout(group);
    channelButtons_ = new QButtonGroup(this);
    for (int k = 0; k < kChannelCount; ++k) {
        auto* button = new QRadioButton(kChannelTexts[k], group);
        TakeFocusFromKeyboardOnly(button);
        grid->addWidget(button, k / kChannelButtonsPerRow, k % kChannelButtonsPerRow);
        channelButtons_->addButton(button, k);
        controls_[IDC_MASTER + k] = button;
    }
    return group;
}

QWidget* CSpectrometerConfigDlg::BuildCoefficients()
{
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    for (int c = 0; c < kCoefficients; ++c) {
        auto* label = new QLabel(kEdits[c].label, box);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* edit = new QLineEdit(box);
        edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(kWidestCoefficient) + kEditTextMargin);
        edit->installEventFilter(this);
        // The whole text is selected whenever an edit gains the focus, so
        // typing replaces it.
        sys::SelectAllOnFocus(edit);
        label->setBuddy(edit);
        grid->addWidget(label, c, 0);
        grid->addWidget(edit, c, 1);
        edits_[c] = edit;
        controls_[kEdits[c].id] = edit;
    }
    return box;
}

// --- The operator's actions --------------------------------------------------------

void CSpectrometerConfigDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        InitDialog();
}

void CSpectrometerConfigDlg::InitDialog()
{
    // Always on "Master" with channel 0's coefficients, whatever channel the
    // control bar shows.
    closing_ = false;
    selectedChannel = 0;
    channelButtons_->button(0)->setChecked(true);
    ApplyNumberOfChannels(numChannels);
    LoadEditValues();
    ShowEditValues();
}

void CSpectrometerConfigDlg::ApplyNumberOfChannels(int count)
{
    if (count >= 1 && count <= kChannelCount) {
        numberButtons_->button(count)->setChecked(true);
        for (int k = 1; k < kChannelCount; ++k)
            channelButtons_->button(k)->setEnabled(k < count);
        return;
    }
    // A count no button stands for (only a settings file can give one):
    // no count is checked, every channel stays reachable, and the count is
    // kept until the operator chooses one.
    numberButtons_->setExclusive(false);
    for (QAbstractButton* button : numberButtons_->buttons())
        button->setChecked(false);
    numberButtons_->setExclusive(true);
    for (int k = 1; k < kChannelCount; ++k)
        channelButtons_->button(k)->setEnabled(true);
}

void CSpectrometerConfigDlg::OnNumberButton(int count)
{
    if (!StorePendingEdits()) {
        // The count stays as it was until the text is corrected.
        ApplyNumberOfChannels(numChannels);
        return;
    }
    numChannels = count;
    ApplyNumberOfChannels(count);
    ShowEditValues();
}

void CSpectrometerConfigDlg::OnChannelButton(int channel)
{
    // What was typed for the channel shown so far stays with that channel;
    // a text that is not a number keeps that channel shown until corrected.
    if (!StorePendingEdits()) {
        channelButtons_->button(selectedChannel)->setChecked(true);
        return;
    }
    selectedChannel = channel;
    LoadEditValues();
    ShowEditValues();
}

bool CSpectrometerConfigDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::FocusOut)
        return QDialog::eventFilter(watched, event);
    for (int c = 0; c < kCoefficients; ++c) {
        if (watched != edits_[c])
            continue;
        // Another window coming to the front (a message box, a menu) does
        // not take the focus out of the dialog: the edit is not left.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            OnEditLeft(static_cast<Coefficient>(c));
    }
    return QDialog::eventFilter(watched, event);
}

void CSpectrometerConfigDlg::OnEditLeft(Coefficient c)
{
    if (closing_)
        return;
    if (refusing_) {
        // The focus moves back to a refused edit: a value typed here is
        // kept, but nothing is read or refused again.
        if (edits_[c]->isModified())
            StoreEdit(c);
        return;
    }
    std::string message;
    const Coefficient refused = ReadAllEdits(&message);
    // This edit's value goes to its table even if another edit was refused.
    TableEntry(c, selectedChannel) = Value(c);
    if (ReadEdit(c, nullptr))
        edits_[c]->setModified(false);
    if (refused != kCoefficients)
        Refuse(refused, message);
}

void CSpectrometerConfigDlg::accept()
{
    if (!ReadEditValues())
        return;
    // OK given from the keyboard (or a click, which leaves the focus where
    // it is) finds the edit typed into not yet left: its value is stored
    // here, before the view copies the tables back.
    StorePendingEdits();
    QDialog::accept();
}

void CSpectrometerConfigDlg::done(int result)
{
    closing_ = true;
    QDialog::done(result);
}

// --- Data exchange ---------------------------------------------------------------------

float& CSpectrometerConfigDlg::Value(Coefficient c)
{
    switch (c) {
    case First:
        return firstValue;
    case Second:
        return secondValue;
    case Third:
        return thirdValue;
    default:
        return interceptValue;
    }
}

float& CSpectrometerConfigDlg::TableEntry(Coefficient c, int channel)
{
    switch (c) {
    case First:
        return calibration.calFirst[channel];
    case Second:
        return calibration.calSecond[channel];
    case Third:
        return calibration.calThird[channel];
    default:
        return calibration.calIntercept[channel];
    }
}

void CSpectrometerConfigDlg::LoadEditValues()
{
    for (int c = 0; c < kCoefficients; ++c)
        Value(static_cast<Coefficient>(c)) = TableEntry(static_cast<Coefficient>(c), selectedChannel);
}

void CSpectrometerConfigDlg::ShowEditValues()
{
    for (int c = 0; c < kCoefficients; ++c) {
        edits_[c]->setText(QString::fromStdString(FormatCoefficient(Value(static_cast<Coefficient>(c)))));
        // The operator still in an edit types over its new value.
        if (focusWidget() == edits_[c])
            edits_[c]->selectAll();
    }
}

bool CSpectrometerConfigDlg::ReadEdit(Coefficient c, std::string* message)
{
    const ParsedCoefficient parsed = ParseCoefficient(edits_[c]->text().toStdString());
    switch (parsed.status) {
    case CoefficientStatus::Number:
        Value(c) = parsed.value;
        return true;
    case CoefficientStatus::OutOfRange:
        if (message)
            *message = OutOfRangeMessage();
        return false;
    default:
        if (message)
            *message = sys::kNotANumber;
        return false;
    }
}

CSpectrometerConfigDlg::Coefficient CSpectrometerConfigDlg::ReadAllEdits(std::string* message)
{
    Coefficient refused = kCoefficients;
    for (int c = 0; c < kCoefficients; ++c) {
        std::string why;
        if (!ReadEdit(static_cast<Coefficient>(c), &why) && refused == kCoefficients) {
            refused = static_cast<Coefficient>(c);
            *message = why;
        }
    }
    return refused;
}

bool CSpectrometerConfigDlg::ReadEditValues()
{
    std::string message;
    const Coefficient refused = ReadAllEdits(&message);
    if (refused == kCoefficients)
        return true;
    Refuse(refused, message);
    return false;
}

void CSpectrometerConfigDlg::Refuse(Coefficient c, const std::string& message)
{
    refusing_ = true;
    sys::RefuseFieldText(edits_[c], message);
    refusing_ = false;
}

void CSpectrometerConfigDlg::StoreEdit(Coefficient c)
{
    if (!ReadEdit(c, nullptr))
        return;
    TableEntry(c, selectedChannel) = Value(c);
    edits_[c]->setModified(false);
}

bool CSpectrometerConfigDlg::StorePendingEdits()
{
    for (int c = 0; c < kCoefficients; ++c) {
        if (!edits_[c]->isModified())
            continue;
        std::string message;
        if (!ReadEdit(static_cast<Coefficient>(c), &message)) {
            Refuse(static_cast<Coefficient>(c), message);
            return false;
        }
        StoreEdit(static_cast<Coefficient>(c));
    }
    return true;
}
