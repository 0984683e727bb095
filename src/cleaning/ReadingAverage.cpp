#include "cleaning/ReadingAverage.h"

namespace vexlar::cleaning {

bool ReadingAverage::Add(const float* reading, const ScanConditions& conditions, int count)
{
    if (taken_ == 0 || !(conditions == conditions_)) {
        sum_.fill(0.0);
        conditions_ = conditions;
        taken_ = 0;
    }
    for (int i = 0; i < kScanPixels; ++i)
        sum_[i] += reading[i];
    if (++taken_ < count)
        return false;
    for (int i = 0; i < kScanPixels; ++i)
        mean_[i] = static_cast<float>(sum_[i] / taken_);
    taken_ = 0;
    return true;
}

}  // namespace vexlar::cleaning
