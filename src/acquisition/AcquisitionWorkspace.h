#pragma once
// The acquisition workspace as the view holds it: the buffers the driver
// fills, the processed and dark spectra, the three x axes, and which of them
// are in use (the selected channel, the channels configured, the x axis
// shown).
//
// Plain fixed-size arrays in one block made with the view: nothing is
// allocated while scanning, and every array starts at zero, so nothing
// undefined can reach the screen before the driver's first scan.
//
// The driver's thread writes only the raw buffer of the channel it scans
// (through the addresses the view puts in the parameter block); everything
// else here is read and written on the user-interface thread.

#include <cstdint>

#include "QdvDriver.h"
#include "calibration/Axes.h"

namespace vexlar {

// Detector pixels in each spectrum and channels the driver can read.
constexpr int kPixels = calibration::kPixels;
constexpr int kChannels = QDV_CHANNELS;
static_assert(kPixels == QDV_PIXELS, "a spectrum has one value per pixel of the driver's buffer");

namespace acquisition {

struct AcquisitionWorkspace {
    // One buffer per channel, 0 master, 1 to 7 slave 1 to 7, written only by
    // the driver. The driver is given the address of each row and fills
    // QDV_PIXELS floats there.
    float raw[kChannels][kPixels] = {};
    // What the chart shows, saved, exported and searched for peaks.
    double spectrum[kPixels] = {};
    // The stored dark spectrum (Store Dark, or the timed series' dark scan).
    double dark[kPixels] = {};
    // nm, from the selected channel's calibration.
    double wavelength[kPixels] = {};
    // Absolute wavenumber, cm-1.
    double wavenumber[kPixels] = {};
    // cm-1 from the laser line.
    double ramanShift[kPixels] = {};

    // The selected channel: the raw buffer that becomes the spectrum and the
    // calibration the axes come from. The settings file's type; 0 to 7 after
    // loading.
    std::int16_t channel = 0;
    // The channels configured (Configure Spectrometer), as the settings file
    // holds it.
    int numChannels = 1;
    // 0: the spectrum is shown against wavelength; 1: against Raman shift.
    int xAxisMode = 0;
};

// The driver writes a whole channel's buffer at the address it is given: the
// rows are contiguous, one after another, with nothing between them.
static_assert(sizeof(AcquisitionWorkspace::raw) == sizeof(float) * QDV_CHANNELS * QDV_PIXELS,
              "the raw buffers are the driver's eight rows of QDV_PIXELS floats");
static_assert(sizeof(AcquisitionWorkspace::raw[0]) == sizeof(float) * QDV_PIXELS,
              "each channel's buffer holds exactly one scan");

}  // namespace acquisition
}  // namespace vexlar
