// The settings files as the program and the simulated spectrometer load them
// at start: vexlar.ini through the working-settings load and the control-bar
// texts, qdvdrv.ini through the driver's own load, and the private-profile
// document underneath both. Whatever the file holds, the program starts with
// values the workspace can use, reading never changes the file, and a value
// saved into it reads back while every other value stays as it was.

#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

#include "FuzzTarget.h"
#include "Profile.h"
#include "ProfileDocument.h"
#include "ScanGenerator.h"
#include "SimSettings.h"
#include "calibration/SettingsFile.h"

using vexlar::sys::detail::ProfileDocument;

namespace {

constexpr std::size_t kLongestBaseFilename = 259;
constexpr int kLongestRestoredIntegrationTimeMs = 2000;

void CheckWorkingValues(const vexlar::settings::WorkingSettings& s)
{
    VEXLAR_FUZZ_CHECK(s.channel >= 0 && s.channel < vexlar::settings::kCalibratedChannels);
    VEXLAR_FUZZ_CHECK(s.xAxisMode == 0 || s.xAxisMode == 1);
    VEXLAR_FUZZ_CHECK(std::isfinite(s.laserWavelength) && s.laserWavelength > 0.0f);
    VEXLAR_FUZZ_CHECK(s.integrationTime <= kLongestRestoredIntegrationTimeMs);
    VEXLAR_FUZZ_CHECK(s.series.BaseFilename.size() <= kLongestBaseFilename);
    // Every axis value is made of the coefficients.
    for (int ch = 0; ch < vexlar::settings::kCalibratedChannels; ++ch) {
        VEXLAR_FUZZ_CHECK(std::isfinite(s.calibration.calIntercept[ch]) && std::isfinite(s.calibration.calFirst[ch]));
        VEXLAR_FUZZ_CHECK(std::isfinite(s.calibration.calSecond[ch]) && std::isfinite(s.calibration.calThird[ch]));
    }
    VEXLAR_FUZZ_CHECK(std::isfinite(s.peakCriteria.peakThreshold) && std::isfinite(s.peakCriteria.peakSlope));
}

void CheckControlBarTexts(const vexlar::settings::ControlBarTexts& t)
{
    using vexlar::settings::kControlBarTextMax;
    VEXLAR_FUZZ_CHECK(t.channel.size() <= kControlBarTextMax);
    VEXLAR_FUZZ_CHECK(t.laserWavelength.size() <= kControlBarTextMax);
    VEXLAR_FUZZ_CHECK(t.xAxis.size() <= kControlBarTextMax);
}

bool InRange(double value, vexlar::qdv::Range range)
{
    return value >= range.minimum && value <= range.maximum;
}

void CheckDriverSetUp(const vexlar::qdv::SimSettings& s)
{
    using namespace vexlar::qdv;
    VEXLAR_FUZZ_CHECK(InRange(s.laserWavelengthNm, kLaserWavelengthRange));
    VEXLAR_FUZZ_CHECK(InRange(s.laserPower, kLaserPowerRange));
    VEXLAR_FUZZ_CHECK(InRange(s.noise, kNoiseRange));
    VEXLAR_FUZZ_CHECK(InRange(s.darkCurrent, kDarkCurrentRange));
    VEXLAR_FUZZ_CHECK(InRange(s.fluorescence, kFluorescenceRange));
    VEXLAR_FUZZ_CHECK(InRange(s.speedFactor, kSpeedFactorRange));
    VEXLAR_FUZZ_CHECK(InRange(s.faultRate, kFaultRateRange));
    for (const Calibration& c : s.calibrations) {
        VEXLAR_FUZZ_CHECK(std::isfinite(c.intercept) && std::isfinite(c.first));
        VEXLAR_FUZZ_CHECK(std::isfinite(c.second) && std::isfinite(c.third));
    }
    // The device scans with whatever the file set up: every pixel a count of
    // the 12-bit detector.
    static ScanGenerator generator(1);  // made once: its tables are large
    ScanSettings scan;
    scan.integrationMs = kMinIntegrationMs;
    float counts[kPixels];
    for (int ch = 0; ch < kChannels; ch += kChannels - 1) {
        VEXLAR_FUZZ_CHECK(generator.Generate(s.Channel(ch), scan, counts));
        for (float value : counts)
            VEXLAR_FUZZ_CHECK(value >= 0.0f && value <= static_cast<float>(kFullScaleCounts));
    }
}

// The name lists, into buffers of every awkward size.
void ReadNameLists(const char* path)
{
    for (unsigned size : {1u, 2u, 3u, 17u, 4096u}) {
        std::string out(size + 1, '\x7f');  // one guard byte past the buffer
        const unsigned copied = vexlar::sys::GetPrivateProfileString(nullptr, nullptr, "", out.data(), size, path);
        VEXLAR_FUZZ_CHECK(copied < size);
        VEXLAR_FUZZ_CHECK(out[size] == '\x7f');
        out.assign(size + 1, '\x7f');
        vexlar::sys::GetPrivateProfileString("Acquisition", nullptr, "", out.data(), size, path);
        VEXLAR_FUZZ_CHECK(out[size] == '\x7f');
    }
}

// Setting one value in a loaded document changes that value and no other.
void CheckOneValueSet(std::string_view bytes, const char* section, const char* key, const char* value)
{
    const ProfileDocument before = ProfileDocument::Parse(bytes);
    ProfileDocument edited = before;
    edited.SetValue(section, key, value);
    const ProfileDocument after = ProfileDocument::Parse(edited.Serialize());
    VEXLAR_FUZZ_CHECK(after.Value(section, key) == std::optional<std::string>(value));
    for (const std::string& s : before.SectionNames()) {
        for (const std::string& k : before.KeyNames(s)) {
            if (vexlar::sys::detail::EqualNoCase(s, section) && vexlar::sys::detail::EqualNoCase(k, key))
                continue;
            VEXLAR_FUZZ_CHECK(after.Value(s, k) == before.Value(s, k));
        }
    }
}

}  // namespace

