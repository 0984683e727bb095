#pragma once
// The simulated spectrometer's set-up and its settings file, qdvdrv.ini,
// beside the program's own settings file.
//
// [Simulator]  LaserWavelength, LaserPower, Noise, DarkCurrent, Fluorescence,
//              SpeedFactor, FaultRate, CosmicRate (written only once it is
//              not 0, so a set-up without cosmic rays keeps the file it had)
// [Channel0] … [Channel7]  Sample, CalIntercept, CalFirst, CalSecond, CalThird
//
// A missing or unusable value takes its default; a value outside its range
// is brought to the nearest end of it. A file that exists but cannot be
// read (not a file, a FIFO, a NUL byte, no permission) gives the default
// set-up, with the reason.

#include <array>
#include <string>
#include <vector>

#include "Samples.h"
#include "ScanGenerator.h"

namespace vexlar::qdv {

constexpr const char* kSettingsFileName = "qdvdrv.ini";

// Allowed ranges of the set-up values.
struct Range {
    double minimum;
    double maximum;
};
constexpr Range kLaserWavelengthRange{200.0, 1100.0};  // nm
constexpr Range kLaserPowerRange{0.0, 10.0};           // relative
constexpr Range kNoiseRange{0.0, 100.0};               // relative
constexpr Range kDarkCurrentRange{0.0, 100000.0};      // counts per second
constexpr Range kFluorescenceRange{0.0, 100.0};        // relative
constexpr Range kSpeedFactorRange{0.01, 100000.0};     // scan time is divided by it
constexpr Range kFaultRateRange{0.0, 1.0};             // fraction of scans that fail
constexpr Range kCosmicRateRange{0.0, 10000.0};        // cosmic-ray events per second per detector
constexpr Range kReadoutRange{0.0, 10.0};              // ms to move the charge out after each reading
constexpr double kDefaultReadoutMs = 3.0;

struct SimSettings {
    std::array<SampleKind, kChannels> samples;
    std::array<Calibration, kChannels> calibrations;
    double laserWavelengthNm = kDefaultLaserWavelengthNm;
    double laserPower = 1.0;
    double noise = 1.0;
    double darkCurrent = 200.0;
    double fluorescence = 1.0;
    double speedFactor = 1.0;
    double faultRate = 0.0;
    double cosmicRate = 0.0;
    // Set by VEXLAR_SIM_READOUT_MS only (a faster detector for benchmarks);
    // never kept in the settings file.
    double readoutMs = kDefaultReadoutMs;

    SimSettings();
    bool operator==(const SimSettings&) const = default;

    // What channel ch of the device looks like with these settings.
    ChannelSetup Channel(int ch) const;
};

// Reads the settings file (a bare name resolves to the program's settings
// folder); missing values take their defaults. When the file exists but
// cannot be read, every value takes its default and error (when given)
// holds the path and the reason; otherwise error is emptied.
SimSettings LoadSimSettings(const char* fileName, std::string* error = nullptr);

// Writes every value in one go. False, with the path and reason in error,
// when the file cannot be written.
bool SaveSimSettings(const SimSettings& settings, const char* fileName, std::string* error);

// Applies the environment's overrides for unattended runs and tests:
// VEXLAR_SIM_SPEED (speed factor), VEXLAR_SIM_SAMPLE (a sample key, every
// channel), VEXLAR_SIM_NOISE, VEXLAR_SIM_FAULT_RATE, VEXLAR_SIM_COSMIC_RATE
// (cosmic-ray events per second per detector), VEXLAR_SIM_READOUT_MS (the
// readout after each reading, 0 to 10 ms). Returns one
// "NAME=value" line per override applied; a value that cannot be used is
// ignored and reported on standard error.
std::vector<std::string> ApplyEnvironmentOverrides(SimSettings& settings);

}  // namespace vexlar::qdv
