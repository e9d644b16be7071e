// The robot's monotonic clock through WPILib 2027's C function (it has no FPGA clock).

#include "port/Clock.h"

#include "wpi/hal/HAL.h"

namespace korvane::port {

int64_t fpgaMicros() {
  return static_cast<int64_t>(HAL_GetMonotonicTime());
}

}  // namespace korvane::port
