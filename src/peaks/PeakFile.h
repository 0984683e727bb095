#pragma once
// The ".peak" file beside a saved graph: a header of the acquisition settings
// at the moment of saving, then one row per marked peak. Text with CR LF line
// ends, numbers written the same under every language setting.

#include <cstdint>
#include <string>
#include <vector>

namespace vexlar::peaks {

constexpr char kPeakFileSuffix[] = ".peak";

// The acquisition settings the header reports.
struct PeakFileHeader {
    std::uint16_t integrationTime = 0;  // ms
    std::int16_t average = 0;
    std::int16_t boxcar = 0;
    long additions = 0;  // scans added so far; the file counts the first as well
    int xAxisMode = 0;   // 1: Raman shift (cm-1); otherwise wavelength (nm)
    // What was done to the spectrum the peaks were found in; each adds a
    // line after the settings only when it was done.
    bool spikesRemoved = false;
    bool baselineSubtracted = false;
    double baselineSmoothness = 0.0;
    double baselineAsymmetry = 0.0;
};

// One marked peak, in slot order.
struct PeakFileRow {
    int pixel = 0;
    double x = 0.0;  // in the unit of the mode when it was marked
    double intensity = 0.0;
};

// value written as printf's "%.*f" does in the C locale.
std::string FixedText(double value, int decimals);

// The x value of a peak as its label and the table show it: no decimals in
// Raman-shift mode (xAxisMode 1), two in wavelength mode.
std::string PeakXText(double x, int xAxisMode);

// The whole file: the header (four settings lines, "Spikes removed" and
// "Baseline subtracted (smoothness λ, asymmetry p)" when they were done, the
// column heading), then one row per peak.
std::string PeakFileText(const PeakFileHeader& header, const std::vector<PeakFileRow>& rows);

}  // namespace vexlar::peaks
