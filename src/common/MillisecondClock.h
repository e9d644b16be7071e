#pragma once

// Times in whole milliseconds on a 32-bit count that wraps (after about 49 days), as the HAL
// stamps received CAN frames. Differences are taken across the wrap; two times compared are
// assumed less than about 24 days apart.
//
// Two clocks: the HAL's CAN receive clock (port/Can.h), which the stamps of received frames are
// in, and the library's monotonic clock for everything the library times itself.
//
// Threading: any thread.

#include <chrono>
#include <cstdint>

#include "port/Can.h"

namespace korvane {

inline uint32_t canMilliseconds() {
  return port::can::receiveClockMs();
}

// A time of the monotonic clock in the library's milliseconds.
inline uint32_t libraryMillisecondsAt(std::chrono::steady_clock::time_point time) {
  return static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count());
}

inline uint32_t libraryMilliseconds() {
  return libraryMillisecondsAt(std::chrono::steady_clock::now());
}

// Milliseconds from `from` to `to`; negative when `to` is earlier.
inline int32_t millisecondsBetween(uint32_t from, uint32_t to) {
  return static_cast<int32_t>(to - from);
}

inline bool isBefore(uint32_t a, uint32_t b) {
  return millisecondsBetween(b, a) < 0;
}

}  // namespace korvane
