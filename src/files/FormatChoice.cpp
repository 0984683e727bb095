#include "files/FormatChoice.h"

#include <algorithm>
#include <cctype>

namespace vexlar::files {

int FormatOfPath(const std::string& path, const std::vector<std::vector<std::string>>& extensions, int chosenFilter)
{
    const std::size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0)
        return chosenFilter;
    std::string extension = name.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (std::size_t format = 0; format < extensions.size(); ++format) {
        const auto& list = extensions[format];
        if (std::find(list.begin(), list.end(), extension) != list.end())
            return static_cast<int>(format);
    }
    return chosenFilter;
}

} // namespace vexlar::files
