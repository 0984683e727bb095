#include "calibration/ScanAverage.h"

#include <algorithm>

namespace vexlar::calibration {

void ScanAverage::Start(int scans, Progress progress)
{
    collecting_ = true;
    collected_ = 0;
    wanted_ = std::max(scans, 1);
    sum_.clear();
    progress_ = std::move(progress);
}

void ScanAverage::Stop()
{
    collecting_ = false;
    progress_ = nullptr;
}

void ScanAverage::Add(std::span<const double> spectrum)
{
    if (!collecting_)
        return;
    if (sum_.empty()) {
        sum_.assign(spectrum.begin(), spectrum.end());
    } else if (sum_.size() == spectrum.size()) {
        for (std::size_t i = 0; i < sum_.size(); ++i)
            sum_[i] += spectrum[i];
    } else {
        return;
    }
    ++collected_;
    if (collected_ >= wanted_)
        collecting_ = false;
    // The progress may start a new average or stop this one: it is called
    // with a copy, after the state is final.
    const Progress progress = progress_;
    if (!collecting_)
        progress_ = nullptr;
    if (progress)
        progress(collected_, wanted_);
}

std::vector<double> ScanAverage::Average() const
{
    std::vector<double> average(sum_);
    if (collected_ > 0) {
        for (double& v : average)
            v /= collected_;
    }
    return average;
}

}  // namespace vexlar::calibration
