// Spike removal and the fluorescence baseline in the view: the View menu's
// two switches and the baseline's settings, and the glue that puts them
// into the scan cycle and into what the operator sees.
//
// Where each sits: spikes are removed from each scan before it goes into
// spectrum, so neither the running sum of additive mode nor a dark spectrum
// stored from it ever holds one. The baseline is taken off only what is
// shown: spectrum itself (the scan, the dark-subtracted scan or the running
// sum) stays as it is, so an accumulation goes on adding the plain scans and
// Store Dark keeps the plain dark; the shown spectrum, spectrum less its
// baseline, is what the chart draws and what the peak search, the cursor,
// Autoscale, Save Graph, Export and a timed series read.

#include "Xrt.h"
#include "acquisition/VexlarView.h"
#include "acquisition/ViewHost.h"
#include "cleaning/BaselineDlg.h"
#include "cleaning/CleaningNote.h"
#include "display/RepaintGuard.h"

using namespace vexlar;

bool CVexlarView::IsRemovingSpikes() const
{
    return cleaning_.removeSpikes == 1;
}

bool CVexlarView::IsSubtractingBaseline() const
{
    return cleaning_.subtractBaseline == 1;
}

void CVexlarView::OnRemoveSpikes()
{
    cleaning_.removeSpikes = cleaning_.removeSpikes == 1 ? 0 : 1;
    // Whatever was compared before is out of date: the next scan is the
    // reference for the one after it.
    cleaning_.spikes.Forget();
    cleaning_.lastScanCleaned = false;
    ShowCleaningNote();
}

void CVexlarView::OnSubtractBaseline()
{
    cleaning_.subtractBaseline = cleaning_.subtractBaseline == 1 ? 0 : 1;
    {
        // The spectrum on display changes at once, also while acquisition
        // is stopped or a spectrum file is open.
        RepaintGuard repaint(chart());
        SetLiveYData();
        XrtSetValues(chart(), XRT_DATA, liveData);
    }
    if (flags_.cursorShown)
        UpdateReadout();
    ShowCleaningNote();
}

void CVexlarView::OnBaselineSettings()
{
    CBaselineDlg dialog(this);
    dialog.settings = cleaning_.baseline.Settings();
    if (dialog.Run() != QDialog::Accepted)
        return;
    if (!cleaning_.baseline.SetSettings(dialog.settings) || !cleaning_.subtractBaseline)
        return;
    {
        RepaintGuard repaint(chart());
        SetLiveYData();
        XrtSetValues(chart(), XRT_DATA, liveData);
    }
    if (flags_.cursorShown)
        UpdateReadout();
}

const double* CVexlarView::ShownSpectrum() const
{
    return cleaning_.subtractBaseline ? cleaning_.corrected : workspace_.spectrum;
}

void CVexlarView::UpdateShownSpectrum()
{
    if (cleaning_.subtractBaseline)
        cleaning_.baseline.Subtract(workspace_.spectrum, kPixels, cleaning_.corrected);
}

void CVexlarView::SetLiveYData()
{
    UpdateShownSpectrum();
    XrtDataSetYData(liveData, 0, ShownSpectrum(), kPixels);
}

const float* CVexlarView::ScanForSpectrum()
{
    const float* scan = workspace_.raw[workspace_.channel];
    if (!cleaning_.removeSpikes)
        return scan;
    const DriverParams& p = params();
    // Laser-on and laser-off scans are each compared with their own kind;
    // the control bar's Laser box says which this one is.
    const int laserOn = host_ && host_->IsChecked(IDC_LASER) ? 1 : 0;
    const cleaning::ScanConditions conditions{workspace_.channel, p.IntegrationTime, p.Average,
                                              p.Boxcar,           p.CorrectDark,     laserOn};
    // A scan under way while the laser or the acquisition parameters were
    // switched is of neither kind: compared with nothing, and kept by none.
    const cleaning::SpikeRemover::Result result =
        scanQueue_.LastArrivalStraddled() ? cleaning_.spikes.Pass(scan) : cleaning_.spikes.Clean(scan, conditions);
    cleaning_.lastScanCleaned = true;
    // The first scan has nothing to be compared with, and the next one only
    // a scan that still holds its rays: shown, but kept out of a sum, which
    // must never hold a spike.
    if (!result.settled && flags_.additive)
        return nullptr;
    return cleaning_.spikes.Cleaned();
}

const float* CVexlarView::LastScan() const
{
    return cleaning_.lastScanCleaned ? cleaning_.spikes.Cleaned() : workspace_.raw[workspace_.channel];
}

void CVexlarView::ShowCleaningNote()
{
    if (host_)
        host_->SetIndicatorText(cleaning::CleaningNote(cleaning_.removeSpikes == 1, cleaning_.subtractBaseline == 1));
}
