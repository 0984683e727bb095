#pragma once
// The settings file vexlar.ini: the working values that survive a restart
// and the three control-bar texts, read and written through the
// private-profile calls.
//
// Every key the program keeps lives in one table in SettingsFile.cpp with its
// section, how it is read, its default and how it is written; the orders of
// reading and writing are lists over that table. Numbers are written in the
// C conventions whatever language the operator's session uses, so a file
// written under a comma-decimal language reads back the same.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "calibration/CalibrationTable.h"
#include "peaks/PeakCriteria.h"
#include "timed/SeriesSettings.h"

namespace vexlar::settings {

// A bare name: it resolves to $XDG_CONFIG_HOME/vexlar/ (by default
// ~/.config/vexlar/), created on the first save.
constexpr char kFileName[] = "vexlar.ini";

// One calibration section per channel: [Master], [Slave1] to [Slave7].
constexpr int kCalibratedChannels = calibration::kCalibratedChannels;

// The longest control-bar text stored.
constexpr std::size_t kControlBarTextMax = 49;

// The working values, in the types the view holds them.
// Vexlar as a Tango device ([Remote]).
struct RemoteSettings {
    int control = 0;          // 0 or 1: the device is exported at start
    int port = 0;             // without a database
    int watchdogSeconds = 0;  // a client's silence that switches its laser off
    std::string device;       // with the Tango database: the device's name

    bool operator==(const RemoteSettings&) const = default;
};

struct WorkingSettings {
    // [Acquisition]
    int numChannels = 0;
    std::uint16_t integrationTime = 0;  // ms
    std::int16_t average = 0;
    std::int16_t boxcar = 0;
    int correctDark = 0;
    std::int16_t channel = 0;      // always 0 to 7 after loading
    float laserWavelength = 0.0f;  // nm; always positive and finite after loading
    int xAxisMode = 0;             // 0 wavelength, 1 Raman shift; always one of them after loading

    // [Master], [Slave1] to [Slave7]: the cubic calibration of each channel.
    calibration::CalibrationTable calibration;

    // [PeakFind]
    peaks::PeakCriteria peakCriteria;

    // [Cleaning]: written only once they differ from their defaults (or the
    // file already holds them), so a run that never used them leaves the
    // file as it was.
    int removeSpikes = 0;             // 0 or 1
    int subtractBaseline = 0;         // 0 or 1
    double baselineSmoothness = 0.0;  // λ; always within its range after loading
    double baselineAsymmetry = 0.0;   // p; always within its range after loading
    double baselineCutOn = 0.0;       // cm-1; always within its range after loading

    // [TimeAcquisition]: the eight series settings, and the series table
    // (written, as the [Cleaning] keys, only once used).
    timed::SeriesSettings series;
    unsigned seriesTable = 0;  // 0 no series table, 1 one row per scan, 2 one row per pixel

    // [Remote]: the Tango device, written only once used.
    RemoteSettings remote;

    bool operator==(const WorkingSettings&) const = default;
};

// The texts of the control bar's channel list, laser-wavelength field and
// x-axis list, as the operator last saw them ([DialogBar]).
struct ControlBarTexts {
    std::string channel;
    std::string laserWavelength;
    std::string xAxis;

    bool operator==(const ControlBarTexts&) const = default;
};

// What a missing file gives.
WorkingSettings DefaultSettings();
ControlBarTexts DefaultControlBarTexts();

// A value the file holds that is not used as it stands.
struct ReplacedValue {
    std::string section;
    std::string key;
    std::string stored;  // the file's text
    std::string used;    // the value used instead, in the fewest digits that give it back

    bool operator==(const ReplacedValue&) const = default;
};

struct LoadedSettings {
    WorkingSettings values;
    // Empty when the file was read or does not exist; otherwise the path and
    // why it could not be read, and values holds the defaults.
    std::string error;
    // The values of the file that were not used as they stand, in the order
    // they were read.
    std::vector<ReplacedValue> replaced;
};

// Reads every working value. A missing key (or an empty value) gives its
// default; a value that does not begin with a number reads 0, and the
// number it begins with is taken ("532 nm" is 532). Values that would break
// the workspace are replaced on the way in: a whole number that its value
// cannot hold (Boxcar=99999, SeriesTable=4294967297 or -1) is never wrapped
// into another but loads as the default; a channel outside 0 to 7, an
// x-axis mode and the two cleaning switches other than 0 or 1 load as 0, a
// series table other than 0 to 2 as 0, the baseline's smoothness, asymmetry
// and cut-on outside their ranges as their defaults, a laser wavelength that
// is not positive and finite as the default, and so does a calibration
// coefficient or a peak-finder threshold or slope that is not finite in the
// precision it is held in; an integration time above 2000 ms becomes 250 ms.
// Every such value, and every number that is no number, is listed in
// replaced with the value used.
LoadedSettings ReadWorkingSettings(const char* fileName = kFileName);

// What the operator is told of the replaced values: the file's path, each
// value as the file holds it and the value used instead; empty when there
// are none.
std::string ReplacedValuesNotice(const std::vector<ReplacedValue>& replaced, const char* fileName = kFileName);

// Writes every working value in one file write (keys replaced in place, new
// keys at the end of their section, new sections at the end of the file,
// everything else kept). False with the path and the reason in error when
// any of it could not be written; the file then keeps what it held.
bool WriteWorkingSettings(const WorkingSettings& values, std::string* error, const char* fileName = kFileName);

// What a run saves at exit when another Vexlar may use the same file: only
// the values this run changed from loaded (what it read at start), the
// values it used in place of what the file held (loaded.replaced), and
// every key the file lacks, in one file write. The file is read again at
// that moment, so every other key keeps what is in it now, whoever put it
// there; a file written from nothing still holds every key in order. False
// with the path and the reason, as WriteWorkingSettings.
bool WriteChangedWorkingSettings(const WorkingSettings& values, const LoadedSettings& loaded, std::string* error,
                                 const char* fileName = kFileName);

// The [DialogBar] texts; the defaults when the file cannot be read.
ControlBarTexts ReadControlBarTexts(const char* fileName = kFileName);

// Writes the three texts, each cut to kControlBarTextMax characters, in one
// file write; false with the path and the reason in error.
bool WriteControlBarTexts(const ControlBarTexts& texts, std::string* error, const char* fileName = kFileName);
// The same, for the texts this run changed from loaded and the keys the file
// lacks (see WriteChangedWorkingSettings).
bool WriteChangedControlBarTexts(const ControlBarTexts& texts, const ControlBarTexts& loaded, std::string* error,
                                 const char* fileName = kFileName);

// The number formats of the file, in the C conventions whatever the process
// locale: "%f" and "%.6e".
std::string FormatFixed(double value);
std::string FormatExponent(double value);
// The fewest digits that read back as the same double ("1000", "0.01").
std::string FormatShortest(double value);

// At most maxBytes bytes of text, never ending inside a UTF-8 sequence.
std::string ClipText(const std::string& text, std::size_t maxBytes);

}  // namespace vexlar::settings
