#pragma once
// The operator messages of the time acquisition. Its own two refusals carry
// the title "QDVRaman Error"; file failures of a series use the program's
// usual title.

namespace vexlar::timed {

inline constexpr char kTimeAcqErrorTitle[] = "QDVRaman Error";
inline constexpr char kNoBaseFilename[] = "You must specify a valid base filename";
inline constexpr char kWarmupLongerThanDelay[] =
    "You specified a laser warmup time greater than the delay between scans.\n"
    "Either reduce the laser warmup time or increase the delay between acquisitions.";

}  // namespace vexlar::timed
