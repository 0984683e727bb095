#pragma once
// The logical-font record: the fields of the platform's logical-font
// description, kept exactly so a font can be made from it, read back from a
// live font, stored in a file and read again. Plain C++: the font calls
// (Font.h) and the annotation file both use this one record.

#include <cstddef>
#include <cstdint>
#include <string>

namespace vexlar::sys {

// The face name's field in the stored record: 31 bytes and the terminator.
constexpr std::size_t kLogFontFaceNameSize = 32;

struct LogFont {
    std::int32_t height = 0;       // character cell height in logical units (pixels on screen)
    std::int32_t width = 0;        // average character width, 0: the face's own
    std::int32_t escapement = 0;   // tenths of a degree, counter-clockwise; 900 reads upwards
    std::int32_t orientation = 0;  // tenths of a degree
    std::int32_t weight = 0;       // 0 default, 400 normal, 700 bold
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;
    std::uint8_t strikeOut = 0;
    std::uint8_t charSet = 0;
    std::uint8_t outPrecision = 0;
    std::uint8_t clipPrecision = 0;
    std::uint8_t quality = 0;
    std::uint8_t pitchAndFamily = 0;
    std::string faceName;  // at most kLogFontFaceNameSize - 1 bytes are kept

    bool operator==(const LogFont&) const = default;
};

}  // namespace vexlar::sys
