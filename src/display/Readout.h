#pragma once
// The status bar's readout while additive mode or the cursor is on: the
// scan count and the cursor's pixel, x value and intensity. The view hands
// over the numbers with every scan; the text is made from them only when it
// is shown (at most once per display frame) or read.

#include <cstddef>

namespace vexlar::display {

struct Readout {
    bool scanCount = false;  // additive mode: "Scan Number N"
    long scans = 0;
    bool cursor = false;  // the cursor is shown: its pixel and values
    int pixel = 0;
    bool ramanShift = false;  // x is a Raman shift in cm-1, else a wavelength in nm
    double x = 0.0;
    double intensity = 0.0;

    bool operator==(const Readout&) const = default;
};

// Room for the longest readout and its terminator.
constexpr std::size_t kReadoutTextSize = 256;

// Writes the readout's text, as "Scan Number 12 Pix: 1024, Wavelength:
// 650.123 nm, Intensity: 812.000", into text (always terminated).
void FormatReadout(const Readout& readout, char (&text)[kReadoutTextSize]);

}  // namespace vexlar::display
