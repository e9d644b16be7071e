// The FPGA clock through WPILib 2026's C function, for platforms whose WPILib C++ we cannot call.

#include "port/Clock.h"

#include "hal/HALBase.h"

namespace korvane::port {

int64_t fpgaMicros() {
  int32_t status = 0;
  return static_cast<int64_t>(HAL_GetFPGATime(&status));
}

}  // namespace korvane::port
