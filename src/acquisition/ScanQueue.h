#pragma once
// The scans the view has asked the driver for and not yet received.
//
// The driver serves scan requests one at a time, in the order they were
// made, and answers each with a finished scan (WM_SCAN_COMPLETE) or a
// failure (WM_DRIVER_NOTIFY, answered with a new request); QDV_Stop cancels
// the scan in progress and every request queued, and nothing comes for
// them. Knowing what is owed lets the view put a discard mark only on a scan
// really on its way, recognise the answer to a time-acquisition switching
// scan among the others, and resume acquisition without a second request
// and without waiting for a scan nobody asked for. It also knows which scans
// were asked for before the laser or the acquisition parameters were
// switched: such a scan was taken, at least in part, the old way.

namespace vexlar::acquisition {

class ScanQueue {
public:
    // A scan was requested.
    void Requested() { ++owed_; }
    // The switching scan was requested: the scans owed already come first.
    void SwitchingRequested();
    // True when the next answer is the switching scan's (and one is owed).
    bool NextIsSwitching() const { return ahead_ == 0; }
    // A finished scan arrived: it answers the oldest request.
    void ScanArrived();
    // A failure arrived and the scan is asked for again. switchingOwed: a
    // switching scan is still owed. A failed switching scan is replaced by
    // the new request, at the end of the queue.
    void FailedAndAskedAgain(bool switchingOwed);
    // QDV_Stop: nothing is owed any more.
    void Cancelled();
    // The laser or the acquisition parameters were switched: every scan
    // owed now was asked for the old way.
    void AcquisitionSwitched() { straddling_ = owed_; }
    // The scan that arrived last was asked for before a switch.
    bool LastArrivalStraddled() const { return lastStraddled_; }

    int owed() const { return owed_; }

private:
    int owed_ = 0;
    int ahead_ = 0;       // scans owed before the switching scan
    int straddling_ = 0;  // scans owed that were asked for before a switch
    bool lastStraddled_ = false;
};

}  // namespace vexlar::acquisition
