#pragma once
// Writing a file whole: the one way the program writes its data files
// (spectra, exports, annotations, peak tables, series and time-stamp
// files). Nothing is written through a file that failed to open, and a crash
// or a power cut in the middle of a write leaves the previous complete file,
// never a cut-off one. Each write reports success or its reason in words;
// the caller decides what to tell the operator.

#include <functional>
#include <string>

namespace vexlar::sys {

// How long a write waits at most for a pipe or a device to take its bytes.
inline constexpr int kWaitForReaderMs = 2000;
// The reason given when it did not.
inline constexpr char kNothingReads[] = "Nothing read what was written into it";

// Replaces the file at path by bytes. A regular file (or none) is replaced
// through a temporary file in the same folder that is written, synced and
// renamed over it; an existing file keeps its permissions, and a symbolic
// link is written through to its target, which is created when it does not
// exist yet. Something that exists but is not a regular file (a device, a
// pipe) is never replaced: the bytes are written into it as they stand, so
// its own failures (a full device) are the ones reported, and a pipe that
// takes nothing for kWaitForReaderMs is given up, so that no write holds the
// program for longer. False with the reason in reason when the file could
// not be written; no temporary file is left behind.
bool ReplaceFileWhole(const std::string& path, const std::string& bytes, std::string* reason);

// Called with the temporary file (written and synced) and the file it is
// about to replace; returns 0 to go on or an errno value to fail as if the
// rename had failed with it. Tests use it to stand in for a full disk.
using BeforeRename = std::function<int(const std::string& temporaryPath, const std::string& targetPath)>;
bool ReplaceFileWhole(const std::string& path, const std::string& bytes, const BeforeRename& beforeRename,
                      std::string* reason);

// The append twin of ReplaceFileWhole, for files that grow record by record
// while a series runs (a time-stamp table, a series table). Adds bytes at
// the end of the file at path, creating it when missing, and syncs it to the
// disk before returning, so every record appended survives a crash or a
// power cut. A record is appended whole or not at all: when a write fails
// part way (a full disk), the file is cut back to its previous length. A
// pipe nobody reads refuses at once instead of blocking; a device or a pipe
// is written into as it stands, within the same time as above. False with
// the reason in reason.
bool AppendToFile(const std::string& path, const std::string& bytes, std::string* reason);

// Tests shorten the wait for a pipe's reader.
void SetWaitForReaderMs(int milliseconds);

}  // namespace vexlar::sys
