#pragma once
// Reading a file the program was pointed at, without ever waiting on it: the
// one way every file Vexlar reads is read (its settings file, the simulated
// spectrometer's settings file, spectrum files and their annotation files).
//
// A FIFO, a device or a socket put where a file is expected would make a
// plain open() or read() wait for a writer that may never come, and leave
// the program frozen with the laser in whatever state it was. The file is
// therefore opened without blocking, checked with fstat, and refused unless
// it is a regular file; only then is it read.

#include <cstddef>
#include <string>

namespace vexlar::sys {

struct FileContents {
    enum class Status { Read, Missing, Failed };
    Status status = Status::Missing;
    // Read: the file's bytes, at most the limit asked for.
    std::string bytes;
    // Read: the file holds more than the limit; bytes are its first ones.
    bool cutShort = false;
    // Failed or Missing: what is wrong, as words that follow the file's
    // quoted path (or "it"): "is not a file", "cannot be opened: Permission
    // denied", "cannot be opened: No such file or directory", ...
    std::string problem;
};

// Reads at most limit bytes of the regular file at path. Missing when
// nothing exists there (or a folder on the way is missing); Failed, with the
// problem, when it cannot be opened or read or is not a regular file (a
// folder, a FIFO, a device, a socket). Never waits for another process.
FileContents ReadRegularFile(const std::string& path, std::size_t limit);

// "\"path\" " followed by the problem.
std::string FileProblem(const std::string& path, const FileContents& contents);

}  // namespace vexlar::sys
