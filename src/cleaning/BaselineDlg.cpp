#include "cleaning/BaselineDlg.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <optional>
#include <string>

#include "MessageBox.h"
#include "calibration/SettingsFile.h"
#include "text/NumberText.h"

using namespace vexlar::cleaning;

std::function<void(CBaselineDlg&)> CBaselineDlg::operatorForTests;

namespace {

constexpr char kNotANumber[] = "Please enter a number.";
constexpr char kErrorTitle[] = "Vexlar Error";

QString NumberText(double value)
{
    return QString::fromStdString(vexlar::settings::FormatShortest(value));
}

std::string RangeMessage(const char* what, double minimum, double maximum)
{
    return std::string("The ") + what + " must be a number from " + vexlar::settings::FormatShortest(minimum)
           + " to " + vexlar::settings::FormatShortest(maximum) + ".";
}

}  // namespace

CBaselineDlg::CBaselineDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Baseline Settings");
    smoothnessEdit_ = new QLineEdit(this);
    smoothnessEdit_->setObjectName("smoothness");
    asymmetryEdit_ = new QLineEdit(this);
    asymmetryEdit_->setObjectName("asymmetry");
    smoothnessEdit_->installEventFilter(this);
    asymmetryEdit_->installEventFilter(this);

    auto* note = new QLabel(
        "The baseline bends on a scale of about the fourth root of the smoothness, in pixels.\n"
        "Points above it weigh the asymmetry, points below it one less the asymmetry.",
        this);
    auto* form = new QFormLayout;
    form->addRow(QString("Smoothness (%1 to %2)").arg(NumberText(kMinimumSmoothness), NumberText(kMaximumSmoothness)),
                 smoothnessEdit_);
    form->addRow(QString("Asymmetry (%1 to %2)").arg(NumberText(kMinimumAsymmetry), NumberText(kMaximumAsymmetry)),
                 asymmetryEdit_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    defaultsButton_ = buttons->addButton("&Defaults", QDialogButtonBox::ResetRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CBaselineDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CBaselineDlg::reject);
    connect(defaultsButton_, &QPushButton::clicked, this, [this] { ShowValues(BaselineSettings{}); });
    // A click on a button must not move the focus off a field: the field
    // the operator is in stays the one OK checks first.
    for (QAbstractButton* button : buttons->buttons())
        button->setFocusPolicy(Qt::TabFocus);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(buttons);
    setTabOrder(smoothnessEdit_, asymmetryEdit_);
}

bool CBaselineDlg::eventFilter(QObject* watched, QEvent* event)
{
    // The whole text is selected whenever a field gains the focus, so typing
    // replaces it; after the event, so a click does not undo the selection.
    if (event->type() == QEvent::FocusIn) {
        if (auto* edit = qobject_cast<QLineEdit*>(watched))
            QTimer::singleShot(0, edit, &QLineEdit::selectAll);
    }
    return QDialog::eventFilter(watched, event);
}

void CBaselineDlg::ShowValues(const BaselineSettings& shown)
{
    smoothnessEdit_->setText(NumberText(shown.smoothness));
    asymmetryEdit_->setText(NumberText(shown.asymmetry));
    smoothnessEdit_->setFocus();
    smoothnessEdit_->selectAll();
}

void CBaselineDlg::accept()
{
    const std::optional<double> smoothness = vexlar::WholeNumber(smoothnessEdit_->text().toStdString());
    const std::optional<double> asymmetry = vexlar::WholeNumber(asymmetryEdit_->text().toStdString());
    QLineEdit* refused = nullptr;
    std::string message;
    if (!smoothness) {
        refused = smoothnessEdit_;
        message = kNotANumber;
    } else if (!IsUsableSmoothness(*smoothness)) {
        refused = smoothnessEdit_;
        message = RangeMessage("smoothness", kMinimumSmoothness, kMaximumSmoothness);
    } else if (!asymmetry) {
        refused = asymmetryEdit_;
        message = kNotANumber;
    } else if (!IsUsableAsymmetry(*asymmetry)) {
        refused = asymmetryEdit_;
        message = RangeMessage("asymmetry", kMinimumAsymmetry, kMaximumAsymmetry);
    }
    if (refused) {
        vexlar::sys::ShowOperatorMessage(message, kErrorTitle);
        refused->setFocus();
        refused->selectAll();
        return;
    }
    settings.smoothness = *smoothness;
    settings.asymmetry = *asymmetry;
    QDialog::accept();
}

int CBaselineDlg::Run()
{
    ShowValues(settings);
    if (operatorForTests) {
        operatorForTests(*this);
        return result();
    }
    return exec();
}
