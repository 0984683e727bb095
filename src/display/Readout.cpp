#include "display/Readout.h"

#include <cstdio>

namespace vexlar::display {

void FormatReadout(const Readout& readout, char (&text)[kReadoutTextSize])
{
    int used = 0;
    text[0] = '\0';
    if (readout.scanCount)
        used = std::snprintf(text, sizeof text, "Scan Number %ld ", readout.scans);
    if (used < 0 || static_cast<std::size_t>(used) >= sizeof text)
        return;
    if (readout.cursor) {
        if (readout.ramanShift)
            std::snprintf(text + used, sizeof text - used, "Pix: %d Raman Shift: %.0f cm-1, Intensity: %.3f",
                          readout.pixel, readout.x, readout.intensity);
        else
            std::snprintf(text + used, sizeof text - used, "Pix: %d, Wavelength: %.3f nm, Intensity: %.3f",
                          readout.pixel, readout.x, readout.intensity);
    }
}

}  // namespace vexlar::display
