#pragma once
// The texts of three acquisition control-bar fields (the channel list, the
// laser-wavelength field and the x-axis list), kept in section [DialogBar]
// of the settings file so that the bar shows at the next start what the
// operator saw at the last exit. They are only texts: the working values
// come from the view's own settings.

#include "calibration/SettingsFile.h"
#include "window/ViewHost.h"

namespace vexlar {

// Writes the three fields' texts, each cut to 49 characters (the frame, when
// its window is destroyed, before the view saves the rest). Given the texts
// loaded at start, only those the operator changed since, and any the file
// lacks, are written, so another Vexlar's texts saved meanwhile stay. When
// the file cannot be written the operator is told the path and the reason,
// and the result is false.
bool SaveControlBarTexts(const ViewHost& host, const settings::ControlBarTexts* loaded = nullptr);

// Shows the stored texts, or "Master", "632.8" and "Wavelength (nm)" when
// there are none, in the three fields exactly as stored; no list entry is
// selected and no working value changes (the view's initial update).
// Returns the texts shown.
settings::ControlBarTexts LoadControlBarTexts(ViewHost& host);

}  // namespace vexlar
