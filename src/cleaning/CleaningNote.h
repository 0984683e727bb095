#pragma once
// The note at the right end of the status bar that says what is done to the
// spectrum on display: "Spikes removed", "Baseline subtracted", both, or
// nothing at all; "Baseline failed" while the baseline is switched on but
// could not be drawn under the spectrum, which is then shown as it is.

#include <string>

namespace vexlar::cleaning {

enum class BaselineState { Off, Subtracted, Failed };

std::string CleaningNote(bool spikesRemoved, BaselineState baseline);

}  // namespace vexlar::cleaning
