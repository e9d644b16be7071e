#pragma once

// Sleeping for a number of micro- or milliseconds, used by every driver that pauses. On Linux a
// sleep cut short by a signal goes on with the time left; on Windows the sleep has the resolution
// of a high-resolution timer, not the scheduler's 15.6 ms tick.

#include <cstdint>

namespace korvane {

void sleepMicroseconds(int64_t micros);

inline void sleepMilliseconds(int64_t milliseconds) {
  sleepMicroseconds(milliseconds * 1000);
}

}  // namespace korvane
