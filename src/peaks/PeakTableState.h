#pragma once
// The peak table as the view holds it: the 100 slots, whether their labels
// are shown and whether the spectrum has been searched since the table was
// set up; and the peak finder's criteria.

#include "peaks/PeakCriteria.h"
#include "peaks/PeakRecord.h"

namespace vexlar::peaks {

struct PeakTable {
    PeakRecord peaks[kPeakSlots];
    bool peakLabelsShown = false;
    // The first time the labels are turned on the spectrum is searched;
    // after that only the peaks in the table are shown.
    bool peakSearchDone = false;
    PeakCriteria criteria;
};

}  // namespace vexlar::peaks
