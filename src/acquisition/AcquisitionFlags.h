#pragma once
// The acquisition flags as the view holds them: what happens to the next
// scan that arrives, and what the scan cycle must bring up to date with it.
// Set by the control commands, the scaling and cursor commands, the file
// commands and the timed series; read by the scan cycle. None comes from the
// settings file, and each is only ever on or off; additions is a count.

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
    // The annotations' screen rectangles are re-read at the next scan (after
    // a resize or a change of scale).
    bool annotationRefresh = false;
    // The cursor is shown: its readout is rewritten with each scan, and the
    // cursor moves are enabled. Kept with the flags the scan cycle reads
    // together with it (the readout is rewritten while additive or the
    // cursor is shown); the cursor's position is the chart's.
    bool cursorShown = false;
};

}  // namespace vexlar::acquisition
