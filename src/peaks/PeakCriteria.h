#pragma once
// The peak finder's criteria, as the settings file's section "PeakFind"
// holds them and the peak search applies them. One copy lives in the view;
// the Peak Finder dialog edits a copy of it, and the settings file is loaded
// into and saved from it. Plain C++.

namespace vexlar::peaks {

struct PeakCriteria {
    double peakThreshold = 100.0;  // a peak is strictly above it
    double peakSlope = 10.0;       // the mean drop to the two neighbours is strictly above it
    int peakWidth = 1;             // pixels of each monotone flank; 1 to 5 find peaks

    bool operator==(const PeakCriteria&) const = default;
};

}  // namespace vexlar::peaks
