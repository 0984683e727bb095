#include "files/SpectrumMetadata.h"

#include <cstdio>
#include <cstdlib>

#include "files/ShortestNumber.h"

namespace vexlar::files {

namespace {

constexpr int kMasterChannel = 0;
constexpr int kLastSlaveChannel = 7;

std::string TwoDigits(int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

std::string Date(const LocalTime& t, char separator)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d%c%02d%c%02d", t.year, separator, t.month, separator, t.day);
    return text;
}

std::string Time(const LocalTime& t)
{
    return TwoDigits(t.hour) + ':' + TwoDigits(t.minute) + ':' + TwoDigits(t.second);
}

// "+02:00" (withColon) or "+0200".
std::string Offset(int minutes, bool withColon)
{
    const char sign = minutes < 0 ? '-' : '+';
    const int magnitude = std::abs(minutes);
    return sign + TwoDigits(magnitude / 60) + (withColon ? ":" : "") + TwoDigits(magnitude % 60);
}

const char* YesNo(bool value)
{
    return value ? "yes" : "no";
}

}  // namespace

std::string IsoDateTime(const LocalTime& time)
{
    const std::string zone = time.utcOffsetMinutes == 0 ? "Z" : Offset(time.utcOffsetMinutes, true);
    return Date(time, '-') + 'T' + Time(time) + zone;
}

std::string JcampLongDate(const LocalTime& time)
{
    return Date(time, '/') + ' ' + Time(time) + ' ' + Offset(time.utcOffsetMinutes, false);
}

std::string ChannelName(int channel)
{
    if (channel == kMasterChannel)
        return "Master";
    if (channel > kMasterChannel && channel <= kLastSlaveChannel)
        return "Slave " + std::to_string(channel);
    return "Channel " + std::to_string(channel);
}

std::string AxisName(int xAxisMode)
{
    return xAxisMode == kRamanShiftAxis ? "Raman shift (cm-1)" : "wavelength (nm)";
}

std::vector<MetadataEntry> DescribeSpectrum(const SpectrumFacts& facts)
{
    std::vector<MetadataEntry> entries;
    entries.push_back({"Program", "", std::string(kProgramName) + ' ' + kProgramVersion});
    entries.push_back({"Date", "", IsoDateTime(facts.written)});

    if (facts.sourceFile.empty()) {
        entries.push_back({"Source", "$SOURCE", "live acquisition"});
    } else {
        entries.push_back({"Source", "$SOURCE", "opened file"});
        entries.push_back({"Source file", "$SOURCE FILE", facts.sourceFile});
    }

    if (facts.acquisitionKnown) {
        entries.push_back({"Channel", "$CHANNEL", ChannelName(facts.channel)});
        entries.push_back({"Integration time (ms)", "$INTEGRATION TIME MS", std::to_string(facts.integrationTimeMs)});
        entries.push_back({"Averages", "$AVERAGES", std::to_string(facts.averages)});
        entries.push_back({"Boxcar", "$BOXCAR", std::to_string(facts.boxcar)});
    }
    if (facts.acquisitionKnown || facts.calibrationKnown)
        entries.push_back({"Laser wavelength (nm)", "$LASER WAVELENGTH NM", ShortestText(facts.laserWavelength)});
    if (facts.acquisitionKnown) {
        // What was done to the intensities, one entry each; a new treatment
        // of the spectrum adds its line here.
        entries.push_back({"Dark subtracted", "$DARK SUBTRACTED", YesNo(facts.darkSubtracted)});
        entries.push_back({"Additive scans", "$ADDITIVE SCANS", std::to_string(facts.additiveScans)});
        entries.push_back({"Spikes removed", "$SPIKES REMOVED", YesNo(facts.spikesRemoved)});
    }
    entries.push_back({"Baseline subtracted", "$BASELINE SUBTRACTED", YesNo(facts.baselineSubtracted)});
    if (facts.baselineSubtracted) {
        entries.push_back({"Baseline smoothness", "$BASELINE SMOOTHNESS", ShortestText(facts.baselineSmoothness)});
        entries.push_back({"Baseline asymmetry", "$BASELINE ASYMMETRY", ShortestText(facts.baselineAsymmetry)});
        entries.push_back({"Baseline cut-on (cm-1)", "$BASELINE CUTON 1/CM", ShortestText(facts.baselineCutOn)});
    }

    if (facts.calibrationKnown) {
        // wavelength(i) = intercept + first·i + second·i² + third·i³ in nm.
        entries.push_back({"Calibration intercept (nm)", "$CALIBRATION INTERCEPT", ShortestText(facts.calIntercept)});
        entries.push_back({"Calibration first (nm/pixel)", "$CALIBRATION FIRST", ShortestText(facts.calFirst)});
        entries.push_back({"Calibration second (nm/pixel^2)", "$CALIBRATION SECOND", ShortestText(facts.calSecond)});
        entries.push_back({"Calibration third (nm/pixel^3)", "$CALIBRATION THIRD", ShortestText(facts.calThird)});
    } else {
        entries.push_back({"X values", "$X VALUES", "as read from an opened spectrum file"});
    }
    entries.push_back({"X axis shown", "", AxisName(facts.xAxisMode)});
    return entries;
}

}  // namespace vexlar::files
