#include <chrono>

#include "MonotonicTime.h"
#include "hal/cpp/fpga_clock.h"

namespace korvane::platform {

int64_t monotonicMicros() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace korvane::platform

hal::fpga_clock::time_point hal::fpga_clock::now() noexcept {
  return time_point(duration(korvane::platform::monotonicMicros()));
}
