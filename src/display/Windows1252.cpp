#include "display/Windows1252.h"

#include <cstdint>

namespace vexlar::display {

namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

// The characters of bytes 0x80 to 0x9F; from 0xA0 on a byte is the
// character of its own number, as below 0x80. The undefined bytes stand for
// the control character of their own number.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

char32_t CharacterOf(unsigned char byte)
{
    return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : byte;
}

// The byte of a character, or nothing.
std::optional<unsigned char> ByteOf(char32_t character)
{
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF))
        return static_cast<unsigned char>(character);
    for (unsigned i = 0; i < 32; ++i) {
        if (kHighControls[i] == character)
            return static_cast<unsigned char>(0x80 + i);
    }
    return std::nullopt;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The character at text[*at] (advancing *at past it), or U+FFFD for a byte
// that starts no well-formed UTF-8 character (advancing one byte).
char32_t NextCharacter(std::string_view text, std::size_t* at)
{
    const auto lead = static_cast<unsigned char>(text[*at]);
    std::size_t length = 0;
    char32_t c = 0;
    char32_t smallest = 0;
    if (lead < 0x80) {
        ++*at;
        return lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, c = lead & 0x1F, smallest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, c = lead & 0x0F, smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, c = lead & 0x07, smallest = 0x10000;
    }
    if (length == 0 || *at + length > text.size()) {
        ++*at;
        return kReplacementCharacter;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[*at + k]);
        if ((next & 0xC0) != 0x80) {
            ++*at;
            return kReplacementCharacter;
        }
        c = (c << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values beyond Unicode are not UTF-8.
    if (c < smallest || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
        ++*at;
        return kReplacementCharacter;
    }
    *at += length;
    return c;
}

}  // namespace

std::string Utf8FromWindows1252(std::string_view bytes)
{
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const char byte : bytes)
        AppendUtf8(text, CharacterOf(static_cast<unsigned char>(byte)));
    return text;
}

std::string Utf8FromWindows1252OrUtf8(std::string_view bytes)
{
    bool multiByte = false;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t start = at;
        // A byte that starts no well-formed character: not UTF-8.
        if (NextCharacter(bytes, &at) == kReplacementCharacter && at - start == 1)
            return Utf8FromWindows1252(bytes);
        multiByte = multiByte || at - start > 1;
    }
    return multiByte ? std::string(bytes) : Utf8FromWindows1252(bytes);
}

namespace {

// The bytes of text; a character without one is substituted, or ends the
// conversion (false, with the character) when there is no substitute.
bool Convert(std::string_view text, std::optional<char> substitute, std::string* bytes, char32_t* refused)
{
    bytes->reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        // U+FFFD, the stand-in for bytes that are not UTF-8, has no byte.
        const char32_t c = NextCharacter(text, &at);
        if (const std::optional<unsigned char> byte = ByteOf(c)) {
            *bytes += static_cast<char>(*byte);
        } else if (substitute) {
            *bytes += *substitute;
        } else {
            if (refused)
                *refused = c;
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<std::string> Windows1252FromUtf8(std::string_view text, char32_t* refused)
{
    std::string bytes;
    if (!Convert(text, std::nullopt, &bytes, refused))
        return std::nullopt;
    return bytes;
}

std::string Windows1252FromUtf8(std::string_view text, char substitute)
{
    std::string bytes;
    Convert(text, substitute, &bytes, nullptr);
    return bytes;
}

}  // namespace vexlar::display
