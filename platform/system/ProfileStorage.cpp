#include "ProfileStorage.h"

#include "FileDescriptor.h"
#include "FileReplace.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexlar::sys::detail {

using vexlar::sys::FileDescriptor;

namespace {

// No settings file comes near this; anything larger is not one.
constexpr off_t kMaximumFileBytes = 16 * 1024 * 1024;
constexpr std::size_t kReadChunkBytes = 64 * 1024;

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
    std::string reason;
    if (ReplaceFileWhole(path, bytes, beforeRename, &reason))
        return true;
    *error = WriteError(path, reason);
    return false;
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
