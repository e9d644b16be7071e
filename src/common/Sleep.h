#pragma once

// Sleeping that resumes after signals: a nanosleep cut short by EINTR goes on with the time
// left; any other failure ends the sleep early. Used by every driver that pauses.

#include <cerrno>
#include <cstdint>
#include <ctime>

namespace korvane {

inline void sleepMicroseconds(int64_t micros) {
  if (micros <= 0) return;
  timespec request{static_cast<time_t>(micros / 1000000),
                   static_cast<long>((micros % 1000000) * 1000)};
  while (nanosleep(&request, &request) != 0 && errno == EINTR) {
  }
}

inline void sleepMilliseconds(int64_t milliseconds) {
  sleepMicroseconds(milliseconds * 1000);
}

}  // namespace korvane
