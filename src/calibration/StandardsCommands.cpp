// Calibrating from standards: Setup > Calibrate from Lamp fits the selected
// channel's wavelength calibration to a neon lamp's lines, Setup > Check
// Raman Shift checks its Raman axis against a shift standard. The dialogs
// measure and compute; the view stores what the operator applies, the way
// the spectrometer configuration and the laser field store it.

#include <algorithm>
#include <string>

#include "ModalDialog.h"
#include "acquisition/VexlarView.h"
#include "acquisition/ViewHost.h"
#include "calibration/CalibrationText.h"
#include "calibration/LampCalibrationDlg.h"
#include "calibration/RamanShiftCheckDlg.h"
#include "display/RepaintGuard.h"

using namespace vexlar;

namespace {

constexpr const char* kChannelNames[kChannels] = {"Master",  "Slave 1", "Slave 2", "Slave 3",
                                                  "Slave 4", "Slave 5", "Slave 6", "Slave 7"};

calibration::Polynomial ChannelCalibration(float intercept, float first, float second, float third)
{
    // The single-precision coefficients widened, as the axes use them.
    calibration::Polynomial p;
    p.c = {intercept, first, second, third};
    return p;
}

}  // namespace

calibration::MeasurementSource CVexlarView::CalibrationSource()
{
    calibration::MeasurementSource source;
    source.displayed = [this] {
        return std::vector<double>(std::begin(workspace_.spectrum), std::end(workspace_.spectrum));
    };
    if (timeAcq_.timeAcqRunning)
        source.noFreshScansReason = "A timed series is running: only the spectrum on display can be used.";
    else if (flags_.additive)
        source.noFreshScansReason = "Additive mode is on: only the spectrum on display can be used.";
    else if (!flags_.scanning)
        source.noFreshScansReason = "Acquisition is stopped: only the spectrum on display can be used.";
    else
        source.freshScans = &freshScans_;
    // A scan less the dark spectrum, or a sum of such: a pixel full in every
    // scan shows the full scale less the dark, as many times as summed.
    const bool lessDark = flags_.additive || flags_.subtractDark;
    const double scans = flags_.additive ? static_cast<double>(std::max(flags_.additions, 1L)) : 1.0;
    source.fullScale.resize(kPixels);
    for (int i = 0; i < kPixels; ++i)
        source.fullScale[i] = scans * (calibration::kDetectorFullScale - (lessDark ? workspace_.dark[i] : 0.0));
    return source;
}

void CVexlarView::OnCalibrateFromLamp()
{
    const int ch = workspace_.channel;
    const calibration::Coefficients k = calibration::ChannelCoefficients(calibration_, ch);
    CLampCalibrationDlg dialog(CalibrationSource(), ChannelCalibration(k.intercept, k.first, k.second, k.third),
                               kChannelNames[ch], this);
    if (sys::RunModal(dialog) != QDialog::Accepted || !dialog.Result().ok)
        return;

    // Stored as Setup > Configure Spectrometer stores a calibration: single
    // precision in the channel's table, saved at exit, the axes made again.
    const auto& c = dialog.Result().calibration.c;
    calibration::SetChannelCoefficients(
        calibration_.table, ch,
        {static_cast<float>(c[0]), static_cast<float>(c[1]), static_cast<float>(c[2]), static_cast<float>(c[3])});
    RepaintGuard repaint(chart());
    RebuildAxes();
    ShowXAxis();
}

void CVexlarView::OnCheckRamanShift()
{
    const int ch = workspace_.channel;
    const calibration::Coefficients k = calibration::ChannelCoefficients(calibration_, ch);
    CRamanShiftCheckDlg dialog(CalibrationSource(), ChannelCalibration(k.intercept, k.first, k.second, k.third),
                               calibration_.laserWavenumber, calibration_.laserWavelength, kChannelNames[ch], this);
    if (sys::RunModal(dialog) != QDialog::Accepted || !dialog.Result().ok)
        return;

    // Set as the control bar's laser field sets it: the field shows the new
    // wavelength and the Raman axis follows.
    const std::string text = calibration::LaserWavelengthText(dialog.Result().bestLaserNm);
    if (!SetLaserWavelength(text.c_str()))
        return;
    if (host_)
        host_->SetText(IDC_LASER_WAVELENGTH, text);
}
