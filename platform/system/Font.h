#pragma once
// Fonts as the program asks for them: a logical-font description (LogFont.h)
// created into a 32-bit handle and deleted again, and the Qt font that draws
// it.

#include <QFont>

#include <cstdint>

#include "LogFont.h"

namespace vexlar::sys {

using FontHandle = std::uint32_t;  // 0: no font

// Creates a font from a description; 0 on failure.
FontHandle CreateFontIndirect(const LogFont& description);
FontHandle CreateFont(int height, int width, int escapement, int orientation, int weight, unsigned italic,
                      unsigned underline, unsigned strikeOut, unsigned charSet, unsigned outPrecision,
                      unsigned clipPrecision, unsigned quality, unsigned pitchAndFamily, const char* faceName);
// Deletes a font; false for 0, an unknown or an already deleted handle.
bool DeleteFont(FontHandle font);
// Copies a live font's description; false for a handle that is not live.
bool GetFontDescription(FontHandle font, LogFont* description);
// The Qt font that draws text as the description asks (pixel size from the
// height; the escapement is a drawing rotation and is applied by the caller).
QFont ToQFont(const LogFont& description);

}  // namespace vexlar::sys
