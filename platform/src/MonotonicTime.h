#pragma once

#include <cstdint>

namespace korvane::platform {

// Microseconds of the monotonic clock: the time base of the FPGA clock and of every record the
// simulated buses keep.
int64_t monotonicMicros();

}  // namespace korvane::platform
