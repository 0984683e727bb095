#include "ProfileStorage.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexlar::sys::detail {

namespace {

// No settings file comes near this; anything larger is not one.
constexpr off_t kMaximumFileBytes = 16 * 1024 * 1024;
constexpr std::size_t kReadChunkBytes = 64 * 1024;
// Temporary names are unique per process and call; a clash means a stale
// file of a crashed process with the same id, so a few retries suffice.
constexpr int kTemporaryNameAttempts = 16;
constexpr mode_t kNewFileMode = 0666;  // narrowed by the umask
constexpr mode_t kPermissionBits = 07777;

std::string Quoted(const std::string& path)
{
    std::string quoted = "\"";
    quoted += path;
    quoted += '"';
    return quoted;
}

std::string ReadError(const std::string& path, const std::string& reason)
{
    return "Cannot read the settings file " + Quoted(path) + ": " + reason;
}

std::string WriteError(const std::string& path, const std::string& reason)
{
    return "Cannot write the settings file " + Quoted(path) + ": " + reason;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    // Closes now and reports the result (a deferred write error can show here).
    int Close()
    {
        const int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

private:
    int fd_;
};

bool WriteAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The file a write really replaces: the target of a symbolic link, so the
// operator's link survives.
std::string WriteTarget(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved))
            return resolved;
    }
    return path;
}

std::string TemporaryName(const std::string& target)
{
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path path(target);
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    std::string name = ".";
    name += path.filename().string();
    name += ".tmp-";
    name += std::to_string(::getpid());
    name += '-';
    name += std::to_string(counter.fetch_add(1));
    return (folder / name).string();
}

void SyncFolderOf(const std::string& target)
{
    const std::filesystem::path path(target);
    const std::string folder = path.has_parent_path() ? path.parent_path().string() : std::string(".");
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;  // the rename has happened; syncing the folder only hastens it to disk
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

FileRead ReadProfileFile(const std::string& path)
{
    FileRead result;
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            result.status = ReadStatus::Missing;
        } else {
            result.status = ReadStatus::Failed;
            result.error = ReadError(path, std::strerror(errno));
        }
        return result;
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) {
        result.status = ReadStatus::Failed;
        result.error = ReadError(path, std::strerror(errno));
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.status = ReadStatus::Failed;
        result.error = ReadError(path, S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : "not a regular file");
        return result;
    }
    if (info.st_size > kMaximumFileBytes) {
        result.status = ReadStatus::Failed;
        result.error = ReadError(path, "the file is too large to be a settings file");
        return result;
    }
    std::string bytes;
    char chunk[kReadChunkBytes];
    for (;;) {
        const ssize_t n = ::read(file.get(), chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            result.status = ReadStatus::Failed;
            result.error = ReadError(path, std::strerror(errno));
            return result;
        }
        if (n == 0)
            break;
        bytes.append(chunk, static_cast<std::size_t>(n));
        if (bytes.size() > static_cast<std::size_t>(kMaximumFileBytes)) {
            result.status = ReadStatus::Failed;
            result.error = ReadError(path, "the file is too large to be a settings file");
            return result;
        }
    }
    result.status = ReadStatus::Read;
    result.bytes = std::move(bytes);
    return result;
}

bool ReplaceProfileFile(const std::string& path, const std::string& bytes, const ReplaceStep& beforeRename,
                        std::string* error)
{
    const std::string target = WriteTarget(path);

    // Keep the permissions of the file being replaced.
    struct stat existing {};
    const bool keepMode = ::stat(target.c_str(), &existing) == 0;

    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < kTemporaryNameAttempts && fd < 0; ++attempt) {
        temporary = TemporaryName(target);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        *error = WriteError(path, std::strerror(errno));
        return false;
    }

    FileDescriptor file(fd);
    auto fail = [&](int code) {
        if (file.get() >= 0)
            file.Close();
        ::unlink(temporary.c_str());
        *error = WriteError(path, std::strerror(code));
        return false;
    };
    if (!WriteAll(file.get(), bytes))
        return fail(errno);
    if (keepMode && ::fchmod(file.get(), existing.st_mode & kPermissionBits) != 0)
        return fail(errno);
    if (::fsync(file.get()) != 0)
        return fail(errno);
    if (file.Close() != 0)
        return fail(errno);
    if (beforeRename) {
        if (const int code = beforeRename(temporary, target))
            return fail(code);
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0)
        return fail(errno);
    SyncFolderOf(target);
    return true;
}

bool EnsureFolder(const std::string& folder, std::string* error)
{
    std::error_code code;
    std::filesystem::create_directories(folder, code);
    if (code) {
        *error = "Cannot create the settings folder " + Quoted(folder) + ": " + code.message();
        return false;
    }
    return true;
}

}  // namespace vexlar::sys::detail
