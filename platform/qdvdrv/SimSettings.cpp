#include "SimSettings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "Profile.h"

namespace vexlar::qdv {

namespace {

constexpr const char* kDeviceSection = "Simulator";
constexpr const char* kKeyLaserWavelength = "LaserWavelength";
constexpr const char* kKeyLaserPower = "LaserPower";
constexpr const char* kKeyNoise = "Noise";
constexpr const char* kKeyDarkCurrent = "DarkCurrent";
constexpr const char* kKeyFluorescence = "Fluorescence";
constexpr const char* kKeySpeedFactor = "SpeedFactor";
constexpr const char* kKeyFaultRate = "FaultRate";
constexpr const char* kKeyCosmicRate = "CosmicRate";
constexpr const char* kChannelSectionPrefix = "Channel";
constexpr const char* kKeySample = "Sample";
constexpr const char* kKeyCalIntercept = "CalIntercept";
constexpr const char* kKeyCalFirst = "CalFirst";
constexpr const char* kKeyCalSecond = "CalSecond";
constexpr const char* kKeyCalThird = "CalThird";

constexpr const char* kEnvSpeed = "VEXLAR_SIM_SPEED";
constexpr const char* kEnvSample = "VEXLAR_SIM_SAMPLE";
constexpr const char* kEnvNoise = "VEXLAR_SIM_NOISE";
constexpr const char* kEnvFaultRate = "VEXLAR_SIM_FAULT_RATE";
constexpr const char* kEnvCosmicRate = "VEXLAR_SIM_COSMIC_RATE";
constexpr const char* kEnvReadout = "VEXLAR_SIM_READOUT_MS";

constexpr unsigned kValueBufferSize = 128;

// A leading decimal number, in the C locale whatever the program's locale is.
std::optional<double> ParseNumber(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string FormatNumber(double value)
{
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

// Reads the values of one file, keeping the first reason it could not be
// read.
struct Reader {
    const char* fileName;
    std::string error;

    std::string Value(const char* section, const char* key)
    {
        char text[kValueBufferSize] = {};
        sys::GetPrivateProfileString(section, key, "", text, kValueBufferSize, fileName);
        if (error.empty())
            error = sys::LastProfileError();
        return text;
    }
    double Number(const char* section, const char* key, double fallback)
    {
        const std::optional<double> value = ParseNumber(Value(section, key));
        return value ? *value : fallback;
    }
    double InRange(const char* section, const char* key, double fallback, Range range)
    {
        return std::clamp(Number(section, key, fallback), range.minimum, range.maximum);
    }
};

std::string ChannelSection(int ch)
{
    return kChannelSectionPrefix + std::to_string(ch);
}

struct Writer {
    const char* fileName;
    bool ok = true;

    void Put(const char* section, const char* key, const std::string& value)
    {
        ok = sys::WritePrivateProfileString(section, key, value.c_str(), fileName) && ok;
    }
    void Put(const char* section, const char* key, double value) { Put(section, key, FormatNumber(value)); }
};

// Applies one numeric override; false when the variable is unset.
bool OverrideNumber(const char* name, Range range, double& target, std::vector<std::string>& applied)
{
    const char* text = std::getenv(name);
    if (!text)
        return false;
    const std::optional<double> value = ParseNumber(text);
    if (!value || *value < range.minimum || *value > range.maximum) {
        std::fprintf(stderr, "qdvdrv: %s=%s ignored: expected a number from %g to %g\n", name, text, range.minimum,
                     range.maximum);
        return false;
    }
    target = *value;
    applied.push_back(std::string(name) + "=" + text);
    return true;
}

}  // namespace

SimSettings::SimSettings()
{
    samples.fill(SampleKind::Cyclohexane);
}

ChannelSetup SimSettings::Channel(int ch) const
{
    ChannelSetup setup;
    const int index = std::clamp(ch, 0, kChannels - 1);
    setup.calibration = calibrations[index];
    setup.sample = samples[index];
    setup.laserWavelengthNm = laserWavelengthNm;
    setup.laserPower = laserPower;
    setup.noise = noise;
    setup.darkCurrent = darkCurrent;
    setup.fluorescence = fluorescence;
    setup.cosmicRate = cosmicRate;
    return setup;
}

SimSettings LoadSimSettings(const char* fileName, std::string* error)
{
    const SimSettings defaults;
    SimSettings s;
    Reader r{fileName, {}};
    s.laserWavelengthNm =
        r.InRange(kDeviceSection, kKeyLaserWavelength, defaults.laserWavelengthNm, kLaserWavelengthRange);
    s.laserPower = r.InRange(kDeviceSection, kKeyLaserPower, defaults.laserPower, kLaserPowerRange);
    s.noise = r.InRange(kDeviceSection, kKeyNoise, defaults.noise, kNoiseRange);
    s.darkCurrent = r.InRange(kDeviceSection, kKeyDarkCurrent, defaults.darkCurrent, kDarkCurrentRange);
    s.fluorescence = r.InRange(kDeviceSection, kKeyFluorescence, defaults.fluorescence, kFluorescenceRange);
    s.speedFactor = r.InRange(kDeviceSection, kKeySpeedFactor, defaults.speedFactor, kSpeedFactorRange);
    s.faultRate = r.InRange(kDeviceSection, kKeyFaultRate, defaults.faultRate, kFaultRateRange);
    s.cosmicRate = r.InRange(kDeviceSection, kKeyCosmicRate, defaults.cosmicRate, kCosmicRateRange);

    for (int ch = 0; ch < kChannels; ++ch) {
        const std::string section = ChannelSection(ch);
        const char* sec = section.c_str();
        const std::optional<SampleKind> sample = SampleFromKey(r.Value(sec, kKeySample));
        s.samples[ch] = sample ? *sample : defaults.samples[ch];
        const Calibration& d = defaults.calibrations[ch];
        Calibration& c = s.calibrations[ch];
        c.intercept = r.Number(sec, kKeyCalIntercept, d.intercept);
        c.first = r.Number(sec, kKeyCalFirst, d.first);
        c.second = r.Number(sec, kKeyCalSecond, d.second);
        c.third = r.Number(sec, kKeyCalThird, d.third);
    }
    if (error)
        *error = r.error;
    // Half a file is worse than none: one that could not be read throughout
    // gives the default set-up whole.
    return r.error.empty() ? s : defaults;
}

bool SaveSimSettings(const SimSettings& s, const char* fileName, std::string* error)
{
    sys::ProfileWriteBatch batch(fileName);
    Writer w{fileName};
    w.Put(kDeviceSection, kKeyLaserWavelength, s.laserWavelengthNm);
    w.Put(kDeviceSection, kKeyLaserPower, s.laserPower);
    w.Put(kDeviceSection, kKeyNoise, s.noise);
    w.Put(kDeviceSection, kKeyDarkCurrent, s.darkCurrent);
    w.Put(kDeviceSection, kKeyFluorescence, s.fluorescence);
    w.Put(kDeviceSection, kKeySpeedFactor, s.speedFactor);
    w.Put(kDeviceSection, kKeyFaultRate, s.faultRate);
    // Added to the device after the file's first layout: a set-up without
    // cosmic rays writes the file it always wrote.
    if (s.cosmicRate != 0.0 || !Reader{fileName, {}}.Value(kDeviceSection, kKeyCosmicRate).empty())
        w.Put(kDeviceSection, kKeyCosmicRate, s.cosmicRate);
    for (int ch = 0; ch < kChannels; ++ch) {
        const std::string section = ChannelSection(ch);
        const char* sec = section.c_str();
        w.Put(sec, kKeySample, std::string(SampleData(s.samples[ch]).key));
        w.Put(sec, kKeyCalIntercept, s.calibrations[ch].intercept);
        w.Put(sec, kKeyCalFirst, s.calibrations[ch].first);
        w.Put(sec, kKeyCalSecond, s.calibrations[ch].second);
        w.Put(sec, kKeyCalThird, s.calibrations[ch].third);
    }
    const bool committed = batch.Commit();
    if (committed && w.ok)
        return true;
    if (error) {
        *error = sys::LastProfileError();
        if (error->empty())
            *error = "The settings file " + sys::ResolveProfilePath(fileName) + " could not be written.";
    }
    return false;
}

std::vector<std::string> ApplyEnvironmentOverrides(SimSettings& s)
{
    std::vector<std::string> applied;
    OverrideNumber(kEnvSpeed, kSpeedFactorRange, s.speedFactor, applied);
    OverrideNumber(kEnvNoise, kNoiseRange, s.noise, applied);
    OverrideNumber(kEnvFaultRate, kFaultRateRange, s.faultRate, applied);
    OverrideNumber(kEnvCosmicRate, kCosmicRateRange, s.cosmicRate, applied);
    OverrideNumber(kEnvReadout, kReadoutRange, s.readoutMs, applied);
    if (const char* text = std::getenv(kEnvSample)) {
        if (const std::optional<SampleKind> sample = SampleFromKey(text)) {
            s.samples.fill(*sample);
            applied.push_back(std::string(kEnvSample) + "=" + text);
        } else {
            std::fprintf(stderr, "qdvdrv: %s=%s ignored: not a sample name\n", kEnvSample, text);
        }
    }
    return applied;
}

}  // namespace vexlar::qdv
