#pragma once
// Setup > Check Raman Shift: the selected channel's Raman-shift axis checked
// against a shift standard in front of it. The operator picks the standard
// and the spectrum; the dialog shows each band's published and measured
// shift and error, the mean and RMS error, and the laser wavelength that
// best removes the error. Apply hands that wavelength to the view, which
// sets it as the control bar's laser field would; Cancel changes nothing.

#include "calibration/RamanShiftCheck.h"
#include "calibration/StandardsDialog.h"

class QComboBox;
class QLabel;
class QSpinBox;

class CRamanShiftCheckDlg : public vexlar::StandardsDialog {
    Q_OBJECT

public:
    // laserWavenumber: the laser line as the axes use it (cm-1); laserNm: the
    // laser wavelength as the control bar holds it.
    CRamanShiftCheckDlg(vexlar::calibration::MeasurementSource source,
                        const vexlar::calibration::Polynomial& calibration, double laserWavenumber, double laserNm,
                        const QString& channelName, QWidget* parent = nullptr);

    // The check on show; its best laser wavelength is the one to set when
    // the dialog ended with Apply.
    const vexlar::calibration::RamanCheckResult& Result() const { return result_; }

protected:
    std::string Compute(const std::vector<double>& spectrum) override;

private:
    void ShowResult();

    vexlar::calibration::Polynomial calibration_;
    double laserWavenumber_;
    QComboBox* standard_ = nullptr;
    QSpinBox* tolerance_ = nullptr;
    QLabel* summary_ = nullptr;
    QLabel* bestLaser_ = nullptr;
    vexlar::calibration::RamanCheckResult result_;
};
