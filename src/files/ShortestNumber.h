#pragma once
// Numbers in the data-exchange files (CSV, JCAMP-DX, the series table): the
// shortest decimal text that reads back as exactly the same number, with a
// decimal point whatever the operator's language, so Python, numpy, a
// spreadsheet or another instrument program gets the very value the program
// holds.

#include <string>

namespace vexlar::files {

// Appends value as the shortest text that parses back to the same double
// ("350", "350.5", "0.1", "5e-05", "-12.375"). Not-a-number and infinities
// are written as "nan", "inf" and "-inf", which Python and numpy read.
void AppendShortest(std::string& text, double value);

// The same for a single-precision value (a calibration coefficient, the
// laser wavelength): the shortest text that reads back as that float, so
// 632.8f is written "632.8", as the operator typed it.
void AppendShortest(std::string& text, float value);

std::string ShortestText(double value);
std::string ShortestText(float value);

}  // namespace vexlar::files
