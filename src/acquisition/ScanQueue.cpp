#include "acquisition/ScanQueue.h"

namespace vexlar::acquisition {

void ScanQueue::SwitchingRequested()
{
    ahead_ = owed_;
    ++owed_;
}

void ScanQueue::ScanArrived()
{
    // A scan when none is owed (a driver that does not cancel on Stop)
    // leaves nothing owed.
    if (owed_ > 0)
        --owed_;
    if (ahead_ > 0)
        --ahead_;
    // Requests are answered in the order they were made.
    lastStraddled_ = straddling_ > 0;
    if (straddling_ > 0)
        --straddling_;
}

void ScanQueue::FailedAndAskedAgain(bool switchingOwed)
{
    if (switchingOwed && ahead_ == 0) {
        // The switching scan failed: its new request comes after every
        // other scan owed.
        ahead_ = owed_ > 0 ? owed_ - 1 : 0;
    } else if (ahead_ > 0) {
        --ahead_;
    }
    // One request answered, one made: the new one after every switch.
    if (owed_ == 0)
        owed_ = 1;
    if (straddling_ > 0)
        --straddling_;
}

void ScanQueue::Cancelled()
{
    owed_ = 0;
    ahead_ = 0;
    straddling_ = 0;
}

}  // namespace vexlar::acquisition