VEXLAR_FUZZ_TARGET(settings_file)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // Kept byte for byte.
    VEXLAR_FUZZ_CHECK(ProfileDocument::Parse(bytes).Serialize() == bytes);
    CheckOneValueSet(bytes, "Acquisition", "Channel", "3");
    CheckOneValueSet(bytes, "Slave7", "Intercept", "350.000000");
    CheckOneValueSet(bytes, "A New Section", "Key", "value");

    const std::string program = vexlar::fuzz::ScratchFile("vexlar.ini");
    vexlar::fuzz::WriteScratch(program, data, size);
    const vexlar::settings::LoadedSettings loaded = vexlar::settings::ReadWorkingSettings(program.c_str());
    // A NUL byte would cut a name or value short, and any other control
    // character but the tab, the line ends and the feeds marks binary data:
    // such a file is refused whole, with the defaults in its place; any
    // other file is read.
    constexpr std::string_view kBinary("\0\1\2\3\4\5\6\7\10\16\17\20\21\22\23\24\25\26\27\30\31\32\33\34\35\36\37\177",
                                       28);
    const bool binary = bytes.find_first_of(kBinary) != std::string_view::npos;
    VEXLAR_FUZZ_CHECK(loaded.error.empty() != binary);
    if (binary)
        VEXLAR_FUZZ_CHECK(loaded.values == vexlar::settings::DefaultSettings() && loaded.replaced.empty());
    CheckWorkingValues(loaded.values);
    CheckControlBarTexts(vexlar::settings::ReadControlBarTexts(program.c_str()));
    ReadNameLists(program.c_str());
    VEXLAR_FUZZ_CHECK(vexlar::fuzz::ReadScratch(program) == bytes);

    const std::string driver = vexlar::fuzz::ScratchFile("qdvdrv.ini");
    vexlar::fuzz::WriteScratch(driver, data, size);
    CheckDriverSetUp(vexlar::qdv::LoadSimSettings(driver.c_str()));
    return 0;
}
