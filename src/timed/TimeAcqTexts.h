#pragma once
// The operator messages of the time acquisition, shown under the program's
// one error title like every other message.

namespace vexlar::timed {

inline constexpr char kNoBaseFilename[] = "You must specify a valid base filename";
inline constexpr char kWarmupLongerThanDelay[] =
    "You specified a laser warmup time greater than the delay between scans.\n"
    "Either reduce the laser warmup time or increase the delay between acquisitions.";

}  // namespace vexlar::timed
