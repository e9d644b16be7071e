#include "MonotonicTime.h"
#include "hal/cpp/fpga_clock.h"

hal::fpga_clock::time_point hal::fpga_clock::now() noexcept {
  return time_point(duration(korvane::platform::monotonicMicros()));
}
