#pragma once
// The control bar's events as the frame forwards them to the view, and the
// acquisition command ids.

namespace vexlar {

// Message from the frame to its windows: a control-bar event, its kind in
// wParam.
constexpr unsigned WM_BAR_PARAM = 0x0400 + 505;  // 1529

enum BarParam : int {
    BAR_INTEGRATION_TIME_EDITED = 0,  // integration-time field lost the focus
    BAR_INTEGRATION_TIME_CHOSEN = 1,  // integration-time list closed
    BAR_AVERAGE_EDITED = 2,
    BAR_BOXCAR_EDITED = 3,
    BAR_CONTINUOUS = 4,
    BAR_ADDITIVE = 5,
    BAR_CHANNEL_CHOSEN = 6,
    BAR_LASER_WAVELENGTH_EDITED = 7,
    BAR_X_AXIS_CHOSEN = 8,
    BAR_LASER_CLICKED = 9,
};

}  // namespace vexlar
