#pragma once
// Places a file can be aimed at where writing it must fail, made inside a
// test's own folder wherever possible:
//
// - a full device: a link to a node of the full device (made in the folder
//   when the system allows, else the system's /dev/full when not running as
//   root, so a writer that wrongly replaced it could not);
// - a read-only folder: a folder without write permission, or, for root
//   (whom permissions do not stop), /proc, where no file can be made;
// - a folder that is really a file;
// - a folder that does not exist;
// - a disk that fills while the file is written: a file-size limit on this
//   process, below the size of the file, with a good file already in place.
//
// Each comes with the reason the operator must be told.

#include <optional>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "support/TestFiles.h"

namespace vexlar::test {

enum class Fault { FullDevice, ReadOnlyFolder, FolderIsAFile, MissingFolder, DiskFillsWhileWriting };

// Every fault, for loops over all of them.
const std::vector<Fault>& AllFaults();
const char* FaultName(Fault fault);

struct AimedFile {
    std::string path;    // where the file goes
    std::string reason;  // what the operator must be told (strerror text)
};

class FaultPlaces {
public:
    // folder: the test's own folder, where everything is made.
    explicit FaultPlaces(std::string folder);
    ~FaultPlaces();
    FaultPlaces(const FaultPlaces&) = delete;
    FaultPlaces& operator=(const FaultPlaces&) = delete;

    // A file called name aimed at the fault; nothing when this machine
    // cannot make the fault safely (then the case is skipped). For
    // DiskFillsWhileWriting the path is a plain file in the folder and the
    // limit is set only inside a FileSizeLimit.
    std::optional<AimedFile> Aim(Fault fault, const std::string& name);

    // Whether the full device (or the node standing for it) is still a
    // character device: no writer may ever replace it by a plain file.
    bool FullDeviceIntact() const;

private:
    std::string folder_;
    std::string fullDevice_;  // empty until made; "-" when it cannot be made
    std::string readOnly_;    // the read-only folder, once made
};

// Sets a file-size limit on this process while alive: any write that would
// make a file larger fails with EFBIG (the signal it also raises is
// ignored meanwhile).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

}  // namespace vexlar::test
