#pragma once
// "Baseline Settings": the smoothness (λ) and asymmetry (p) of the
// fluorescence baseline and the Raman shift beyond which it is fitted, each
// a number within its range, with a button that puts back the defaults.

#include <QDialog>

#include "cleaning/BaselineSettings.h"

class QLineEdit;
class QPushButton;

class CBaselineDlg : public QDialog {
    Q_OBJECT

public:
    explicit CBaselineDlg(QWidget* parent = nullptr);

    vexlar::cleaning::BaselineSettings settings;

    // Shows settings, runs the dialog and, on OK, takes the typed values
    // back into settings. Returns QDialog::Accepted or Rejected.
    int Run();

    QLineEdit* smoothnessEdit() const { return smoothnessEdit_; }
    QLineEdit* asymmetryEdit() const { return asymmetryEdit_; }
    QLineEdit* cutOnEdit() const { return cutOnEdit_; }
    QPushButton* defaultsButton() const { return defaultsButton_; }

    // Takes the values when all are numbers within their ranges; otherwise
    // tells the operator which and why, puts the focus on that box and keeps
    // the dialog open.
    void accept() override;

private:
    void ShowValues(const vexlar::cleaning::BaselineSettings& shown);

    QLineEdit* smoothnessEdit_;
    QLineEdit* asymmetryEdit_;
    QLineEdit* cutOnEdit_;
    QPushButton* defaultsButton_;
};
