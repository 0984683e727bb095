#include "FuzzTarget.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace vexlar::fuzz {

namespace {

// Removes the scratch folder when the process ends normally.
class ScratchFolder {
public:
    ScratchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "vexlar-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) {
            std::perror("vexlar fuzz: cannot make a scratch folder");
            std::abort();
        }
        path_ = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace

std::map<std::string, Target>& Targets()
{
    static std::map<std::string, Target> targets;
    return targets;
}

void Broken(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "vexlar fuzz: %s:%d: this does not hold: %s\n", file, line, what);
    std::abort();
}

std::string ScratchFile(const char* name)
{
    static ScratchFolder folder;
    return folder.path() + "/" + name;
}

void WriteScratch(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        std::perror(path.c_str());
        std::abort();
    }
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0) {
            std::perror(path.c_str());
            std::abort();
        }
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
}

std::string ReadScratch(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace vexlar::fuzz
