#pragma once
/*
 * Controls of the simulated spectrometer that a vendor driver does not have,
 * for tests and automated runs. The program itself never calls them.
 */

#include "QdvDriver.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The next `count` scans to start (of any client) fail: each posts
   WM_DRIVER_NOTIFY instead of WM_SCAN_COMPLETE and writes nothing. A count
   of 0 clears what is outstanding; a negative count is refused. Returns
   QDV_OK, or QDV_ERR_BAD_VALUE for a negative count. */
QDV_API int16_t QdvSim_ForceFaults(int count);

/* 1 while the laser strobe is on, 0 while it is off. */
QDV_API int QdvSim_StrobeState(void);

#ifdef __cplusplus
}
#endif
