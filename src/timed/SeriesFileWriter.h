#pragma once
// Writing the files of an unattended series without ever stopping it: each
// write reports success or its reason in words and the series decides what
// to tell the operator. A file is replaced whole: nothing is written through
// a file that failed to open, and a crash or a power cut in the middle of a
// write leaves the previous complete file, never a cut-off one.

#include <string>

namespace vexlar::timed {

// Replaces the file at path by bytes. A regular file (or none) is replaced
// through a temporary file in the same folder that is written, synced and
// renamed over it; an existing file keeps its permissions, and a symbolic
// link is written through to its target. Something that exists but is not a
// regular file (a device, a pipe) is never replaced: the bytes are written
// into it as they stand, so its own failures (a full device) are the ones
// reported. False with the reason in reason when the file could not be
// written; no temporary file is left behind.
bool ReplaceFileText(const std::string& path, const std::string& bytes, std::string* reason);

// Whether path may be replaced by a writer that renames a new file over it
// (the chart library's data files): true for a regular file or nothing,
// directly or through a link; false with the reason for a folder, a device
// or a pipe, which such a writer would destroy.
bool MayReplaceByRename(const std::string& path, std::string* reason);

}  // namespace vexlar::timed
