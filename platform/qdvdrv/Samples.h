#pragma once
// The samples the simulated spectrometer can hold: Raman shift standards
// with their published band positions, a neon lamp for wavelength
// calibration, and an empty sample position.

#include <optional>
#include <span>
#include <string_view>

namespace vexlar::qdv {

enum class SampleKind {
    Cyclohexane,
    Polystyrene,
    Naphthalene,
    Sulfur,
    Acetamidophenol,
    Silicon,
    NeonLamp,
    None,
};

// One band: a Raman shift in cm-1 (or, for a lamp, an emission wavelength in
// nm) and its height relative to the sample's tallest band (100).
struct Band {
    double position;
    double height;
};

struct SampleInfo {
    SampleKind kind;
    const char* key;          // stored in the driver's settings file
    const char* displayName;  // shown in the set-up dialog
    // A lamp's lines sit at fixed wavelengths and shine whether or not the
    // laser is on; a Raman sample's bands follow the laser line.
    bool isLamp;
    // Counts of a height-100 band at its centre in a 100 ms scan (at laser
    // power 1 for a Raman sample).
    double brightness;
    // Fluorescence yield, relative to the device's fluorescence level.
    double fluorescence;
    // Laser light scattered elastically past the filter, relative.
    double rayleigh;
    std::span<const Band> bands;
};

// Every sample, in the order the set-up dialog lists them.
std::span<const SampleInfo> AllSamples();

const SampleInfo& SampleData(SampleKind kind);

// The sample stored under key (letters compared without regard to case).
std::optional<SampleKind> SampleFromKey(std::string_view key);

}  // namespace vexlar::qdv
