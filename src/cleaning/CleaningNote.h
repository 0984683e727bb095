#pragma once
// The note at the right end of the status bar that says what is done to the
// spectrum on display: "Spikes removed", "Baseline subtracted", both, or
// nothing at all.

#include <string>

namespace vexlar::cleaning {

std::string CleaningNote(bool spikesRemoved, bool baselineSubtracted);

}  // namespace vexlar::cleaning
