#include "common/StopSignal.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

namespace korvane {

StopSignal::StopSignal() : native_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (native_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
}

StopSignal::~StopSignal() {
  close(static_cast<int>(native_));
}

void StopSignal::request() {
  requested_.store(true);
  uint64_t one = 1;
  while (write(static_cast<int>(native_), &one, sizeof one) < 0 && errno == EINTR) {
  }
}

void StopSignal::reset() {
  uint64_t count = 0;
  while (read(static_cast<int>(native_), &count, sizeof count) < 0 && errno == EINTR) {
  }
  requested_.store(false);
}

bool StopSignal::waitFor(int timeoutMs) const {
  if (requested()) return true;
  pollfd entry{static_cast<int>(native_), POLLIN, 0};
  while (poll(&entry, 1, timeoutMs) < 0 && errno == EINTR) {
  }
  return requested();
}

}  // namespace korvane
