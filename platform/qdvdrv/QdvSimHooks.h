#pragma once
/*
 * Controls of the simulated spectrometer that a vendor driver does not have,
 * for tests and automated runs. The program itself calls none of them
 * directly; it only looks QdvSim_Identity and QdvSim_SettingsProblem up in
 * the loaded library.
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

/* The built-in library's answer to "which driver is this?": always
   QDVSIM_IDENTITY. Vexlar looks it up by name in the loaded driver library;
   only a library that returns exactly this text is taken for the simulated
   spectrometer, with no laser attached. A vendor library has no such call. */
#define QDVSIM_IDENTITY "Vexlar simulated spectrometer, no laser attached"
QDV_API const char* QdvSim_Identity(void);

/* Why the simulated spectrometer could not read its settings file,
   qdvdrv.ini, when the last client registered: a sentence naming the file's
   path and the reason, saying that the default set-up is in use; an empty
   text when the file was read or does not exist. The text stays as it is
   until the next call. Vexlar looks it up by name, as QdvSim_Identity, and
   tells the operator. */
QDV_API const char* QdvSim_SettingsProblem(void);

/* With VEXLAR_SIM_STROBE_LOG naming a file, every QDV_V7400StrobeEnable call
   appends a line "on" or "off" to it, so that tests can see the strobe line
   from outside the program. */

#ifdef __cplusplus
}
#endif
