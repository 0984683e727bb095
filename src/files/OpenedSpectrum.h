#pragma once
// The spectrum File > Open put on display, kept so that what is written out
// later can say truthfully where the spectrum on display came from: the
// file's intensities stay on display until a scan, a channel change or
// anything else replaces them, and its x values until the axis is rebuilt.

#include <string>
#include <vector>

namespace vexlar::files {

struct OpenedSpectrum {
    std::string path;   // empty: nothing was opened
    int xAxisMode = 0;  // the axis the file's x values are on
    std::vector<double> x;
    std::vector<double> y;
};

enum class DisplayedOrigin {
    Live,                        // acquired: the workspace's settings made it
    OpenedFile,                  // the opened file's points, as read
    OpenedFileOnCalibratedAxis,  // the opened file's intensities, on the axis the calibration gives
};

// True when the axis x of mode xAxisMode holds the opened file's x values.
bool HoldsFileAxis(const OpenedSpectrum& opened, int xAxisMode, const double* x, int pixels);

// Where the spectrum on display (y against the axis x of mode xAxisMode)
// came from. It is the opened file's while every intensity is the file's;
// its x values are the file's while the axis on display is the file's and
// holds the file's values.
DisplayedOrigin OriginOf(const OpenedSpectrum& opened, int xAxisMode, const double* x, const double* y, int pixels);

}  // namespace vexlar::files
