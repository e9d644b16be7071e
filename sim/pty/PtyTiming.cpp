#include <algorithm>

#include "sim/pty/PtyDevice.h"

namespace korvane::sim {

std::chrono::nanoseconds lineTime(size_t bytes, int baud) {
  return std::chrono::nanoseconds(static_cast<int64_t>(bytes) * 10 * 1'000'000'000 / baud);
}

int millisecondsUntil(std::chrono::steady_clock::time_point when) {
  auto left = std::chrono::ceil<std::chrono::milliseconds>(when - std::chrono::steady_clock::now());
  return static_cast<int>(std::max<int64_t>(left.count(), 0));
}

}  // namespace korvane::sim
