#pragma once
// "Figure Resolution": the dots per inch of a PNG figure, with the size in
// pixels the chart will then have. The box goes no higher than the largest
// image allowed for the chart's size; OK refuses a size no image can have
// (a chart too large for an image even at the lowest resolution).

#include <QDialog>
#include <QSize>

class QLabel;
class QSpinBox;

class CFigureResolutionDlg : public QDialog {
    Q_OBJECT

public:
    // chartSize: the chart on the screen, shown at screenDpi.
    CFigureResolutionDlg(QSize chartSize, double screenDpi, QWidget* parent = nullptr);

    static constexpr int kResolutionId = 1101;

    int dpi = 0;

    // Shows dpi, runs the dialog and, on OK, takes the chosen value back.
    // Returns QDialog::Accepted or Rejected.
    int Run();

    QSpinBox* resolutionBox() const { return resolution_; }
    // "3125 x 1875 pixels" for the resolution in the box.
    QString SizeText() const;

    void accept() override;

private:
    void ShowSize();

    QSize chartSize_;
    double screenDpi_;
    QSpinBox* resolution_;
    QLabel* size_;
};
