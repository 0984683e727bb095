#include "FileReplace.h"

#include "FileDescriptor.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexlar::sys {

namespace {

// A clash of temporary names means a stale file of a crashed process with
// the same id, so a few retries suffice.
constexpr int kTemporaryNameAttempts = 16;
constexpr mode_t kNewFileMode = 0666;  // narrowed by the umask
constexpr mode_t kPermissionBits = 07777;
// Links followed from the path named to the file written, as the system
// follows them when it opens a file.
constexpr int kLinkHops = 40;

// How long a pipe or a device may keep the program waiting to take what is
// written into it.
std::atomic<int> gWaitForReaderMs{kWaitForReaderMs};

bool Fail(std::string* reason, int code)
{
    *reason = std::strerror(code);
    return false;
}

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

// Writes into a pipe or a device opened without blocking, waiting for it to
// take the bytes at most the reader's time in all: a pipe that a process
// holds open but never reads would otherwise hold the program (and its
// laser) forever. False with the reason.
bool WriteWithoutBlocking(int fd, const std::string& bytes, std::string* reason)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(gWaitForReaderMs.load());
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n >= 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return Fail(reason, errno);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            *reason = kNothingReads;
            return false;
        }
        struct pollfd ready {
            fd, POLLOUT, 0
        };
        ::poll(&ready, 1, static_cast<int>(left));
    }
    return true;
}

// The file a write really replaces: the end of a chain of symbolic links,
// so that the operator's links survive, even one whose target does not exist
// yet. False (ELOOP in code) for links that lead round in a circle.
bool WriteTarget(const std::string& path, std::string* target, int* code)
{
    std::filesystem::path current(path);
    for (int hop = 0; hop < kLinkHops; ++hop) {
        struct stat info { };
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            *target = current.string();
            return true;
        }
        char linked[PATH_MAX];
        const ssize_t length = ::readlink(current.c_str(), linked, sizeof linked);
        if (length < 0 || static_cast<std::size_t>(length) >= sizeof linked) {
            *target = current.string();
            return true;
        }
        const std::filesystem::path next(std::string(linked, static_cast<std::size_t>(length)));
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    *code = ELOOP;
    return false;
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

// Writes into something that is not a regular file (a device, a pipe)
// without creating or replacing anything. A pipe nobody reads refuses at
// once, one that is held open but not read is given up after a while.
bool WriteInPlace(const std::string& target, const std::string& bytes, std::string* reason)
{
    FileDescriptor file(::open(target.c_str(), O_WRONLY | O_TRUNC | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.get() < 0)
        return Fail(reason, errno);
    if (!WriteWithoutBlocking(file.get(), bytes, reason))
        return false;
    if (file.Close() != 0)
        return Fail(reason, errno);
    return true;
}

// Makes the rename itself durable; a failure here cannot undo the rename.
void SyncFolderOf(const std::string& target)
{
    const std::filesystem::path path(target);
    const std::string folder = path.has_parent_path() ? path.parent_path().string() : std::string(".");
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

bool ReplaceFileWhole(const std::string& path, const std::string& bytes, std::string* reason)
{
    return ReplaceFileWhole(path, bytes, BeforeRename(), reason);
}

bool ReplaceFileWhole(const std::string& path, const std::string& bytes, const BeforeRename& beforeRename,
                      std::string* reason)
{
    if (path.empty())
        return Fail(reason, ENOENT);
    std::string target;
    if (int code = 0; !WriteTarget(path, &target, &code))
        return Fail(reason, code);
    struct stat existing { };
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode))
        return Fail(reason, EISDIR);
    if (exists && !S_ISREG(existing.st_mode))
        return WriteInPlace(target, bytes, reason);

    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < kTemporaryNameAttempts && fd < 0; ++attempt) {
        temporary = TemporaryName(target);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        return Fail(reason, errno);

    FileDescriptor file(fd);
    auto fail = [&](int code) {
        if (file.get() >= 0)
            file.Close();
        ::unlink(temporary.c_str());
        return Fail(reason, code);
    };
    if (!WriteAll(file.get(), bytes))
        return fail(errno);
    if (exists && ::fchmod(file.get(), existing.st_mode & kPermissionBits) != 0)
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

bool AppendToFile(const std::string& path, const std::string& bytes, std::string* reason)
{
    if (path.empty())
        return Fail(reason, ENOENT);
    struct stat before { };
    const bool existed = ::stat(path.c_str(), &before) == 0;
    FileDescriptor file(
        ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, kNewFileMode));
    if (file.get() < 0)
        return Fail(reason, errno);
    struct stat info { };
    if (::fstat(file.get(), &info) != 0)
        return Fail(reason, errno);
    if (!S_ISREG(info.st_mode)) {
        if (!WriteWithoutBlocking(file.get(), bytes, reason))
            return false;
        return file.Close() == 0 || Fail(reason, errno);
    }
    const off_t length = info.st_size;
    auto fail = [&](int code) {
        // Cut a record that was written only in part, so the file ends
        // where its last whole record ended.
        if (::ftruncate(file.get(), length) == 0)
            ::fsync(file.get());
        return Fail(reason, code);
    };
    if (!WriteAll(file.get(), bytes))
        return fail(errno);
    if (::fsync(file.get()) != 0)
        return fail(errno);
    if (file.Close() != 0)
        return Fail(reason, errno);
    if (!existed)
        SyncFolderOf(path);
    return true;
}

void SetWaitForReaderMs(int milliseconds)
{
    gWaitForReaderMs.store(milliseconds);
}

}  // namespace vexlar::sys
