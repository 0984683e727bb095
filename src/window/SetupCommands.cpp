#include "window/SetupCommands.h"

#include <string>

#include "ModalDialog.h"
#include "calibration/CalibrationText.h"
#include "calibration/LampCalibrationDlg.h"
#include "calibration/RamanShiftCheckDlg.h"
#include "calibration/SpectrometerConfigDlg.h"
#include "cleaning/BaselineDlg.h"
#include "timed/TimeAcquisitionDlg.h"
#include "window/VexlarView.h"
#include "window/ViewHost.h"

namespace vexlar {

static_assert(spectrometer_config::kChannelCount == kChannels, "the dialog holds a calibration for every channel");

namespace {

constexpr const char* kChannelNames[kChannels] = {"Master",  "Slave 1", "Slave 2", "Slave 3",
                                                  "Slave 4", "Slave 5", "Slave 6", "Slave 7"};

calibration::Polynomial ChannelCalibration(const calibration::Coefficients& k)
{
    // The single-precision coefficients widened, as the axes use them.
    calibration::Polynomial p;
    p.c = {k.intercept, k.first, k.second, k.third};
    return p;
}

}  // namespace

void SetupCommands::OnConfigureSpectrometer()
{
    Instrument& engine = view_.instrument();
    CSpectrometerConfigDlg dialog(&view_);
    dialog.numChannels = engine.workspace().numChannels;
    dialog.calibration = engine.calibration().table;
    const bool accepted = dialog.RunModal() == QDialog::Accepted;
    // After OK and after Cancel alike: the axes of the selected channel are
    // made again and the shown spectrum is cleared until the next scan.
    if (accepted)
        engine.ApplyCalibration(dialog.calibration, dialog.numChannels);
    else
        engine.ApplyCalibration(engine.calibration().table, engine.workspace().numChannels);
}

void SetupCommands::OnCalibrateFromLamp()
{
    Instrument& engine = view_.instrument();
    const int ch = engine.workspace().channel;
    const calibration::Coefficients k = calibration::ChannelCoefficients(engine.calibration(), ch);
    CLampCalibrationDlg dialog(engine.CalibrationSource(), ChannelCalibration(k), kChannelNames[ch], &view_);
    if (sys::RunModal(dialog) != QDialog::Accepted || !dialog.Result().ok)
        return;
    // Stored as Setup > Configure Spectrometer stores a calibration: single
    // precision in the channel's table, saved at exit, the axes made again.
    const auto& c = dialog.Result().calibration.c;
    engine.ApplyChannelCalibration(
        {static_cast<float>(c[0]), static_cast<float>(c[1]), static_cast<float>(c[2]), static_cast<float>(c[3])});
}

void SetupCommands::OnCheckRamanShift()
{
    Instrument& engine = view_.instrument();
    const int ch = engine.workspace().channel;
    const calibration::Coefficients k = calibration::ChannelCoefficients(engine.calibration(), ch);
    CRamanShiftCheckDlg dialog(engine.CalibrationSource(), ChannelCalibration(k), engine.calibration().laserWavenumber,
                               engine.calibration().laserWavelength, kChannelNames[ch], &view_);
    if (sys::RunModal(dialog) != QDialog::Accepted || !dialog.Result().ok)
        return;
    // Set as the control bar's laser field sets it: the field shows the new
    // wavelength and the Raman axis follows.
    const std::string text = calibration::LaserWavelengthText(dialog.Result().bestLaserNm);
    if (!engine.SetLaserWavelength(text).empty())
        return;
    if (ViewHost* host = view_.host())
        host->SetText(IDC_LASER_WAVELENGTH, text);
}

void SetupCommands::OnBaselineSettings()
{
    CBaselineDlg dialog(&view_);
    dialog.settings = view_.instrument().baselineSettings();
    if (dialog.Run() != QDialog::Accepted)
        return;
    view_.instrument().SetBaselineSettings(dialog.settings);
}

void SetupCommands::OnTimeAcqConfigure()
{
    Instrument& engine = view_.instrument();
    CTimeAcquisitionDlg dialog(&view_);
    dialog.settings = engine.seriesSettings();
    dialog.seriesTable = engine.seriesTableSetting();
    if (dialog.Run() != QDialog::Accepted)
        return;
    engine.SetSeriesSettings(dialog.settings);
    // A series already running keeps the table it started with.
    engine.SetSeriesTableSetting(dialog.seriesTable);
}

}  // namespace vexlar
