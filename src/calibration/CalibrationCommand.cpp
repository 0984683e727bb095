// The Spectrometer Configuration command: the operator edits the number of
// channels and the calibration table in the dialog; the axes of the selected
// channel are rebuilt when it closes.

#include "acquisition/VexlarView.h"
#include "calibration/SpectrometerConfigDlg.h"
#include "display/RepaintGuard.h"

using namespace vexlar;

static_assert(spectrometer_config::kChannelCount == kChannels, "the dialog holds a calibration for every channel");

void CVexlarView::OnConfigureSpectrometer()
{
    CSpectrometerConfigDlg dialog(this);
    dialog.numChannels = workspace_.numChannels;
    dialog.calibration = calibration_.table;

    if (dialog.RunModal() == QDialog::Accepted) {
        workspace_.numChannels = dialog.numChannels;
        calibration_.table = dialog.calibration;
    }

    // After OK and after Cancel alike: the axes of the selected channel are
    // made again and the shown spectrum is cleared until the next scan.
    RepaintGuard repaint(chart());
    RebuildAxes();
    ShowXAxis();
}
