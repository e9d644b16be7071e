#include "MonotonicTime.h"

#include <chrono>

namespace korvane::platform {

int64_t monotonicMicros() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace korvane::platform
