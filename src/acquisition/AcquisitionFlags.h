#pragma once
// The acquisition flags as the engine holds them: what happens to the next
// scan that arrives. Set by the control commands, the file commands and the
// timed series; read by the scan chain. None comes from the settings file,
// and each is only ever on or off; additions is a count.

namespace vexlar::acquisition {

struct AcquisitionFlags {
    // An arriving scan is processed and the next one requested; off, arriving
    // scans are dropped and the chain ends.
    bool scanning = false;
    // Each scan is added to the spectrum instead of replacing it.
    bool additive = false;
    // Scans added since the accumulation was last reset.
    long additions = 0;
    // The workspace's dark holds a stored dark spectrum.
    bool darkStored = false;
    // The dark is subtracted from each scan.
    bool subtractDark = false;
    // The next accepted scan is dropped.
    bool discardNext = false;
};

}  // namespace vexlar::acquisition
