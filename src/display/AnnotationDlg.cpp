#include "display/AnnotationDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "FieldInput.h"
#include "MessageBox.h"
#include "ModalDialog.h"
#include "display/AnnotationFile.h"
#include "display/AnnotationRecord.h"
#include "display/Windows1252.h"

namespace {

constexpr double kPointsPerInch = 72.0;
constexpr double kFallbackDotsPerInch = 96.0;

QString RefusedCharacterMessage(char32_t character)
{
    const QString code = QString::number(static_cast<unsigned>(character), 16).toUpper().rightJustified(4, u'0');
    return QString("The character \"%1\" (U+%2) cannot be kept in an annotation.\n"
                   "Annotations hold Western European (Windows-1252) characters only.")
        .arg(QString::fromUcs4(&character, 1), code);
}

double ScreenDotsPerInch()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchY() : 0.0;
    return dpi > 0.0 ? dpi : kFallbackDotsPerInch;
}

}  // namespace

namespace vexlar::display {

QFont ChooserFontFrom(const vexlar::sys::LogFont& description)
{
    QFont font = vexlar::sys::ToQFont(description);
    // The chooser works in points; the slot's height is in screen pixels.
    const double pixels = font.pixelSize() > 0 ? font.pixelSize() : 0.0;
    if (pixels > 0.0)
        font.setPointSizeF(pixels * kPointsPerInch / ScreenDotsPerInch());
    return font;
}

vexlar::sys::LogFont DescriptionFromChosen(const QFont& chosen)
{
    vexlar::sys::LogFont description;
    const double pixels =
        chosen.pixelSize() > 0 ? chosen.pixelSize() : chosen.pointSizeF() * ScreenDotsPerInch() / kPointsPerInch;
    // Negative: the character height, as the system's font chooser gives it.
    description.height = -static_cast<std::int32_t>(std::lround(std::min(pixels, static_cast<double>(kFontMaxSize))));
    description.weight = std::clamp(static_cast<int>(chosen.weight()), 0, static_cast<int>(kFontMaxWeight));
    description.italic = chosen.italic() ? 1 : 0;
    description.underline = 0;  // the chooser offers no effects
    description.strikeOut = 0;
    description.faceName = FitText(chosen.family().toUtf8().toStdString(), kFontFaceNameSize - 1);
    return description;
}

}  // namespace vexlar::display

CAnnotationDlg::CAnnotationDlg(vexlar::sys::FontHandle& font, QWidget* parent) : QDialog(parent), font_(font)
{
    setWindowTitle("Dialog");
    setObjectName(QString("dialog%1").arg(kDialogId));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Annotation", this));

    auto* row = new QHBoxLayout;
    textEdit_ = new QLineEdit(this);
    textEdit_->setObjectName(QString("edit%1").arg(kTextEditId));
    textEdit_->setProperty("controlId", kTextEditId);
    textEdit_->setMinimumWidth(textEdit_->fontMetrics().averageCharWidth() * 40);
    // What the slot and the file hold; the field takes no more.
    textEdit_->setMaxLength(static_cast<int>(vexlar::display::kAnnoMaxTextLength));
    // The whole text is selected whenever the box gains the focus, so
    // typing replaces it.
    vexlar::sys::SelectAllOnFocus(textEdit_);
    row->addWidget(textEdit_, 1);
    fontButton_ = new QPushButton("&Font", this);
    fontButton_->setObjectName(QString("button%1").arg(kFontButtonId));
    fontButton_->setProperty("controlId", kFontButtonId);
    fontButton_->setAutoDefault(false);
    row->addWidget(fontButton_);
    layout->addLayout(row);

    layout->addWidget(new QLabel("Default font is 12 point Arial", this));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);

    connect(fontButton_, &QPushButton::clicked, this, &CAnnotationDlg::OnFont);
    connect(buttons, &QDialogButtonBox::accepted, this, &CAnnotationDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CAnnotationDlg::reject);
    // The text box has the focus when the dialog opens.
    textEdit_->setFocus();
}

void CAnnotationDlg::OnFont()
{
    vexlar::sys::LogFont current;
    if (!vexlar::sys::GetFontDescription(font_, &current)) {
        current.height = vexlar::kAnnotationFontHeight;
        current.faceName = "Arial";
    }
    const std::optional<QFont> chosen = ChooseFont(vexlar::display::ChooserFontFrom(current));
    if (!chosen)
        return;
    const vexlar::sys::FontHandle replacement =
        vexlar::sys::CreateFontIndirect(vexlar::display::DescriptionFromChosen(*chosen));
    if (replacement == 0)
        return;  // the slot keeps a font it can use
    vexlar::sys::DeleteFont(font_);
    font_ = replacement;
}

std::optional<QFont> CAnnotationDlg::ChooseFont(const QFont& current)
{
    QFontDialog chooser(current, this);
    // Qt's own chooser, so that the effects (underline, strike-out) can be
    // left out; it lists only fonts installed for the screen.
    chooser.setOption(QFontDialog::DontUseNativeDialog);
    for (QCheckBox* effect : chooser.findChildren<QCheckBox*>()) {
        if (auto* group = qobject_cast<QGroupBox*>(effect->parentWidget()))
            group->hide();
        else
            effect->hide();
    }
    if (vexlar::sys::RunModal(chooser) != QDialog::Accepted)
        return std::nullopt;
    return chooser.selectedFont();
}

void CAnnotationDlg::accept()
{
    // The annotation file holds Windows-1252 characters: a character it
    // cannot hold is refused, never changed silently, and the operator
    // corrects the text in the open dialog.
    const QString typed = textEdit_->text();
    char32_t refused = 0;
    if (!vexlar::display::Windows1252FromUtf8(typed.toStdString(), &refused)) {
        vexlar::sys::ShowOperatorMessage(RefusedCharacterMessage(refused).toStdString(), vexlar::sys::kErrorTitle);
        // The character is pointed out once the box has the focus again (and
        // has selected its whole text, as on every gain of the focus).
        textEdit_->setFocus();
        const QString character = QString::fromUcs4(&refused, 1);
        const qsizetype at = typed.indexOf(character);
        if (at >= 0) {
            QTimer::singleShot(0, textEdit_, [this, at, length = character.size()] {
                textEdit_->setSelection(static_cast<int>(at), static_cast<int>(length));
            });
        }
        return;
    }
    text = typed;
    QDialog::accept();
}

int CAnnotationDlg::Run()
{
    textEdit_->setText(text);
    textEdit_->selectAll();
    return vexlar::sys::RunModal(*this);
}
