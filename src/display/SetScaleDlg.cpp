#include "display/SetScaleDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <cmath>

#include "FieldInput.h"
#include "ModalDialog.h"
#include "text/NumberText.h"

namespace {

// Enough digits to show a single-precision value exactly.
QString FormatSingle(float value)
{
    return QString::number(static_cast<double>(value), 'g', 9);
}

}  // namespace

CSetScaleDlg::CSetScaleDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Set Graph Scale");
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("X-Axis", this), 0, 1, Qt::AlignHCenter);
    grid->addWidget(new QLabel("Y-Axis", this), 0, 2, Qt::AlignHCenter);
    grid->addWidget(new QLabel("Minimum", this), 1, 0);
    grid->addWidget(new QLabel("Maximum", this), 2, 0);
    xMinimumEdit_ = AddEdit(kXMinimumId);
    yMinimumEdit_ = AddEdit(kYMinimumId);
    xMaximumEdit_ = AddEdit(kXMaximumId);
    yMaximumEdit_ = AddEdit(kYMaximumId);
    grid->addWidget(xMinimumEdit_, 1, 1);
    grid->addWidget(yMinimumEdit_, 1, 2);
    grid->addWidget(xMaximumEdit_, 2, 1);
    grid->addWidget(yMaximumEdit_, 2, 2);
    layout->addLayout(grid);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CSetScaleDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CSetScaleDlg::reject);
    layout->addWidget(buttons);
}

QLineEdit* CSetScaleDlg::AddEdit(int id)
{
    auto* e = new QLineEdit(this);
    e->setObjectName(QString("edit%1").arg(id));
    e->setProperty("controlId", id);
    // The whole text is selected whenever a box gains the focus, so typing
    // replaces it.
    vexlar::sys::SelectAllOnFocus(e);
    return e;
}

QLineEdit* CSetScaleDlg::edit(int id) const
{
    switch (id) {
    case kXMinimumId:
        return xMinimumEdit_;
    case kXMaximumId:
        return xMaximumEdit_;
    case kYMinimumId:
        return yMinimumEdit_;
    case kYMaximumId:
        return yMaximumEdit_;
    default:
        return nullptr;
    }
}

void CSetScaleDlg::ShowValues()
{
    xMinimumEdit_->setText(FormatSingle(xMinimum));
    xMaximumEdit_->setText(FormatSingle(xMaximum));
    yMinimumEdit_->setText(FormatSingle(yMinimum));
    yMaximumEdit_->setText(FormatSingle(yMaximum));
}

void CSetScaleDlg::accept()
{
    float values[4];
    QLineEdit* const edits[4] = {xMinimumEdit_, xMaximumEdit_, yMinimumEdit_, yMaximumEdit_};
    for (int k = 0; k < 4; ++k) {
        const std::optional<double> v = vexlar::WholeNumber(edits[k]->text().toStdString());
        // A number too large for single precision is no scale either.
        if (!v || !std::isfinite(static_cast<float>(*v))) {
            vexlar::sys::RefuseNotANumber(edits[k]);
            return;
        }
        values[k] = static_cast<float>(*v);
    }
    xMinimum = values[0];
    xMaximum = values[1];
    yMinimum = values[2];
    yMaximum = values[3];
    QDialog::accept();
}

int CSetScaleDlg::Run()
{
    ShowValues();
    return vexlar::sys::RunModal(*this);
}
