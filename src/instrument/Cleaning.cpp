// Spike removal and the fluorescence baseline in the engine: the two
// switches and the baseline's settings, and where they sit in the scan.
//
// Spikes are removed from each scan before it goes into the spectrum, so
// neither the running sum of additive mode nor a dark spectrum stored from it
// ever holds one. A scan of several averages is taken as its single readings
// for that (the driver is asked for one reading a scan), each cleaned against
// the one before, and their mean is the scan. The baseline is fitted beyond
// its cut-on shift and taken off only what is shown: the spectrum itself
// (the scan, the dark-subtracted scan or the running sum) stays as it is, so
// an accumulation goes on adding the plain scans and Store Dark keeps the
// plain dark; the shown spectrum, the spectrum less its baseline, is what
// the chart draws and what the peak search, the cursor, Autoscale, the files
// and a timed series read.

#include "cleaning/CleaningNote.h"
#include "instrument/Instrument.h"

using namespace vexlar;

void Instrument::ToggleRemoveSpikes()
{
    cleaning_.removeSpikes = cleaning_.removeSpikes == 1 ? 0 : 1;
    // Whatever was compared before is out of date: the next scan is the
    // reference for the one after it.
    cleaning_.spikes.Forget();
    cleaning_.readings.Restart();
    cleaning_.lastScan = nullptr;
    // Scans of several averages: the driver takes them whole again, or one
    // reading at a time; the scan under way was asked for the other way.
    if (params().Average > 1) {
        SendParamsToDriver();
        scanQueue_.AcquisitionSwitched();
    }
    ShowCleaningNote();
}

void Instrument::ToggleSubtractBaseline()
{
    cleaning_.subtractBaseline = cleaning_.subtractBaseline == 1 ? 0 : 1;
    // The spectrum on display changes at once, also while acquisition is
    // stopped or a spectrum file is open.
    UpdateShownSpectrum();
    Q_EMIT shownSpectrumChanged();
    ShowCleaningNote();
}

bool Instrument::SetBaselineSettings(const cleaning::BaselineSettings& settings)
{
    if (!cleaning_.baseline.SetSettings(settings))
        return false;
    if (cleaning_.subtractBaseline) {
        UpdateShownSpectrum();
        Q_EMIT shownSpectrumChanged();
    }
    return true;
}

const double* Instrument::ShownSpectrum() const
{
    if (!cleaning_.subtractBaseline)
        return workspace_.spectrum;
    RefreshCorrected();
    return cleaning_.corrected;
}

const double* Instrument::ShownX() const
{
    return workspace_.xAxisMode == 1 ? workspace_.ramanShift : workspace_.wavelength;
}

void Instrument::UpdateShownSpectrum()
{
    // The baseline is fitted when someone reads the shown spectrum: at most
    // once per displayed frame while scans come faster than frames, and
    // never for a scan that no one draws, writes or searches.
    if (cleaning_.subtractBaseline)
        cleaning_.correctedStale = true;
}

void Instrument::RefreshCorrected() const
{
    if (!cleaning_.subtractBaseline || !cleaning_.correctedStale)
        return;
    // The corrected spectrum is a cache of the spectrum less its baseline;
    // reading the shown spectrum fills it, so the readers stay const.
    auto& self = const_cast<Instrument&>(*this);
    cleaning::SpectrumCleaning& c = self.cleaning_;
    c.correctedStale = false;
    // Fitted beyond the cut-on on the Raman axis of the spectrum on display.
    const bool failed = !c.baseline.Subtract(workspace_.spectrum, workspace_.ramanShift, kPixels, c.corrected);
    // The status bar and the files written say whether it was taken off.
    if (failed != c.baselineFailed) {
        c.baselineFailed = failed;
        self.ShowCleaningNote();
    }
}

bool Instrument::IsBaselineSubtracted() const
{
    RefreshCorrected();
    return cleaning_.subtractBaseline == 1 && !cleaning_.baselineFailed;
}

bool Instrument::AveragesReadings() const
{
    return cleaning_.removeSpikes == 1 && app_ && app_->driverParams.Average > 1;
}

bool Instrument::ScanForSpectrum(const float** spectrumScan)
{
    const float* scan = workspace_.raw[workspace_.channel];
    *spectrumScan = scan;
    if (!cleaning_.removeSpikes)
        return true;
    const DriverParams& p = params();
    // Laser-on and laser-off scans are each compared with their own kind.
    const int laserOn = laserOn_ ? 1 : 0;
    const cleaning::ScanConditions conditions{workspace_.channel, p.IntegrationTime, p.Average,
                                              p.Boxcar,           p.CorrectDark,     laserOn};
    // A scan under way while the laser or the acquisition parameters were
    // switched is of neither kind: compared with nothing, and kept by none.
    const bool straddled = scanQueue_.LastArrivalStraddled();
    const cleaning::SpikeRemover::Result result =
        straddled ? cleaning_.spikes.Pass(scan) : cleaning_.spikes.Clean(scan, conditions);
    if (AveragesReadings()) {
        // One reading of the average. One taken partly one way and partly
        // the other starts the average again; one that could not be
        // searched for spikes (the first two after a start) is left out, so
        // that no ray reaches the mean.
        if (straddled) {
            cleaning_.readings.Restart();
            return false;
        }
        if (!result.settled || !cleaning_.readings.Add(cleaning_.spikes.Cleaned(), conditions, p.Average))
            return false;
        cleaning_.lastScan = cleaning_.readings.Mean();
        *spectrumScan = cleaning_.lastScan;
        return true;
    }
    cleaning_.lastScan = cleaning_.spikes.Cleaned();
    // The first scan has nothing to be compared with, and the next one only
    // a scan that still holds its rays: shown, but kept out of a sum, which
    // must never hold a spike.
    *spectrumScan = !result.settled && flags_.additive ? nullptr : cleaning_.lastScan;
    return true;
}

const float* Instrument::LastScan() const
{
    return cleaning_.lastScan ? cleaning_.lastScan : workspace_.raw[workspace_.channel];
}

std::string Instrument::CleaningNote() const
{
    RefreshCorrected();
    const cleaning::BaselineState baseline = !cleaning_.subtractBaseline ? cleaning::BaselineState::Off
                                             : cleaning_.baselineFailed  ? cleaning::BaselineState::Failed
                                                                         : cleaning::BaselineState::Subtracted;
    return cleaning::CleaningNote(cleaning_.removeSpikes == 1, baseline);
}

void Instrument::ShowCleaningNote()
{
    Q_EMIT cleaningNoteChanged(CleaningNote());
}
