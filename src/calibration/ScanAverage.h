#pragma once
// The average of the next few scans shown, for a calibration taken from
// fresh scans instead of the spectrum on display. The view hands it every
// scan it shows; it keeps them only while collecting.

#include <functional>
#include <span>
#include <vector>

namespace vexlar::calibration {

class ScanAverage {
public:
    // Told after each scan kept: how many are in, how many are wanted. The
    // call with collected == wanted is the last; the average is ready then.
    using Progress = std::function<void(int collected, int wanted)>;

    // Starts a new average of `scans` scans (at least 1), forgetting any
    // average begun or finished before.
    void Start(int scans, Progress progress);
    // Stops collecting; the progress is not told again.
    void Stop();
    bool Collecting() const { return collecting_; }
    int Collected() const { return collected_; }
    int Wanted() const { return wanted_; }

    // A scan just shown. Ignored unless collecting, and when its length is
    // not that of the first scan kept.
    void Add(std::span<const double> spectrum);

    // The mean of the scans kept so far; empty before the first.
    std::vector<double> Average() const;

private:
    bool collecting_ = false;
    int collected_ = 0;
    int wanted_ = 0;
    std::vector<double> sum_;
    Progress progress_;
};

}  // namespace vexlar::calibration
