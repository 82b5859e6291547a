#pragma once
// The local clock, as the system keeps it.
#include "support/LocalClock.h"

namespace veyra {

// The local date and time now.
ClockReading ReadLocalClock();

} // namespace veyra
