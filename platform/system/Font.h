#pragma once
// Fonts as the program asks for them: a logical-font description (the fields
// of the platform's logical-font record, kept exactly so they can be stored
// and read back), created into a 32-bit handle and deleted again.

#include <QFont>

#include <cstdint>
#include <string>

namespace vexlar::sys {

using FontHandle = std::uint32_t;  // 0: no font

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
    std::string faceName;          // at most 31 characters are kept

    bool operator==(const LogFont&) const = default;
};

// Creates a font from a description; 0 on failure.
FontHandle CreateFontIndirect(const LogFont& description);
FontHandle CreateFont(int height, int width, int escapement, int orientation, int weight,
                      unsigned italic, unsigned underline, unsigned strikeOut, unsigned charSet,
                      unsigned outPrecision, unsigned clipPrecision, unsigned quality,
                      unsigned pitchAndFamily, const char* faceName);
// Deletes a font; false for 0, an unknown or an already deleted handle.
bool DeleteFont(FontHandle font);
// Copies a live font's description; false for a handle that is not live.
bool GetFontDescription(FontHandle font, LogFont* description);
// The Qt font that draws text as the description asks (pixel size from the
// height; the escapement is a drawing rotation and is applied by the caller).
QFont ToQFont(const LogFont& description);

}  // namespace vexlar::sys
