#pragma once
// The annotation dialog: the text of one annotation and the font of its slot.
//
// "&Font" opens the system font chooser on the slot's font; a font chosen
// there replaces the slot's font at once, whether or not the dialog is then
// confirmed, so it stays with the slot for the next annotation placed in it.

#include <QDialog>
#include <QFont>
#include <QString>

#include <optional>

#include "Font.h"

class QLineEdit;
class QPushButton;

class CAnnotationDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kDialogId = 140;
    static constexpr int kTextEditId = 1035;
    static constexpr int kFontButtonId = 1036;

    // font: the font handle of the slot being edited; replaced when the
    // operator picks another font.
    CAnnotationDlg(vexlar::sys::FontHandle& font, QWidget* parent = nullptr);

    // The text shown when the dialog opens; on OK, the text typed. The box
    // takes at most 99 characters, and OK refuses (naming it, the dialog
    // staying open) a character the annotation file's Windows-1252 cannot
    // hold.
    QString text = QStringLiteral("Type your annotation here");

    // Shows the text with all of it selected, runs the dialog and, on OK,
    // takes the typed text. Returns QDialog::Accepted or Rejected.
    int Run();

    // "&Font": the system font chooser on the slot's font; on OK the slot's
    // font is replaced by one made from the choice.
    void OnFont();

    QLineEdit* textEdit() const { return textEdit_; }
    QPushButton* fontButton() const { return fontButton_; }

    void accept() override;

private:
    // The system font chooser: screen fonts that exist, no effects.
    std::optional<QFont> ChooseFont(const QFont& current);

    vexlar::sys::FontHandle& font_;
    QLineEdit* textEdit_;
    QPushButton* fontButton_;
};

namespace vexlar::display {

// Between the slot's font description (pixel heights) and the font chooser
// (point sizes on this screen). A picked font carries no underline or
// strike-out.
QFont ChooserFontFrom(const vexlar::sys::LogFont& description);
vexlar::sys::LogFont DescriptionFromChosen(const QFont& chosen);

}  // namespace vexlar::display
