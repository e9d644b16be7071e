#include "MonotonicTime.h"
#include "hal/HALBase.h"
#include "hal/cpp/fpga_clock.h"

hal::fpga_clock::time_point hal::fpga_clock::now() noexcept {
  return time_point(duration(korvane::platform::monotonicMicros()));
}

extern "C" uint64_t HAL_GetFPGATime(int32_t* status) {
  if (status != nullptr) *status = 0;
  return static_cast<uint64_t>(korvane::platform::monotonicMicros());
}
