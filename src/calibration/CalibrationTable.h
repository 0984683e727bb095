#pragma once
// The calibration table: the cubic wavelength calibration of each of the
// eight channels, as the settings file's channel sections hold it. One copy
// lives in the view; the Spectrometer Configuration dialog and the lamp
// calibration edit a copy of it, and the settings file is loaded into and
// saved from it. Plain C++.

#include "calibration/Axes.h"

namespace vexlar::calibration {

// The master and seven slaves.
constexpr int kCalibratedChannels = 8;

struct CalibrationTable {
    // Per channel: wavelength = intercept + first i + second i^2 + third i^3.
    float calFirst[kCalibratedChannels] = {};
    float calSecond[kCalibratedChannels] = {};
    float calThird[kCalibratedChannels] = {};
    float calIntercept[kCalibratedChannels] = {};

    bool operator==(const CalibrationTable&) const = default;
};

// The coefficients of one channel (0 to 7).
inline Coefficients ChannelCoefficients(const CalibrationTable& table, int channel)
{
    return {table.calIntercept[channel], table.calFirst[channel], table.calSecond[channel], table.calThird[channel]};
}

// Sets the coefficients of one channel (0 to 7).
inline void SetChannelCoefficients(CalibrationTable& table, int channel, const Coefficients& c)
{
    table.calIntercept[channel] = c.intercept;
    table.calFirst[channel] = c.first;
    table.calSecond[channel] = c.second;
    table.calThird[channel] = c.third;
}

}  // namespace vexlar::calibration
