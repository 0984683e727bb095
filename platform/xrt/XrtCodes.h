#pragma once
// The chart library's property codes and argument values. Every number the
// program passes to the chart has a name here; no other file spells them.

// ---------------------------------------------------------------------------
// Chart codes (XrtSetValues / XrtGetValues on a chart handle).
// Value type in brackets: int, double, text (const char*), handle (XrtHandle),
// style (const XrtDataStyle*).

constexpr int XRT_CURSOR_SHOWN = 263;          // [int 0/1] the cursor line is drawn
constexpr int XRT_REPAINT = 273;               // [int 0/1] 0: changes stay undrawn; 1: lay out and redraw now
constexpr int XRT_DATA = 768;                  // [handle] the data set shown
constexpr int XRT_SECOND_STYLE = 1029;         // [style] style of every set but the first that has no style of its own
constexpr int XRT_WIDTH = 1536;                // [int >= 0] chart width in pixels
constexpr int XRT_HEIGHT = 1537;               // [int >= 0] chart height in pixels
constexpr int XRT_X_BOUND_MIN = 1792;          // [double] lower X data bound
constexpr int XRT_X_BOUND_MAX = 1795;          // [double] upper X data bound
constexpr int XRT_X_MAX = 1811;                // [double] shown X maximum
constexpr int XRT_Y_MAX = 1812;                // [double] shown Y maximum
constexpr int XRT_X_MIN = 1814;                // [double] shown X minimum
constexpr int XRT_Y_MIN = 1815;                // [double] shown Y minimum
constexpr int XRT_CURSOR_POINT = 2309;         // [int] index of the point of the shown set under the cursor
constexpr int XRT_ORIGIN_X = 2816;             // [int] chart's left edge within its window
constexpr int XRT_ORIGIN_Y = 2817;             // [int] chart's top edge within its window
constexpr int XRT_MARGIN_LEFT = 2824;          // [int >= 0] least room left of the plot area, pixels
constexpr int XRT_MARGIN_BOTTOM = 2825;        // [int >= 0] least room below the plot area
constexpr int XRT_MARGIN_TOP = 2826;           // [int >= 0] least room above the plot area
constexpr int XRT_MARGIN_RIGHT = 2827;         // [int >= 0] least room right of the plot area
constexpr int XRT_X_TITLE = 3072;              // [text] X axis title
constexpr int XRT_Y_TITLE = 3073;              // [text] Y axis title
constexpr int XRT_X_GRID_SHOWN = 3586;         // [int 0/1] vertical grid lines at the X ticks
constexpr int XRT_Y_GRID_SHOWN = 3587;         // [int 0/1] horizontal grid lines at the Y ticks
constexpr int XRT_LEGEND_SHOWN = 3608;         // [int 0/1] a legend naming the sets
constexpr int XRT_TOP_AXIS_SHOWN = 3619;       // [int 0/1] a plain line along the top of the plot area
constexpr int XRT_RIGHT_AXIS_SHOWN = 3620;     // [int 0/1] a plain line along its right side
constexpr int XRT_X_MINOR_TICKS_SHOWN = 3621;  // [int 0/1] minor ticks between the X ticks
constexpr int XRT_Y_MINOR_TICKS_SHOWN = 3622;  // [int 0/1] minor ticks between the Y ticks
constexpr int XRT_ANTIALIASED_LINES = 17921;   // [int 0/1] smooth (slower) data lines
constexpr int XRT_TEXT_AREAS_ENABLED = 20992;  // [int 0/1] 0 hides every text area of the chart

// ---------------------------------------------------------------------------
// Text-area codes (XrtTextAreaSetValues / XrtTextAreaGetValues).

