#include "peaks/PeakFinderDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QLocale>
#include <QVBoxLayout>

#include <optional>

#include "FieldInput.h"
#include "ModalDialog.h"
#include "peaks/PeakSearch.h"
#include "text/NumberText.h"

namespace {

// The shortest text that reads back as the same double: full precision
// without trailing noise digits.
QString FullPrecision(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QLineEdit* MakeEdit(QWidget* parent, int id)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString("edit%1").arg(id));
    edit->setProperty("controlId", id);
    return edit;
}

}  // namespace

CPeakFinderDlg::CPeakFinderDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Configure Peak Finder");
    thresholdEdit_ = MakeEdit(this, kThresholdId);
    slopeEdit_ = MakeEdit(this, kSlopeId);
    // The whole text is selected whenever an edit gains the focus, so typing
    // replaces it.
    vexlar::sys::SelectAllOnFocus(thresholdEdit_);
    vexlar::sys::SelectAllOnFocus(slopeEdit_);

    // An editable list: the operator picks a width or types any text.
    widthBox_ = new QComboBox(this);
    widthBox_->setObjectName(QString("combo%1").arg(kWidthId));
    widthBox_->setProperty("controlId", kWidthId);
    widthBox_->setEditable(true);
    widthBox_->setInsertPolicy(QComboBox::NoInsert);
    for (int w = vexlar::peaks::kMinimumWidth; w <= vexlar::peaks::kMaximumWidth; ++w)
        widthBox_->addItem(QString::number(w));
    widthBox_->model()->sort(0);

    auto* form = new QFormLayout;
    form->addRow("Peak Threshold", thresholdEdit_);
    form->addRow("Peak Width", widthBox_);
    form->addRow("Peak Slope", slopeEdit_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CPeakFinderDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CPeakFinderDlg::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setTabOrder(thresholdEdit_, widthBox_);
    setTabOrder(widthBox_, slopeEdit_);
}

void CPeakFinderDlg::ShowValues()
{
    thresholdEdit_->setText(FullPrecision(criteria.peakThreshold));
    slopeEdit_->setText(FullPrecision(criteria.peakSlope));
    widthBox_->setCurrentText(QString::number(criteria.peakWidth));
    // The threshold takes the keyboard focus when the dialog appears.
    thresholdEdit_->setFocus();
}

void CPeakFinderDlg::accept()
{
    const std::optional<double> threshold = vexlar::WholeNumber(thresholdEdit_->text().toStdString());
    const std::optional<double> slope = vexlar::WholeNumber(slopeEdit_->text().toStdString());
    QLineEdit* const refused = !threshold ? thresholdEdit_ : !slope ? slopeEdit_ : nullptr;
    if (refused) {
        vexlar::sys::RefuseNotANumber(refused);
        return;
    }
    criteria.peakThreshold = *threshold;
    criteria.peakSlope = *slope;
    criteria.peakWidth = vexlar::LenientInt(widthBox_->currentText().toStdString());
    QDialog::accept();
}

int CPeakFinderDlg::Run()
{
    ShowValues();
    return vexlar::sys::RunModal(*this);
}
