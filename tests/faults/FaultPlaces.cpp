#include "faults/FaultPlaces.h"

#include "support/TestFiles.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace vexlar::test {

namespace {

// The full device's numbers on Linux.
constexpr unsigned kFullDeviceMajor = 1;
constexpr unsigned kFullDeviceMinor = 7;
constexpr mode_t kDeviceMode = 0666;
constexpr mode_t kReadOnlyFolderMode = 0555;
constexpr char kSystemFullDevice[] = "/dev/full";
constexpr char kUnavailable[] = "-";
// The folder no file can be made in when permissions do not stop us.
constexpr char kRootReadOnlyFolder[] = "/proc";

bool IsRoot()
{
    return ::geteuid() == 0;
}

// What making a file in folder fails with (0 when it can be made: then the
// folder is no fault at all, and the probe is taken away again).
int CreateError(const std::string& folder)
{
    const std::string probe = folder + "/.vexlar-fault-probe-" + std::to_string(::getpid());
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno;
    ::close(fd);
    ::unlink(probe.c_str());
    return 0;
}

}  // namespace

const std::vector<Fault>& AllFaults()
{
    static const std::vector<Fault> all{Fault::FullDevice, Fault::ReadOnlyFolder, Fault::FolderIsAFile,
                                        Fault::MissingFolder, Fault::DiskFillsWhileWriting};
    return all;
}

const char* FaultName(Fault fault)
{
    switch (fault) {
    case Fault::FullDevice:
        return "a full device";
    case Fault::ReadOnlyFolder:
        return "a read-only folder";
    case Fault::FolderIsAFile:
        return "a folder that is really a file";
    case Fault::MissingFolder:
        return "a missing folder";
    case Fault::DiskFillsWhileWriting:
        return "a disk that fills while writing";
    }
    return "?";
}

FaultPlaces::FaultPlaces(std::string folder) : folder_(std::move(folder)) { }

FaultPlaces::~FaultPlaces()
{
    // The test folder's owner removes it; a read-only folder in it must give way.
    if (!readOnly_.empty() && readOnly_ != kRootReadOnlyFolder)
        ::chmod(readOnly_.c_str(), 0755);
}

std::optional<AimedFile> FaultPlaces::Aim(Fault fault, const std::string& name)
{
    switch (fault) {
    case Fault::FullDevice: {
        if (fullDevice_.empty()) {
            const std::string node = folder_ + "/.full-device";
            if (::mknod(node.c_str(), S_IFCHR | kDeviceMode, makedev(kFullDeviceMajor, kFullDeviceMinor)) == 0)
                fullDevice_ = node;
            else if (!IsRoot() && IsCharacterDevice(kSystemFullDevice))
                fullDevice_ = kSystemFullDevice;
            else
                fullDevice_ = kUnavailable;
        }
        if (fullDevice_ == kUnavailable)
            return std::nullopt;
        const std::string path = folder_ + "/" + name;
        if (::symlink(fullDevice_.c_str(), path.c_str()) != 0)
            return std::nullopt;
        return AimedFile{path, std::strerror(ENOSPC)};
    }
    case Fault::ReadOnlyFolder: {
        if (readOnly_.empty()) {
            if (IsRoot()) {
                readOnly_ = kRootReadOnlyFolder;
            } else {
                readOnly_ = folder_ + "/read-only";
                fs::create_directory(readOnly_);
                ::chmod(readOnly_.c_str(), kReadOnlyFolderMode);
            }
        }
        const int error = CreateError(readOnly_);
        if (error == 0)
            return std::nullopt;
        const std::string unique = "vexlar-fault-" + std::to_string(::getpid()) + "-" + name;
        return AimedFile{readOnly_ + "/" + unique, std::strerror(error)};
    }
    case Fault::FolderIsAFile: {
        const std::string plain = folder_ + "/plain";
        if (!fs::exists(plain)) {
            std::ofstream(plain) << "not a folder";
        }
        return AimedFile{plain + "/" + name, std::strerror(ENOTDIR)};
    }
    case Fault::MissingFolder:
        return AimedFile{folder_ + "/missing/" + name, std::strerror(ENOENT)};
    case Fault::DiskFillsWhileWriting:
        return AimedFile{folder_ + "/" + name, std::strerror(EFBIG)};
    }
    return std::nullopt;
}

bool FaultPlaces::FullDeviceIntact() const
{
    const bool systemIntact = IsCharacterDevice(kSystemFullDevice);
    if (fullDevice_.empty() || fullDevice_ == kUnavailable)
        return systemIntact;
    return systemIntact && IsCharacterDevice(fullDevice_);
}

FileSizeLimit::FileSizeLimit(rlim_t bytes)
{
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit limit = previous_;
    limit.rlim_cur = std::min(bytes, previous_.rlim_max);
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit()
{
    ::setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousHandler_);
}

}  // namespace vexlar::test
