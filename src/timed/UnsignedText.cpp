#include "timed/UnsignedText.h"

#include <charconv>
#include <cstdint>
#include <limits>

namespace vexlar::timed {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

}  // namespace

std::optional<unsigned> UnsignedText(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    if (text.empty())
        return std::nullopt;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
    }
    std::uint32_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size())
        return std::nullopt;
    static_assert(std::numeric_limits<unsigned>::max() >= std::numeric_limits<std::uint32_t>::max());
    return static_cast<unsigned>(value);
}

}  // namespace vexlar::timed
