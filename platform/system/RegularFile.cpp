#include "RegularFile.h"

#include "FileDescriptor.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexlar::sys {

namespace {

constexpr std::size_t kReadChunkBytes = 64 * 1024;

FileContents Failed(std::string problem)
{
    FileContents contents;
    contents.status = FileContents::Status::Failed;
    contents.problem = std::move(problem);
    return contents;
}

}  // namespace

FileContents ReadRegularFile(const std::string& path, std::size_t limit)
{
    if (path.empty())
        return Failed("is not a file name");
    // Non-blocking: opening a FIFO for reading would otherwise wait for a
    // writer. A terminal never becomes the program's controlling one.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.get() < 0) {
        const int error = errno;
        FileContents failed = Failed(std::string("cannot be opened: ") + std::strerror(error));
        if (error == ENOENT || error == ENOTDIR)
            failed.status = FileContents::Status::Missing;
        return failed;
    }
    struct stat info { };
    if (::fstat(file.get(), &info) != 0)
        return Failed(std::string("cannot be read: ") + std::strerror(errno));
    if (!S_ISREG(info.st_mode))
        return Failed("is not a file");

    FileContents contents;
    const std::size_t expected = info.st_size > 0 && static_cast<std::size_t>(info.st_size) <= limit
                                     ? static_cast<std::size_t>(info.st_size)
                                     : 0;
    contents.bytes.reserve(expected);
    char chunk[kReadChunkBytes];
    // One byte past the limit tells a file that holds more.
    while (contents.bytes.size() <= limit) {
        const std::size_t wanted = std::min(sizeof chunk, limit + 1 - contents.bytes.size());
        const ssize_t n = ::read(file.get(), chunk, wanted);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Failed(std::string("cannot be read: ") + std::strerror(errno));
        }
        if (n == 0)
            break;
        contents.bytes.append(chunk, static_cast<std::size_t>(n));
    }
    if (contents.bytes.size() > limit) {
        contents.bytes.resize(limit);
        contents.cutShort = true;
    }
    contents.status = FileContents::Status::Read;
    return contents;
}

std::string FileProblem(const std::string& path, const FileContents& contents)
{
    std::string text = "\"";
    text += path;
    text += "\" ";
    text += contents.problem;
    return text;
}

}  // namespace vexlar::sys
