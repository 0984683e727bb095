#include "support/TestFiles.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "Profile.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace vexlar::test {

std::string SettingsFilePath(const char* fileName)
{
    return sys::ResolveProfilePath(fileName);
}

bool WriteSettingsFile(const std::string& text, const char* fileName)
{
    std::error_code error;
    fs::create_directories(sys::SettingsFolder(), error);
    return WriteWholeFile(SettingsFilePath(fileName), text);
}

std::string ReadSettingsFile(const char* fileName)
{
    return ReadWholeFile(SettingsFilePath(fileName));
}

bool IsCharacterDevice(const std::string& path)
{
    struct stat info { };
    return ::lstat(path.c_str(), &info) == 0 && S_ISCHR(info.st_mode);
}

std::string FolderListing(const std::string& folder)
{
    std::vector<std::string> lines;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, fs::directory_options::skip_permission_denied, error);
         it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (error)
            break;
        const fs::path& path = it->path();
        std::string line = fs::relative(path, folder).string();
        const fs::file_status status = fs::symlink_status(path);
        if (fs::is_symlink(status)) {
            line += " -> " + fs::read_symlink(path).string();
        } else if (fs::is_regular_file(status)) {
            std::ifstream in(path, std::ios::binary);
            std::ostringstream bytes;
            bytes << in.rdbuf();
            line += " = " + bytes.str();
        } else if (fs::is_directory(status)) {
            line += "/";
        } else {
            line += " (special)";
        }
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    std::string listing;
    for (const std::string& line : lines)
        listing += line + "\n";
    return listing;
}

std::set<std::string> NamesIn(const std::string& folder)
{
    std::set<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        names.insert(entry.path().filename().string());
    return names;
}

}  // namespace vexlar::test