constexpr int XRT_TEXT_SHOWN = 283;        // [int 0/1]
constexpr int XRT_TEXT_WIDTH = 1551;       // [int, read only] width of the text as drawn, pixels
constexpr int XRT_TEXT_HEIGHT = 1552;      // [int, read only] height of the text as drawn
constexpr int XRT_TEXT_ANCHOR_X = 1821;    // [double] anchor x in data units (XRT_ATTACH_COORDS)
constexpr int XRT_TEXT_ANCHOR_Y = 1822;    // [double] anchor y in data units
constexpr int XRT_TEXT_FONT = 2052;        // [handle] a font handle; the text area keeps a copy of the font
constexpr int XRT_TEXT_DATA_SET = 2315;    // [int >= 0] set of the shown data (XRT_ATTACH_DATA_POINT)
constexpr int XRT_TEXT_POINT = 2316;       // [int >= 0] point index in that set
constexpr int XRT_TEXT_LEFT = 2828;        // [int, read only] left edge in chart pixels
constexpr int XRT_TEXT_TOP = 2829;         // [int, read only] top edge in chart pixels
constexpr int XRT_TEXT_LINES = 3334;       // [text lines] null-ended list of lines, copied
constexpr int XRT_TEXT_ATTACH = 16897;     // [int] XRT_ATTACH_COORDS or XRT_ATTACH_DATA_POINT
constexpr int XRT_TEXT_PLACEMENT = 21248;  // [int] XRT_PLACE_* : where the text sits on its anchor

// XRT_TEXT_ATTACH values.
constexpr int XRT_ATTACH_COORDS = 0;       // at XRT_TEXT_ANCHOR_X / XRT_TEXT_ANCHOR_Y
constexpr int XRT_ATTACH_DATA_POINT = 17;  // at point XRT_TEXT_POINT of set XRT_TEXT_DATA_SET; follows the data

// XRT_TEXT_PLACEMENT values.
constexpr int XRT_PLACE_AT_CORNER = 0;  // the text's top-left corner on the anchor
constexpr int XRT_PLACE_CENTRED = 1;    // the text's centre on the anchor
constexpr int XRT_PLACE_ABOVE = 2;      // the text centred just above the anchor (peak labels)

// ---------------------------------------------------------------------------
// Other call arguments.

// XrtDataCreate types.
constexpr int XRT_DATA_COMMON_X = 1;    // all sets share one X array
constexpr int XRT_DATA_SEPARATE_X = 2;  // every set has its own X array

// XrtMap / XrtUnmap: between chart pixels and the data units of the axes.
constexpr int XRT_MAP_DATA_UNITS = 1;

// XrtDrawToDC: the whole chart, scaled into the given rectangle.
constexpr int XRT_DRAW_WHOLE_CHART = 3;
constexpr int XRT_DRAW_SCALE_TO_RECT = 4;

// Data style record (XrtSetNthDataStyle, XRT_SECOND_STYLE): nine 32-bit words.
constexpr int XRT_STYLE_WORDS = 9;
// Word indices (0-based) and what the chart makes of them.
constexpr int XRT_STYLE_LINE_PATTERN = 0;  // XRT_LINE_*
constexpr int XRT_STYLE_LINE_WIDTH = 1;    // kept; lines are drawn one pixel wide
constexpr int XRT_STYLE_LINE_COLOR = 2;    // 0x00BBGGRR
constexpr int XRT_STYLE_SYMBOL = 3;        // XRT_SYMBOL_*
constexpr int XRT_STYLE_SYMBOL_SIZE = 4;   // pixels
constexpr int XRT_STYLE_SYMBOL_COLOR = 5;  // 0x00BBGGRR

// Line patterns (XRT_STYLE_LINE_PATTERN); any other value draws a solid line.
constexpr int XRT_LINE_NONE = 1;
constexpr int XRT_LINE_SOLID = 2;
constexpr int XRT_LINE_DASHED = 3;
constexpr int XRT_LINE_DOTTED = 4;
constexpr int XRT_LINE_DASH_DOT = 5;

// Point symbols (XRT_STYLE_SYMBOL); any other value draws none.
constexpr int XRT_SYMBOL_NONE = 0;
constexpr int XRT_SYMBOL_PIXEL = 1;  // one pixel per point: drawn only where there is no line to cover it
constexpr int XRT_SYMBOL_DOT = 2;
constexpr int XRT_SYMBOL_BOX = 3;
constexpr int XRT_SYMBOL_TRIANGLE = 4;
constexpr int XRT_SYMBOL_DIAMOND = 5;
constexpr int XRT_SYMBOL_CROSS = 6;
constexpr int XRT_SYMBOL_CIRCLE = 7;
