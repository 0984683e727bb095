#pragma once
// Where the chart goes on a printed page.
//
// The chart is printed as large as the page's printable area allows without
// distorting it: it keeps the aspect ratio the operator sees on the screen,
// fills the full height and is centred across the page when it is narrower
// than the page in proportion, and otherwise fills the full width and is
// centred down the page.

namespace vexlar {

// A rectangle on the page, in device units from the top-left corner of the
// printable area.
struct PrintedChartRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    bool empty() const { return width <= 0 || height <= 0; }
    bool operator==(const PrintedChartRect&) const = default;
};

// The chart's client size in screen pixels (chartWidth x chartHeight) laid
// out on a printable area of pageWidth x pageHeight device units.
//
// Chart pixels become device units by one factor both ways: V/h when the
// chart is narrower than the page in proportion (w * V < H * h), H/w
// otherwise, each size rounded to the nearest device unit. The blank space
// left over is split by halving with truncation, so on an odd remainder the
// band after the chart is one unit wider than the band before it.
//
// An empty rectangle when any size is zero or negative: there is nothing to
// print, or nowhere to print it.
PrintedChartRect LayOutPrintedChart(int chartWidth, int chartHeight, int pageWidth, int pageHeight);

}  // namespace vexlar
