#pragma once
// The operator messages of the spectrum files: a file that could not be
// written or read, named with its path and the reason.

#include <string>

#include "files/FileProblems.h"

namespace vexlar::files {

// The chart library's last failure in words, without the name of the call
// that failed ("cannot create ...: Permission denied").
std::string ChartLibraryReason();

// Shows "<what> \"<path>\":\n<reason>" in the program's error box.
void ReportFileError(const std::string& what, const std::string& path, const std::string& reason);

}  // namespace vexlar::files
