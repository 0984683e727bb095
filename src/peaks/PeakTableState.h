#pragma once
// The peak table as the view holds it: the 100 slots, whether their labels
// are shown and whether the spectrum has been searched since the table was
// set up; and the peak finder's criteria, with the types the settings file
// gives them.

#include "peaks/PeakRecord.h"

namespace vexlar::peaks {

struct PeakFinderCriteria {
    double peakThreshold = 100.0;
    double peakSlope = 10.0;
    int peakWidth = 1;
};

struct PeakTable {
    PeakRecord peaks[kPeakSlots];
    bool peakLabelsShown = false;
    // The first time the labels are turned on the spectrum is searched;
    // after that only the peaks in the table are shown.
    bool peakSearchDone = false;
    PeakFinderCriteria criteria;
};

}  // namespace vexlar::peaks
