#pragma once
// What a reading of the local clock holds, whichever clock gave it.

namespace veyra {

// One reading of the local clock.
struct ClockReading {
    int year = 0;
    int month = 0; // 1..12
    int day = 0;   // 1..31
    int hour = 0;  // 0..23
    int minute = 0;
    int second = 0;
};

} // namespace veyra
