#pragma once
// Reading a settings file whole and replacing it whole, so that a crash or a
// full disk never leaves a half-written file.

#include <functional>
#include <string>

namespace vexlar::sys::detail {

enum class ReadStatus { Read, Missing, Failed };

struct FileRead {
    ReadStatus status = ReadStatus::Missing;
    std::string bytes;
    std::string error;  // for Failed: the path and the reason
};

// The whole file, read without ever waiting on it. A file or folder that
// does not exist is Missing; one that exists but cannot be read, is not a
// regular file, is too large to be a settings file or holds a NUL byte or a
// control character no text holds (binary data) has Failed.
FileRead ReadProfileFile(const std::string& path);

// Called with the temporary file (written and synced) and the file it is
// about to replace; returns 0 to go on or an errno value to fail as if the
// rename had failed with it.
using ReplaceStep = std::function<int(const std::string& temporaryPath, const std::string& targetPath)>;

// Writes the bytes to a temporary file in the file's folder, syncs it and
// renames it over the file (a symbolic link is written through to its
// target). On failure returns false with the path and the reason in error,
// and no temporary file is left.
bool ReplaceProfileFile(const std::string& path, const std::string& bytes, const ReplaceStep& beforeRename,
                        std::string* error);

// Creates the folder and its parents when missing.
bool EnsureFolder(const std::string& folder, std::string* error);

}  // namespace vexlar::sys::detail
