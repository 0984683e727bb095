// Time Acquisition > Configure: the eight series settings and the series
// table edited in their dialog. Available also while a series runs; the run reads the new values
// at its next step.

#include <cstdio>

#include "acquisition/VexlarView.h"
#include "timed/TimeAcquisitionDlg.h"

static_assert(sizeof CVexlarView::BaseFilename > CTimeAcquisitionDlg::kMaxBaseFilename,
              "every name the dialog accepts fits the base file name");

void CVexlarView::OnTimeAcqConfigure()
{
    CTimeAcquisitionDlg dialog(this);
    dialog.toggleLaser = ToggleLaser == 1 ? 1 : 0;
    dialog.laserWarmupTime = LaserWarmupTime;
    dialog.storeDark = StoreDark == 1 ? 1 : 0;
    dialog.delayBeforeFirstAcquisition = DelayBeforeFirstAcquisition;
    dialog.delayBetweenAcquisitions = DelayBetweenAcquisitions;
    dialog.numberOfAcquisitions = NumberOfAcquisitions;
    dialog.baseFilename = BaseFilename;
    dialog.fileFormat = FileFormat;
    dialog.seriesTable = seriesTable_.setting;
    if (dialog.Run() != QDialog::Accepted)
        return;
    ToggleLaser = static_cast<unsigned>(dialog.toggleLaser);
    LaserWarmupTime = dialog.laserWarmupTime;
    StoreDark = dialog.storeDark;
    DelayBeforeFirstAcquisition = dialog.delayBeforeFirstAcquisition;
    DelayBetweenAcquisitions = dialog.delayBetweenAcquisitions;
    NumberOfAcquisitions = dialog.numberOfAcquisitions;
    std::snprintf(BaseFilename, sizeof BaseFilename, "%s", dialog.baseFilename.c_str());
    FileFormat = dialog.fileFormat;
    // A series already running keeps the table it started with.
    seriesTable_.setting = dialog.seriesTable;
}
