#pragma once
// Text in Windows-1252, the single-byte character set of the annotation file
// (the Western European characters of annotation files written on Windows),
// to and from the program's own UTF-8.
//
// Every one of the 256 bytes stands for a character: the five bytes
// Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90 and 0x9D) stand for
// the control characters of the same number (U+0081 ...), as the original
// platform itself reads them. So any bytes become text and the same bytes
// again, and a file written elsewhere loses nothing by being loaded and saved.
//
// Plain C++: no Qt.

#include <optional>
#include <string>
#include <string_view>

namespace vexlar::display {

// The UTF-8 text of Windows-1252 bytes. The bytes are taken as they are, a
// zero byte included.
std::string Utf8FromWindows1252(std::string_view bytes);

// The UTF-8 text of bytes that are Windows-1252, or UTF-8 as earlier versions
// of the program wrote annotation texts: bytes that are well-formed UTF-8
// with at least one character of more than one byte are that UTF-8 text;
// any other bytes are Windows-1252. Windows-1252 text is hardly ever such
// UTF-8: every byte above 0x7F would have to be a letter from 0xC2 to 0xF4
// ("Â", "Ã", "â") followed at once by the right symbols from 0x80 to 0xBF
// ("©", "°", "€"), which is how UTF-8 text looks when read as Windows-1252.
std::string Utf8FromWindows1252OrUtf8(std::string_view bytes);

// The Windows-1252 bytes of UTF-8 text, one byte per character; nothing when
// the text holds a character Windows-1252 has no byte for, or bytes that are
// not UTF-8. Then *refused (when given) is that first character, U+FFFD for
// bytes that are not UTF-8.
std::optional<std::string> Windows1252FromUtf8(std::string_view text, char32_t* refused = nullptr);

// The same for a writer that must write something: each character
// Windows-1252 cannot hold becomes substitute.
std::string Windows1252FromUtf8(std::string_view text, char substitute);

}  // namespace vexlar::display
