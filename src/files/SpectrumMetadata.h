#pragma once
// What the data-exchange files (CSV, JCAMP-DX, the series table) say about
// a spectrum besides its numbers: the program, when the file was written,
// where the spectrum came from, how it was acquired and how its x values
// were made. One list of entries serves every format, so the files agree.
//
// Only what is known is written: a spectrum opened from a file carries no
// acquisition settings, and x values read from the file carry no
// calibration.

#include <string>
#include <vector>

namespace vexlar::files {

inline constexpr char kProgramName[] = "Vexlar";
inline constexpr char kProgramVersion[] = "1.05.00";

// A moment of the operator's clock and its offset from UTC.
struct LocalTime {
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int utcOffsetMinutes = 0;
};

// ISO 8601 with the offset: "2024-05-01T12:34:56+02:00" ("Z" for UTC).
std::string IsoDateTime(const LocalTime& time);
// JCAMP-DX's long date: "2024/05/01 12:34:56 +0200".
std::string JcampLongDate(const LocalTime& time);

inline constexpr int kWavelengthAxis = 0;
inline constexpr int kRamanShiftAxis = 1;

// What is known of the spectrum on display at the moment it is written.
struct SpectrumFacts {
    LocalTime written;
    // Who the JCAMP-DX file names as the spectrum's owner (##OWNER): the
    // operator's login name; empty when it is not known.
    std::string owner;
    // The x axis on display: kWavelengthAxis or kRamanShiftAxis.
    int xAxisMode = kWavelengthAxis;
    // The spectrum file it was opened from; empty for the live spectrum.
    std::string sourceFile;

    // How the spectrum was acquired: known for the live spectrum only.
    bool acquisitionKnown = false;
    int channel = 0;
    unsigned integrationTimeMs = 0;
    int averages = 0;
    int boxcar = 0;
    bool darkSubtracted = false;
    long additiveScans = 0;      // scans summed in additive mode; 0 outside it
    bool spikesRemoved = false;  // View > Remove Spikes cleaned every scan

    // View > Subtract Baseline: the intensities written are the spectrum
    // less its fluorescence baseline (live or opened alike), beyond the
    // cut-on shift.
    bool baselineSubtracted = false;
    double baselineSmoothness = 0.0;
    double baselineAsymmetry = 0.0;
    double baselineCutOn = 0.0;  // cm-1

    // The x values come from the channel's calibration and the laser line
    // (false: they are the opened file's own).
    bool calibrationKnown = false;
    float laserWavelength = 0.0f;  // nm
    float calIntercept = 0.0f;
    float calFirst = 0.0f;
    float calSecond = 0.0f;
    float calThird = 0.0f;
};

// One line of what is known: the CSV header writes "# <name>: <value>",
// JCAMP-DX "##<jcampLabel>=<value>" (an empty label: not written there,
// because JCAMP-DX states it in a record of its own).
struct MetadataEntry {
    std::string name;
    std::string jcampLabel;
    std::string value;
};

// The entries for a spectrum, in the order the files list them.
std::vector<MetadataEntry> DescribeSpectrum(const SpectrumFacts& facts);

// "Master", "Slave 1" to "Slave 7" (as the control bar names the channels).
std::string ChannelName(int channel);
// "wavelength (nm)" or "Raman shift (cm-1)".
std::string AxisName(int xAxisMode);

}  // namespace vexlar::files
