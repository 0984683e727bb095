#pragma once
// What the view keeps for cleaning its spectra: whether the operator asked
// for spike removal and for the baseline to be subtracted, the spike
// remover with the previous scan it compares with, the baseline's settings
// and workspace, and the spectrum as it is shown with the baseline
// subtracted. Both switches off, nothing here is touched while scanning.

#include "cleaning/Baseline.h"
#include "cleaning/SpikeRemoval.h"

namespace vexlar::cleaning {

struct SpectrumCleaning {
    int removeSpikes = 0;      // View > Remove Spikes
    int subtractBaseline = 0;  // View > Subtract Baseline
    SpikeRemover spikes;
    // The last scan went through the spike remover (its cleaned copy is the
    // scan that went into the spectrum).
    bool lastScanCleaned = false;
    BaselineEstimator baseline;
    // The spectrum less its baseline, while subtractBaseline is 1.
    double corrected[kScanPixels] = {};
};

}  // namespace vexlar::cleaning
