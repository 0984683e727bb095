// The peak finder: searches the displayed spectrum on demand and enters
// every peak it finds in the peak table, and lets the operator set its
// threshold, slope and width.

#include <QDialog>

#include "acquisition/VexlarView.h"
#include "display/RepaintGuard.h"
#include "peaks/PeakFinderDlg.h"
#include "peaks/PeakSearch.h"

using namespace vexlar;

void CVexlarView::FindPeaks()
{
    // Up to 100 new labels, drawn once at the end.
    RepaintGuard repaint(chart());
    // A peak the full table refuses is dropped and the search goes on.
    peaks::SearchPeaks(ShownSpectrum(), peaks::FirstCandidate(workspace_.xAxisMode, workspace_.ramanShift),
                       peakTable_.criteria, [this](int pixel) { AddPeak(pixel); });
}

void CVexlarView::MarkAllPeaks()
{
    FindPeaks();
    peakTable_.peakLabelsShown = true;
    peakTable_.peakSearchDone = true;
}

void CVexlarView::OnPeakSettings()
{
    CPeakFinderDlg dialog(this);
    dialog.criteria = peakTable_.criteria;
    if (dialog.Run() != QDialog::Accepted)
        return;
    peakTable_.criteria = dialog.criteria;
    // Labels on the chart follow the new settings at once.
    if (peakTable_.peakLabelsShown) {
        ResetPeakTable();
        MarkAllPeaks();
    }
}
