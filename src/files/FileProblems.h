#pragma once
// What the operator is told of a spectrum file that could not be written or
// read: the file named with its path and the reason, and why a spectrum
// cannot be written at all.

#include <initializer_list>
#include <string>

namespace vexlar::files {

// Why a spectrum cannot be written: its first intensity, or else the first
// value of the x columns it is written with, that is not a finite number (a
// file holds numbers only, and no reader takes "inf" or "nan" for one);
// empty when every value is one. Null columns are left out.
std::string NotFiniteReason(const double* intensity, std::initializer_list<const double*> xColumns, int pixels);

// "<what> \"<path>\":\n<reason>", as the error box shows it.
std::string FileErrorText(const std::string& what, const std::string& path, const std::string& reason);

}  // namespace vexlar::files
