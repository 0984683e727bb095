#include "files/FormatChoice.h"

#include <algorithm>
#include <cctype>

namespace vexlar::files {

namespace {

constexpr int kNoFormat = -1;

}  // namespace

std::string ExtensionOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0)
        return {};
    return name.substr(dot + 1);
}

bool NamesAnotherFormat(const std::string& path, const std::vector<std::vector<std::string>>& extensions)
{
    return !ExtensionOf(path).empty() && FormatOfPath(path, extensions, kNoFormat) == kNoFormat;
}

int FormatOfPath(const std::string& path, const std::vector<std::vector<std::string>>& extensions, int chosenFilter)
{
    std::string extension = ExtensionOf(path);
    if (extension.empty())
        return chosenFilter;
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (std::size_t format = 0; format < extensions.size(); ++format) {
        const auto& list = extensions[format];
        if (std::find(list.begin(), list.end(), extension) != list.end())
            return static_cast<int>(format);
    }
    return chosenFilter;
}

}  // namespace vexlar::files
