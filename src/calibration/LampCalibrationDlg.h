#pragma once
// Setup > Calibrate from Lamp: the wavelength calibration of the selected
// channel fitted to the lines of a neon lamp in front of it. The operator
// chooses the spectrum, the polynomial's order (or lets the lines choose it)
// and how far the current calibration may be off; the dialog shows every
// matched line with its residual, the order chosen, the lines too bright to
// use, the span the lines cover with the calibration's uncertainty at the
// detector's ends, and the new coefficients. Apply hands the new calibration
// to the view; Cancel changes nothing.

#include "calibration/LampCalibration.h"
#include "calibration/StandardsDialog.h"

class QComboBox;
class QLabel;
class QSpinBox;

class CLampCalibrationDlg : public vexlar::StandardsDialog {
    Q_OBJECT

public:
    CLampCalibrationDlg(vexlar::calibration::MeasurementSource source, const vexlar::calibration::Polynomial& current,
                        const QString& channelName, QWidget* parent = nullptr);

    // The calibration on show; the one to store when the dialog ended with
    // Apply.
    const vexlar::calibration::LampCalibrationResult& Result() const { return result_; }

protected:
    std::string Compute(const std::vector<double>& spectrum) override;

private:
    void ShowResult();

    vexlar::calibration::Polynomial current_;
    std::vector<double> fullScale_;
    QComboBox* order_ = nullptr;
    QSpinBox* search_ = nullptr;
    QLabel* summary_ = nullptr;
    QLabel* orderChoice_ = nullptr;
    QLabel* saturation_ = nullptr;
    QLabel* span_ = nullptr;
    QLabel* uncertainty_ = nullptr;
    QLabel* coefficients_ = nullptr;
    vexlar::calibration::LampCalibrationResult result_;
};
