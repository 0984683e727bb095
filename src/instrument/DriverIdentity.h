#pragma once
// Which spectrometer driver the program runs on. The built-in driver library
// drives a simulated spectrometer with no laser attached; a vendor library
// put in its place drives real hardware and a real laser.

#include <string>

namespace vexlar {

// True only when the loaded driver library (the one that provides
// QDV_SingleScan) is Vexlar's own simulated spectrometer: it exports
// QdvSim_Identity and that returns exactly the simulator's identity text. A
// vendor library cannot answer so by accident; anything else is taken for
// real hardware.
bool DriverIsBuiltInSimulator();

// When the driver is the simulated spectrometer: why it could not read its
// own settings file at registration (the path and the reason), to be told
// to the operator as the program's own settings problems are. Empty when it
// read the file, or for any other driver.
std::string DriverSettingsProblem();

}  // namespace vexlar
