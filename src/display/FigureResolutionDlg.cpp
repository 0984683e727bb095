#include "display/FigureResolutionDlg.h"

#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

#include "MessageBox.h"
#include "ModalDialog.h"
#include "display/FigureSize.h"

using namespace vexlar::display;

namespace {

// Room in a title bar beside its text, in lines of the dialog's font: the
// window menu's icon and the minimise, maximise and close buttons, with
// their margins.
constexpr int kTitleBarRoomInLines = 9;

QString PixelsText(const FigurePixels& size)
{
    return QStringLiteral("%1 x %2 pixels").arg(size.width).arg(size.height);
}

}  // namespace

CFigureResolutionDlg::CFigureResolutionDlg(QSize chartSize, double screenDpi, QWidget* parent)
    : QDialog(parent), chartSize_(chartSize), screenDpi_(screenDpi)
{
    setWindowTitle("Figure Resolution");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    resolution_ = new QSpinBox(this);
    resolution_->setObjectName(QStringLiteral("control%1").arg(kResolutionId));
    // No higher than the chart's figure fits at.
    resolution_->setRange(kSmallestFigureDpi, LargestFigureDpi(chartSize_.width(), chartSize_.height(), screenDpi_));
    resolution_->setSuffix(" dpi");
    form->addRow("&Resolution", resolution_);
    size_ = new QLabel(this);
    form->addRow("Image size", size_);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CFigureResolutionDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CFigureResolutionDlg::reject);
    layout->addWidget(buttons);
    connect(resolution_, &QSpinBox::valueChanged, this, &CFigureResolutionDlg::ShowSize);

    // Wide enough for the whole title (title bars draw it bold) beside the
    // title bar's buttons, and for the largest image size the box allows.
    QFont titleFont = font();
    titleFont.setBold(true);
    const int titleWidth =
        QFontMetrics(titleFont).horizontalAdvance(windowTitle()) + kTitleBarRoomInLines * fontMetrics().height();
    size_->setMinimumWidth(fontMetrics().horizontalAdvance(PixelsText({99999, 99999})));
    setMinimumWidth(std::max(titleWidth, sizeHint().width()));
}

QString CFigureResolutionDlg::SizeText() const
{
    return PixelsText(FigureSizeAt(chartSize_.width(), chartSize_.height(), screenDpi_, resolution_->value()));
}

void CFigureResolutionDlg::ShowSize()
{
    size_->setText(SizeText());
}

int CFigureResolutionDlg::Run()
{
    resolution_->setValue(dpi);
    ShowSize();
    resolution_->selectAll();
    return vexlar::sys::RunModal(*this);
}

void CFigureResolutionDlg::accept()
{
    // A value typed but not yet taken by the box counts, as on OK by the
    // keyboard.
    resolution_->interpretText();
    const FigurePixels size = FigureSizeAt(chartSize_.width(), chartSize_.height(), screenDpi_, resolution_->value());
    if (!FigureFits(size)) {
        vexlar::sys::ShowOperatorMessage("An image of " + PixelsText(size).toStdString() +
                                             " is too large.\nChoose a lower resolution.",
                                         vexlar::sys::kErrorTitle);
        resolution_->setFocus();
        resolution_->selectAll();
        return;
    }
    dpi = resolution_->value();
    QDialog::accept();
}
