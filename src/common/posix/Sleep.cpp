#include "common/Sleep.h"

#include <cerrno>
#include <ctime>

namespace korvane {

// A nanosleep cut short by EINTR goes on with the time left; any other failure ends the sleep.
void sleepMicroseconds(int64_t micros) {
  if (micros <= 0) return;
  timespec request{static_cast<time_t>(micros / 1000000),
                   static_cast<long>((micros % 1000000) * 1000)};
  while (nanosleep(&request, &request) != 0 && errno == EINTR) {
  }
}

}  // namespace korvane
