#pragma once
// The chart as the operator sees it, read through the chart library's calls:
// the data set it shows, its scales and titles, the cursor, and its text
// areas (the peak labels, attached to data points, and the annotations,
// anchored at coordinates).

#include <cstdint>
#include <string>
#include <vector>

#include "Font.h"
#include "Xrt.h"

namespace vexlar::test {

// The data set the chart shows (0 for none).
XrtHandle ShownData(XrtHandle chart);
// Point i of the data set shown.
double ShownX(XrtHandle chart, int point);
double ShownY(XrtHandle chart, int point);
// Every point of the data set shown.
std::vector<double> ShownXs(XrtHandle chart);
std::vector<double> ShownYs(XrtHandle chart);
// True when every point of the data set shown has intensity y.
bool ShowsEverywhere(XrtHandle chart, double y);

// The shown ranges, their bounds and the titles.
struct Scale {
    double xMin = 0, xMax = 0, yMin = 0, yMax = 0;
    double boundMin = 0, boundMax = 0;
    std::string xTitle, yTitle;
};
Scale ScaleOf(XrtHandle chart);

bool CursorShown(XrtHandle chart);
int CursorPoint(XrtHandle chart);

// How many times the chart has been laid out and drawn.
std::uint64_t Redraws(XrtHandle chart);

// A text area as the chart holds it.
struct TextSeen {
    XrtHandle handle = 0;
    bool shown = false;
    std::vector<std::string> lines;
    int attach = 0;
    int point = 0;                                 // its data point, for a text attached to one
    double anchorX = 0, anchorY = 0;               // for a text anchored at coordinates
    int left = 0, top = 0, width = 0, height = 0;  // where it is drawn, chart pixels
    sys::LogFont font;

    // Its one line, or "" when it has none.
    std::string text() const { return lines.empty() ? std::string() : lines.front(); }
};

// Every text area of the chart, in the order they were made.
std::vector<TextSeen> TextAreas(XrtHandle chart);
// The peak labels: the text areas attached to a data point...
std::vector<TextSeen> PeakLabels(XrtHandle chart);
// ...and of them those shown, in the order they were made.
std::vector<TextSeen> ShownPeakLabels(XrtHandle chart);
// The annotations' text areas: anchored at coordinates.
std::vector<TextSeen> AnnotationAreas(XrtHandle chart);
// Those shown.
std::vector<TextSeen> ShownAnnotations(XrtHandle chart);

}  // namespace vexlar::test
