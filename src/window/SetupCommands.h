#pragma once
// The window's set-up dialogs: each gathers what the operator chose and
// hands it to the engine, which makes it so. The spectrometer configuration
// and the calibration from standards (Setup menu), the baseline settings
// (View menu), the time acquisition's settings (Time Acquisition menu).

class CVexlarView;

namespace vexlar {

class SetupCommands {
public:
    explicit SetupCommands(CVexlarView& view) : view_(view) { }

    // Setup > Configure Spectrometer: the calibration table and the number of
    // channels edited in their dialog; the axes are rebuilt when it closes.
    void OnConfigureSpectrometer();
    // Setup > Calibrate from Lamp: the selected channel's calibration fitted
    // to the lines of a neon lamp; Apply stores it as Configure Spectrometer
    // does and rebuilds the axes, Cancel changes nothing.
    void OnCalibrateFromLamp();
    // Setup > Check Raman Shift: the Raman axis checked against a shift
    // standard; Apply sets the laser wavelength that best removes the error
    // as the control bar's laser field does, Cancel changes nothing.
    void OnCheckRamanShift();
    // View > Baseline Settings: the baseline's smoothness, asymmetry and
    // cut-on shift.
    void OnBaselineSettings();
    // Time Acquisition > Configure: the eight series settings and the series
    // table. Available also while a series runs; the run reads the new
    // values at its next step.
    void OnTimeAcqConfigure();

private:
    CVexlarView& view_;
};

}  // namespace vexlar
