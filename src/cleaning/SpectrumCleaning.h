#pragma once
// What the view keeps for cleaning its spectra: whether the operator asked
// for spike removal and for the baseline to be subtracted, the spike
// remover with the previous scan it compares with, the readings of an
// average taken one by one, the baseline's settings and workspace, and the
// spectrum as it is shown with the baseline subtracted. Both switches off,
// nothing here is touched while scanning.

#include "cleaning/Baseline.h"
#include "cleaning/ReadingAverage.h"
#include "cleaning/SpikeRemoval.h"

namespace vexlar::cleaning {

struct SpectrumCleaning {
    int removeSpikes = 0;      // View > Remove Spikes
    int subtractBaseline = 0;  // View > Subtract Baseline
    SpikeRemover spikes;
    // While spikes are removed from a scan of several averages, its readings
    // so far, cleaned.
    ReadingAverage readings;
    // The scan that went into the spectrum last, when it is not the driver's
    // buffer as it came (it went through the spike remover); null otherwise.
    const float* lastScan = nullptr;
    BaselineEstimator baseline;
    // The spectrum less its baseline, while subtractBaseline is 1.
    double corrected[kScanPixels] = {};
    // The baseline could not be drawn under the spectrum last shown (it holds
    // values that are not finite numbers, or too few pixels lie beyond the
    // cut-on): what is shown is the spectrum itself.
    bool baselineFailed = false;
    // The spectrum changed since corrected was made: the baseline is fitted
    // again when the shown spectrum is next read (drawn, written, searched),
    // not for every scan.
    bool correctedStale = false;
};

}  // namespace vexlar::cleaning
