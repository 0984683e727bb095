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
    const peaks::PeakCriteria criteria{peakThreshold, peakSlope, peakWidth};
    // A peak the full table refuses is dropped and the search goes on.
    peaks::SearchPeaks(ShownSpectrum(), peaks::FirstCandidate(xAxisMode, ramanShift), criteria,
                       [this](int pixel) { AddPeak(pixel); });
}

void CVexlarView::MarkAllPeaks()
{
    FindPeaks();
    peakLabelsShown = 1;
    peakSearchDone = 1;
}

void CVexlarView::OnPeakSettings()
{
    CPeakFinderDlg dialog(this);
    dialog.peakThreshold = peakThreshold;
    dialog.peakSlope = peakSlope;
    dialog.peakWidth = peakWidth;
    if (dialog.Run() != QDialog::Accepted)
        return;
    peakThreshold = dialog.peakThreshold;
    peakSlope = dialog.peakSlope;
    peakWidth = dialog.peakWidth;
    // Labels on the chart follow the new settings at once.
    if (peakLabelsShown == 1) {
        ResetPeakTable();
        MarkAllPeaks();
    }
}
