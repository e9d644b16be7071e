#pragma once

// The robot's FPGA clock as the drivers read it.
//
// Threading: any thread.

#include <cstdint>

namespace korvane::port {

// Microseconds of the FPGA clock: monotonic, never set back.
int64_t fpgaMicros();

}  // namespace korvane::port
