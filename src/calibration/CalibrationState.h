#pragma once
// The calibration as the view holds it: the calibration table of the eight
// channels and the laser line the Raman shifts are measured from, with the
// types the settings file gives them.

#include "calibration/CalibrationTable.h"

namespace vexlar::calibration {

struct CalibrationState {
    // nm; positive and finite (the settings loader and the laser field
    // refuse anything else).
    float laserWavelength = 632.8f;
    // cm-1, from laserWavelength.
    float laserWavenumber = 0.0f;
    CalibrationTable table;
};

// The coefficients of one channel (0 to 7).
inline Coefficients ChannelCoefficients(const CalibrationState& c, int channel)
{
    return ChannelCoefficients(c.table, channel);
}

}  // namespace vexlar::calibration
