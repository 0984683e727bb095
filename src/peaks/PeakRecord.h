#pragma once
// One of the view's 100 peak slots; the slot number is the peak's id.

#include "XrtValue.h"

namespace vexlar {

constexpr int kPeakSlots = 100;
constexpr int kPeakLabelSize = 100;  // 99 characters and the terminator

struct PeakRecord {
    int inUse = 0;
    char label[kPeakLabelSize] = {};
    double x = 0.0;  // cm-1 in Raman-shift mode, nm in wavelength mode
    double intensity = 0.0;
    int pixel = -1;
    XrtHandle labelArea = 0;  // created with the chart, lives as long as it
};

}  // namespace vexlar
