#pragma once
// The chart library: charts, their data sets and text areas, reached through
// 32-bit handles and property codes.
//
// Every call checks its handle: 0, an unknown handle, a handle of another
// kind or one already destroyed makes the call do nothing and return failure
// (false or a 0 handle). Handles are not handed out again soon after they are
// destroyed, so a stale handle stays stale. XrtGetLastError() tells in words
// why the last failing call failed.
//
// All calls belong on the user-interface thread.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Font.h"
#include "XrtCodes.h"
#include "XrtValue.h"

class QPainter;
class QWidget;

// XrtMap's result: 32 bytes, the data point at bytes 16 and 24.
struct XrtMapResult {
    std::int32_t set = 0;         // the set of the shown data searched (always 0)
    std::int32_t point = -1;      // its point nearest in x to the pixel; -1 when nothing is shown
    std::int32_t inPlotArea = 0;  // 1 when the pixel lies inside the plot area
    std::int32_t reserved = 0;
    double x = 0.0;  // the pixel in data units
    double y = 0.0;
};
static_assert(sizeof(XrtMapResult) == 32);
static_assert(offsetof(XrtMapResult, x) == 16);
static_assert(offsetof(XrtMapResult, y) == 24);

// XrtUnmap's result: a chart pixel.
struct XrtPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
};
static_assert(sizeof(XrtPoint) == 8);

// XrtDataSaveToFile / XrtDataCreateFromFile: the one file format there is.
constexpr int XRT_FILE_DEFAULT = 0;

// --- Charts -----------------------------------------------------------------

XrtHandle XrtCreate();
// Destroys the chart with its text areas and its drawing surface.
bool XrtDestroy(XrtHandle chart);
// Makes the chart draw itself inside the window (a child widget filling it,
// or placed by XRT_ORIGIN_* and XRT_WIDTH/XRT_HEIGHT once they are set).
// The chart takes no mouse input: pointer moves, presses and context-menu
// requests fall through to the window. A null window detaches the chart.
bool XrtAttachWindow(XrtHandle chart, QWidget* window);

bool XrtSetValues(XrtHandle chart, int code, const XrtValue& value);
bool XrtGetValues(XrtHandle chart, int code, XrtValueOut value);

// Style of set n of the shown data; the chart copies the record.
bool XrtSetNthDataStyle(XrtHandle chart, int set, const XrtDataStyle* style);
bool XrtGetNthDataStyle(XrtHandle chart, int set, XrtDataStyle* style);

// Chart pixel to data units and back (selector XRT_MAP_DATA_UNITS). The two
// are inverses: XrtUnmap(XrtMap(p)) gives p back.
bool XrtMap(XrtHandle chart, int selector, int px, int py, XrtMapResult* result);
bool XrtUnmap(XrtHandle chart, int selector, double x, double y, XrtPoint* point);

// Draws the whole chart as it stands (line, axes, titles, cursor, text areas)
// into the rectangle of the painter's device (XRT_DRAW_WHOLE_CHART,
// XRT_DRAW_SCALE_TO_RECT). The chart is laid out at its own size and scaled
// evenly to fill the rectangle, so a printed page looks like the screen.
bool XrtDrawToDC(XrtHandle chart, QPainter* painter, int what, int how, int left, int top, int width, int height);

// How many times the chart has been laid out and drawn on its surface.
bool XrtGetRedrawCount(XrtHandle chart, std::uint64_t* count);

// --- Text areas ---------------------------------------------------------------

// A text area lives as long as its chart (or until XrtTextAreaDestroy).
XrtHandle XrtTextAreaCreate(XrtHandle chart);
bool XrtTextAreaDestroy(XrtHandle text);
bool XrtTextAreaSetValues(XrtHandle text, int code, const XrtValue& value);
bool XrtTextAreaGetValues(XrtHandle text, int code, XrtValueOut value);
// The text area's own copy of the font it draws with.
bool XrtTextAreaGetFont(XrtHandle text, vexlar::sys::LogFont* font);
// Every text area of the chart, in the order they were made.
bool XrtGetTextAreas(XrtHandle chart, std::vector<XrtHandle>* areas);

// --- Data sets ------------------------------------------------------------------

// type XRT_DATA_COMMON_X or XRT_DATA_SEPARATE_X; 1 to 64 sets of 1 to
// 1,000,000 points each, all values 0.
XrtHandle XrtDataCreate(int type, int sets, int points);
bool XrtDataDestroy(XrtHandle data);
bool XrtDataGetSetCount(XrtHandle data, int* sets);
bool XrtDataGetPointCount(XrtHandle data, int* points);
// Copies count values into points first .. first + count - 1 of the set.
bool XrtDataSetXData(XrtHandle data, int set, const double* values, int count, int first = 0);
bool XrtDataSetYData(XrtHandle data, int set, const double* values, int count, int first = 0);
bool XrtDataGetXElementIndirect(XrtHandle data, int set, int point, double* value);
bool XrtDataGetYElementIndirect(XrtHandle data, int set, int point, double* value);

// The chart library's data file: text, one "x<TAB>y" line per point after a
// header of '#' comment lines, doubles written so they read back identical.
// Saving replaces the file only once the whole of it has been written.
bool XrtDataSaveToFile(XrtHandle data, const char* path, int flags = XRT_FILE_DEFAULT);
// A new data set of one set from a data file; 0 when the file cannot be read
// or is not a valid data file (XrtGetLastError says why, with the line).
XrtHandle XrtDataCreateFromFile(const char* path, int flags = XRT_FILE_DEFAULT);

// The reason the last failing call on this thread failed, in words.
std::string XrtGetLastError();
