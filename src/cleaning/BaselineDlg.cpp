#include "cleaning/BaselineDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <optional>
#include <string>

#include "FieldInput.h"
#include "MessageBox.h"
#include "ModalDialog.h"
#include "files/ShortestNumber.h"
#include "text/NumberText.h"

using namespace vexlar::cleaning;

namespace {

QString NumberText(double value)
{
    return QString::fromStdString(vexlar::files::ShortestText(value));
}

std::string RangeMessage(const char* what, double minimum, double maximum)
{
    return std::string("The ") + what + " must be a number from " + vexlar::files::ShortestText(minimum) + " to " +
           vexlar::files::ShortestText(maximum) + ".";
}

}  // namespace

CBaselineDlg::CBaselineDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Baseline Settings");
    smoothnessEdit_ = new QLineEdit(this);
    smoothnessEdit_->setObjectName("smoothness");
    asymmetryEdit_ = new QLineEdit(this);
    asymmetryEdit_->setObjectName("asymmetry");
    cutOnEdit_ = new QLineEdit(this);
    cutOnEdit_->setObjectName("cutOn");
    // The whole text is selected whenever a field gains the focus, so
    // typing replaces it.
    vexlar::sys::SelectAllOnFocus(smoothnessEdit_);
    vexlar::sys::SelectAllOnFocus(asymmetryEdit_);
    vexlar::sys::SelectAllOnFocus(cutOnEdit_);

    auto* note = new QLabel("The baseline bends on a scale of about the fourth root of the smoothness, in pixels.\n"
                            "Points above it weigh the asymmetry, points below it one less the asymmetry.\n"
                            "It is fitted beyond the cut-on shift; the spectrum nearer the laser line stays as it is.",
                            this);
    auto* form = new QFormLayout;
    form->addRow(QString("Smoothness (%1 to %2)").arg(NumberText(kMinimumSmoothness), NumberText(kMaximumSmoothness)),
                 smoothnessEdit_);
    form->addRow(QString("Asymmetry (%1 to %2)").arg(NumberText(kMinimumAsymmetry), NumberText(kMaximumAsymmetry)),
                 asymmetryEdit_);
    form->addRow(QString("Cut-on shift, cm-1 (%1 to %2)").arg(NumberText(kMinimumCutOn), NumberText(kMaximumCutOn)),
                 cutOnEdit_);

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
    setTabOrder(asymmetryEdit_, cutOnEdit_);
}

void CBaselineDlg::ShowValues(const BaselineSettings& shown)
{
    smoothnessEdit_->setText(NumberText(shown.smoothness));
    asymmetryEdit_->setText(NumberText(shown.asymmetry));
    cutOnEdit_->setText(NumberText(shown.cutOn));
    smoothnessEdit_->setFocus();
    smoothnessEdit_->selectAll();
}

void CBaselineDlg::accept()
{
    const std::optional<double> smoothness = vexlar::WholeNumber(smoothnessEdit_->text().toStdString());
    const std::optional<double> asymmetry = vexlar::WholeNumber(asymmetryEdit_->text().toStdString());
    const std::optional<double> cutOn = vexlar::WholeNumber(cutOnEdit_->text().toStdString());
    QLineEdit* refused = nullptr;
    std::string message;
    if (!smoothness) {
        refused = smoothnessEdit_;
        message = vexlar::sys::kNotANumber;
    } else if (!IsUsableSmoothness(*smoothness)) {
        refused = smoothnessEdit_;
        message = RangeMessage("smoothness", kMinimumSmoothness, kMaximumSmoothness);
    } else if (!asymmetry) {
        refused = asymmetryEdit_;
        message = vexlar::sys::kNotANumber;
    } else if (!IsUsableAsymmetry(*asymmetry)) {
        refused = asymmetryEdit_;
        message = RangeMessage("asymmetry", kMinimumAsymmetry, kMaximumAsymmetry);
    } else if (!cutOn) {
        refused = cutOnEdit_;
        message = vexlar::sys::kNotANumber;
    } else if (!IsUsableCutOn(*cutOn)) {
        refused = cutOnEdit_;
        message = RangeMessage("cut-on shift", kMinimumCutOn, kMaximumCutOn);
    }
    if (refused) {
        vexlar::sys::RefuseFieldText(refused, message);
        return;
    }
    settings.smoothness = *smoothness;
    settings.asymmetry = *asymmetry;
    settings.cutOn = *cutOn;
    QDialog::accept();
}

int CBaselineDlg::Run()
{
    ShowValues(settings);
    return vexlar::sys::RunModal(*this);
}
