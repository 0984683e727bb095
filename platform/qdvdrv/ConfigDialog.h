#pragma once
// The simulated spectrometer's own set-up dialog: the sample in front of
// each channel, the laser power, the noise, dark current and fluorescence
// levels, the speed factor of the scan timing, the share of scans that
// fail and the rate of cosmic rays on each detector.
//
// The controls carry object names (below) so that a test can fill them and
// accept the dialog as an operator would.

#include <QDialog>

#include <array>
#include <string>
#include <vector>

#include "SimSettings.h"

class QComboBox;
class QDoubleSpinBox;
class QFormLayout;

namespace vexlar::qdv {

// Object names of the controls; the sample boxes are kSampleBoxName + channel.
constexpr const char* kSampleBoxName = "sampleChannel";
constexpr const char* kLaserPowerName = "laserPower";
constexpr const char* kNoiseName = "noiseLevel";
constexpr const char* kDarkCurrentName = "darkCurrent";
constexpr const char* kFluorescenceName = "fluorescenceLevel";
constexpr const char* kSpeedFactorName = "speedFactor";
constexpr const char* kFaultPercentName = "faultPercent";
constexpr const char* kCosmicRateName = "cosmicRate";

class ConfigDialog : public QDialog {
public:
    // settings: the values to show; overrides: "NAME=value" lines of the
    // environment variables that take precedence while the program runs.
    ConfigDialog(const SimSettings& settings, const std::vector<std::string>& overrides, QWidget* parent = nullptr);

    // The shown settings with the controls' values; the values the dialog
    // does not show (calibrations, laser wavelength) are kept.
    SimSettings Settings() const;

private:
    QDoubleSpinBox* AddNumber(QFormLayout* form, const char* label, const char* name, Range range, double scale,
                              int decimals, double value);

    SimSettings original_;
    std::array<QComboBox*, kChannels> samples_{};
    QDoubleSpinBox* laserPower_ = nullptr;
    QDoubleSpinBox* noise_ = nullptr;
    QDoubleSpinBox* darkCurrent_ = nullptr;
    QDoubleSpinBox* fluorescence_ = nullptr;
    QDoubleSpinBox* speedFactor_ = nullptr;
    QDoubleSpinBox* faultPercent_ = nullptr;
    QDoubleSpinBox* cosmicRate_ = nullptr;
};

}  // namespace vexlar::qdv
