#pragma once
// The check of a field that must hold an unsigned whole number (a number of
// seconds, a number of acquisitions).

#include <optional>
#include <string_view>

namespace vexlar::timed {

// The value when text (blanks around it aside) is exactly a decimal number
// of digits, at most 4294967295; nothing otherwise (empty, letters, a sign,
// a point, or too large).
std::optional<unsigned> UnsignedText(std::string_view text);

}  // namespace vexlar::timed
