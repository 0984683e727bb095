#pragma once
// A scan of several averages taken as its single readings, each cleaned of
// spikes before it goes into the mean. In the driver's own average a ray
// that struck one reading of a hundred is a hundredth of its height, too
// faint to tell from the noise of the scan before, and at many rays a
// second nearly every pixel of a long average holds some; one reading at a
// time, each against the one before it, every ray stands out and goes. The
// mean of the cleaned readings is the scan.

#include <array>

#include "cleaning/SpikeRemoval.h"

namespace vexlar::cleaning {

class ReadingAverage {
public:
    // The readings so far are dropped: the next one starts a new mean.
    void Restart() { taken_ = 0; }

    // Adds a reading of kScanPixels values taken under conditions; one taken
    // another way than the readings before it starts a new mean. True when
    // count readings are in: Mean() is their mean until the next call, which
    // starts a new one.
    bool Add(const float* reading, const ScanConditions& conditions, int count);
    const float* Mean() const { return mean_.data(); }

private:
    std::array<double, kScanPixels> sum_{};
    std::array<float, kScanPixels> mean_{};
    ScanConditions conditions_{};
    int taken_ = 0;
};

}  // namespace vexlar::cleaning
