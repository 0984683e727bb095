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

// The path's file name ends in an extension that is none of the formats':
// "figure.jpg" where only PNG, SVG and PDF can be written. A name without an
// extension (or a hidden name such as ".png") names no format at all.
bool NamesAnotherFormat(const std::string& path, const std::vector<std::vector<std::string>>& extensions);

// The path's file name's extension as typed, without the dot; empty for none.
std::string ExtensionOf(const std::string& path);

}  // namespace vexlar::files
