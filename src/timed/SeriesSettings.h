#pragma once
// The eight settings of a time-acquisition series, as the settings file's
// section "TimeAcquisition" holds them: the members are named after their
// keys and keep the types the file's values are read into (the file may hold
// values the dialog would refuse). One copy lives in the view; the dialog
// edits a copy of it, and the settings file is loaded into and saved from it.

#include <cstddef>
#include <string>

namespace vexlar::timed {

// The longest base file name, in bytes of the file system's encoding.
constexpr std::size_t kMaxBaseFilename = 259;

struct SeriesSettings {
    int StoreDark = 0;                          // 1: a dark spectrum before each warm-up
    unsigned ToggleLaser = 0;                   // 1: the laser is off between scans
    unsigned LaserWarmupTime = 10;              // s
    unsigned DelayBeforeFirstAcquisition = 60;  // s
    unsigned DelayBetweenAcquisitions = 60;     // s
    unsigned NumberOfAcquisitions = 100;
    unsigned FileFormat = 0;            // 0 spectrum file, 1 export file, other: no file
    std::string BaseFilename = "Temp";  // at most kMaxBaseFilename bytes

    bool operator==(const SeriesSettings&) const = default;
};

}  // namespace vexlar::timed
