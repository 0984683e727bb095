#pragma once
// The operator messages of the spectrum files: a file that could not be
// written or read, named with its path and the reason.

#include <initializer_list>
#include <string>

namespace vexlar::files {

// The chart library's last failure in words, without the name of the call
// that failed ("cannot create ...: Permission denied").
std::string ChartLibraryReason();

// Why a spectrum cannot be written: its first intensity, or else the first
// value of the x columns it is written with, that is not a finite number (a
// file holds numbers only, and no reader takes "inf" or "nan" for one);
// empty when every value is one. Null columns are left out.
std::string NotFiniteReason(const double* intensity, std::initializer_list<const double*> xColumns, int pixels);

// Shows "<what> \"<path>\":\n<reason>" in the program's error box.
void ReportFileError(const std::string& what, const std::string& path, const std::string& reason);

}  // namespace vexlar::files
