#pragma once
// Which format a save dialog's answer asks for: the one the operator's file
// name names by its extension, and otherwise the one of the filter chosen,
// so "figure.svg" typed under the PNG filter is an SVG file, as its name
// says.

#include <string>
#include <vector>

namespace vexlar::files {

// extensions[k] lists format k's extensions, lower case, without the dot.
// The format whose extension the path's file name ends in (compared without
// regard to case), else chosenFilter.
int FormatOfPath(const std::string& path, const std::vector<std::vector<std::string>>& extensions, int chosenFilter);

} // namespace vexlar::files
