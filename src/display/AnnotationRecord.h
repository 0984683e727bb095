#pragma once
// One of the view's 100 annotation slots: a short text anchored at a point of
// the chart in data units and drawn by its own chart text area.

#include <cstdint>

#include "Font.h"
#include "XrtValue.h"
#include "display/AnnotationFile.h"

namespace vexlar {

constexpr int kAnnotationSlots = 100;
constexpr int kAnnotationTextSize = 100;  // 99 characters and the terminator
constexpr int kAnnotationFontHeight = 16;

// Commands of the chart's context menus ("Mark Peak at Cursor", the other
// item of the blank-area menu, is a command of the peak table).
enum AnnotationCommandId : int {
    ID_ANNOTATE_HERE = 32816,
    ID_ANNOTATION_EDIT = 32821,
    ID_ANNOTATION_CLEAR = 32822,
    ID_ANNOTATION_MOVE = 32840,
};

struct AnnotationRecord {
    int inUse = 0;
    // The text as the annotation file holds it: Windows-1252 characters,
    // zero-terminated; the bytes after the terminator are those a loaded file
    // held there, kept for saving it again.
    char text[kAnnotationTextSize] = {};
    int screenRect[4] = {};            // left, top, right, bottom in chart-window pixels
    int pixelPosition[2] = {};         // the text area's left and top
    double anchorX = 0.0;              // data units of the x axis shown when placed
    double anchorY = 0.0;              // intensity counts
    vexlar::sys::FontHandle font = 0;  // owned by the slot
    // The bytes a loaded file held after the terminator of the font's name,
    // at their places, kept for saving it again.
    std::uint8_t afterFaceName[display::kFontFaceNameSize] = {};
    XrtHandle textArea = 0;

    // Gives the slot its own annotation font ("Arial", 16).
    void CreateFont();
    // Releases the slot's font.
    void ReleaseFont();
};

// Reads where the slot's text area was drawn: its left and top become the
// pixel position, and with its width and height the screen rectangle used
// for hit testing.
void ReadBackGeometry(AnnotationRecord& record);

}  // namespace vexlar
