// Time Acquisition > Configure: the eight series settings and the series
// table edited in their dialog. Available also while a series runs; the run
// reads the new values at its next step.

#include "acquisition/VexlarView.h"
#include "timed/TimeAcquisitionDlg.h"

void CVexlarView::OnTimeAcqConfigure()
{
    CTimeAcquisitionDlg dialog(this);
    dialog.settings = timeAcq_.settings;
    dialog.seriesTable = seriesTable_.setting;
    if (dialog.Run() != QDialog::Accepted)
        return;
    timeAcq_.settings = dialog.settings;
    // A series already running keeps the table it started with.
    seriesTable_.setting = dialog.seriesTable;
}
