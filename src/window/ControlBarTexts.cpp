// The [DialogBar] texts between the settings file and the control bar.

#include "window/ControlBarTexts.h"

#include <string>

#include "MessageBox.h"
#include "calibration/SettingsFile.h"

namespace vexlar {

namespace {

using vexlar::sys::kErrorTitle;

}  // namespace

bool SaveControlBarTexts(const ViewHost& host, const settings::ControlBarTexts* loaded)
{
    const settings::ControlBarTexts texts{host.Text(IDC_CHANNEL), host.Text(IDC_LASER_WAVELENGTH),
                                          host.Text(IDC_X_AXIS)};
    std::string error;
    const bool saved = loaded ? settings::WriteChangedControlBarTexts(texts, *loaded, &error, settings::kFileName)
                              : settings::WriteControlBarTexts(texts, &error, settings::kFileName);
    if (saved)
        return true;
    sys::ShowOperatorMessage("The control-bar texts could not be saved.\n" + error, kErrorTitle);
    return false;
}

settings::ControlBarTexts LoadControlBarTexts(ViewHost& host)
{
    const settings::ControlBarTexts texts = settings::ReadControlBarTexts(settings::kFileName);
    host.SetText(IDC_CHANNEL, texts.channel);
    host.SetText(IDC_LASER_WAVELENGTH, texts.laserWavelength);
    host.SetText(IDC_X_AXIS, texts.xAxis);
    return texts;
}

}  // namespace vexlar
