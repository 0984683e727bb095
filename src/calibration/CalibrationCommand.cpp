// The Spectrometer Configuration command: the operator edits the number of
// channels and the calibration table in the dialog; the axes of the selected
// channel are rebuilt when it closes.

#include <algorithm>

#include "acquisition/VexlarView.h"
#include "calibration/SpectrometerConfigDlg.h"
#include "display/RepaintGuard.h"

using namespace vexlar;

static_assert(spectrometer_config::kChannelCount == kChannels, "the dialog holds a calibration for every channel");

namespace {

void CopyTable(const float (&from)[kChannels], float (&to)[kChannels])
{
    std::copy(std::begin(from), std::end(from), std::begin(to));
}

}  // namespace

void CVexlarView::OnConfigureSpectrometer()
{
    CSpectrometerConfigDlg dialog(this);
    dialog.numChannels = workspace_.numChannels;
    CopyTable(calibration_.calIntercept, dialog.intercept);
    CopyTable(calibration_.calFirst, dialog.first);
    CopyTable(calibration_.calSecond, dialog.second);
    CopyTable(calibration_.calThird, dialog.third);

    if (dialog.RunModal() == QDialog::Accepted) {
        workspace_.numChannels = dialog.numChannels;
        CopyTable(dialog.intercept, calibration_.calIntercept);
        CopyTable(dialog.first, calibration_.calFirst);
        CopyTable(dialog.second, calibration_.calSecond);
        CopyTable(dialog.third, calibration_.calThird);
    }

    // After OK and after Cancel alike: the axes of the selected channel are
    // made again and the shown spectrum is cleared until the next scan.
    RepaintGuard repaint(chart());
    RebuildAxes();
    ShowXAxis();
}
