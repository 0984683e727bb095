#include "peaks/PeakFile.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexlar::peaks {

namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr int kRamanShiftMode = 1;
constexpr int kRamanDecimals = 0;
constexpr int kWavelengthDecimals = 2;
constexpr int kIntensityDecimals = 1;
// Room for the longest fixed-point double (309 integer digits) and its decimals.
constexpr std::size_t kNumberChars = 400;

// A clash of temporary names means a stale file of a crashed process with
// the same id, so a few retries suffice.
constexpr int kTemporaryNameAttempts = 16;
constexpr mode_t kNewFileMode = 0666;  // narrowed by the umask
constexpr mode_t kPermissionBits = 07777;

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
    // Closes now and reports the result: a deferred write error shows here.
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

// The file a save really replaces: the target of a symbolic link, so that
// the operator's link survives.
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

void AppendLine(std::string& text, const std::string& line)
{
    text += line;
    text += kLineEnd;
}

}  // namespace

std::string FixedText(double value, int decimals)
{
    char buffer[kNumberChars];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc())
        return "?";
    return std::string(buffer, result.ptr);
}

std::string PeakXText(double x, int xAxisMode)
{
    return FixedText(x, xAxisMode == kRamanShiftMode ? kRamanDecimals : kWavelengthDecimals);
}

std::string PeakFileText(const PeakFileHeader& header, const std::vector<PeakFileRow>& rows)
{
    std::string text;
    AppendLine(text, "Integration Time " + std::to_string(header.integrationTime) + " msec");
    AppendLine(text, "Averages: " + std::to_string(header.average));
    AppendLine(text, "Boxcar Smoothing Width: " + std::to_string(header.boxcar));
    // The first scan counts as one spectral addition.
    AppendLine(text, "Spectral Additions " + std::to_string(header.additions + 1));
    AppendLine(text, header.xAxisMode == kRamanShiftMode ? "Pixel\tRaman Shift (cm-1)\tIntensity"
                                                         : "Pixel\tWavelength (nm)\tIntensity");
    for (const PeakFileRow& row : rows) {
        AppendLine(text, std::to_string(row.pixel) + '\t' + PeakXText(row.x, header.xAxisMode) + '\t' +
                             FixedText(row.intensity, kIntensityDecimals));
    }
    return text;
}

bool ReplaceFileWhole(const std::string& path, const std::string& bytes, std::string* reason)
{
    const std::string target = WriteTarget(path);
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
        *reason = std::strerror(errno);
        return false;
    }

    FileDescriptor file(fd);
    auto fail = [&](int code) {
        if (file.get() >= 0)
            file.Close();
        ::unlink(temporary.c_str());
        *reason = std::strerror(code);
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
    if (::rename(temporary.c_str(), target.c_str()) != 0)
        return fail(errno);
    return true;
}

}  // namespace vexlar::peaks
