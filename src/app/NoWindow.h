#pragma once
// Vexlar without a display: the engine on the simulated spectrometer (or the
// driver installed) and its Tango device, until a signal ends it.

#include "app/CommandLine.h"

namespace vexlar {

// Runs until SIGTERM, SIGINT or another ending signal; the exit status.
int RunWithoutWindow(const CommandLine& options, int argc, char** argv);

}  // namespace vexlar
