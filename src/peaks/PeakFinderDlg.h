#pragma once
// "Configure Peak Finder": the threshold and slope as real numbers and the
// width as a whole number, picked from 1 to 5 or typed.

#include <QDialog>

#include "peaks/PeakTableState.h"

class QComboBox;
class QLineEdit;

class CPeakFinderDlg : public QDialog {
    Q_OBJECT

public:
    explicit CPeakFinderDlg(QWidget* parent = nullptr);

    // Control ids.
    static constexpr int kThresholdId = 1037;
    static constexpr int kWidthId = 1038;
    static constexpr int kSlopeId = 1039;

    // The criteria edited: a copy of the view's, handed back on OK.
    vexlar::peaks::PeakFinderCriteria criteria;

    // Shows the values, runs the dialog and, on OK, takes the typed values
    // back. Returns QDialog::Accepted or Rejected.
    int Run();

    QLineEdit* thresholdEdit() const { return thresholdEdit_; }
    QLineEdit* slopeEdit() const { return slopeEdit_; }
    QComboBox* widthBox() const { return widthBox_; }

    // Takes the values when the threshold and the slope are numbers;
    // otherwise tells the operator, puts the focus on the box at fault and
    // keeps the dialog open. The width is read like atoi: its leading whole
    // number, 0 when there is none, any value.
    void accept() override;

private:
    void ShowValues();

    QLineEdit* thresholdEdit_;
    QLineEdit* slopeEdit_;
    QComboBox* widthBox_;
};
