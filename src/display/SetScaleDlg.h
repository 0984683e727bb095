#pragma once
// "Set Graph Scale": the shown X and Y ranges typed by the operator. The
// four values are held in single precision; each box must hold a number.

#include <QDialog>

class QLineEdit;

class CSetScaleDlg : public QDialog {
    Q_OBJECT

public:
    explicit CSetScaleDlg(QWidget* parent = nullptr);

    // Edit-box ids.
    static constexpr int kXMinimumId = 1027;
    static constexpr int kYMinimumId = 1028;
    static constexpr int kXMaximumId = 1029;
    static constexpr int kYMaximumId = 1030;

    float xMinimum = 0.0f;
    float xMaximum = 0.0f;
    float yMinimum = 0.0f;
    float yMaximum = 0.0f;

    // Shows the values, runs the dialog and, on OK, takes the typed values
    // back. Returns QDialog::Accepted or Rejected.
    int Run();

    QLineEdit* edit(int id) const;

    // Takes the typed values when every box holds a number; otherwise tells
    // the operator, puts the focus on the first box that does not, and
    // keeps the dialog open.
    void accept() override;

private:
    QLineEdit* AddEdit(int id);
    void ShowValues();

    QLineEdit* xMinimumEdit_;
    QLineEdit* xMaximumEdit_;
    QLineEdit* yMinimumEdit_;
    QLineEdit* yMaximumEdit_;
};
