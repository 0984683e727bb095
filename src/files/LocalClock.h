#pragma once
// The operator's clock, for the date and time the exchange files state.

#include "files/SpectrumMetadata.h"

namespace vexlar::files {

LocalTime CurrentLocalTime();

}  // namespace vexlar::files
