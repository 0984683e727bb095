#pragma once
// Numbers the program shows, reads and writes use the decimal point and no
// digit grouping, whatever language the operator's desktop is set to: a
// laser wavelength of 632.8 nm must never be shown as "632,8" and then read
// back as 632.

namespace vexlar {

// Sets the number conventions of the whole process: the C library's numeric
// locale (printf, strtod and friends, in every thread) and Qt's default
// locale (widgets, the chart's axis labels) both become those of "C". Only
// numbers change: the character set and every other convention of the
// operator's language stay. Called once at start, after the application
// object has taken the language from the environment and before any window
// exists.
void UseDecimalPointForNumbers();

}  // namespace vexlar
