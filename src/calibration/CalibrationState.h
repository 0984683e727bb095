#pragma once
// The calibration as the view holds it: the cubic wavelength calibration of
// each of the eight channels and the laser line the Raman shifts are
// measured from, with the types the settings file gives them.

#include "calibration/Axes.h"
#include "calibration/SettingsFile.h"

namespace vexlar::calibration {

struct CalibrationState {
    // nm; positive and finite (the settings loader and the laser field
    // refuse anything else).
    float laserWavelength = 632.8f;
    // cm-1, from laserWavelength.
    float laserWavenumber = 0.0f;
    // Per channel: wavelength = intercept + first i + second i^2 + third i^3.
    float calFirst[settings::kCalibratedChannels] = {};
    float calSecond[settings::kCalibratedChannels] = {};
    float calThird[settings::kCalibratedChannels] = {};
    float calIntercept[settings::kCalibratedChannels] = {};
};

// The coefficients of one channel (0 to 7).
inline Coefficients ChannelCoefficients(const CalibrationState& c, int channel)
{
    return {c.calIntercept[channel], c.calFirst[channel], c.calSecond[channel], c.calThird[channel]};
}

}  // namespace vexlar::calibration
