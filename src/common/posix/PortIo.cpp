#include "common/PortIo.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "common/Sleep.h"

namespace korvane {

namespace {

using Clock = std::chrono::steady_clock;

int millisecondsUntil(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count()));
}

// Bytes still queued for transmission; 0 when the driver cannot tell (pseudo-terminals).
int queuedForOutput(int fd) {
  int queued = 0;
  return ioctl(fd, TIOCOUTQ, &queued) == 0 ? queued : 0;
}

// A byte takes about 87 µs at 115200 baud; waiting that long per queued byte (at least 1 ms)
// wakes a few times per drain instead of polling the queue.
constexpr int64_t kMicrosPerQueuedByte = 90;

}  // namespace

WriteResult writeAllBefore(int fd, const unsigned char* data, size_t len,
                           Clock::time_point deadline) {
  while (len > 0) {
    ssize_t written = write(fd, data, len);
    if (written >= 0) {
      data += written;
      len -= static_cast<size_t>(written);
      continue;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN) return WriteResult::Failed;
    pollfd entry{fd, POLLOUT, 0};
    int timeoutMs = millisecondsUntil(deadline);
    if (timeoutMs == 0 || poll(&entry, 1, timeoutMs) == 0) return WriteResult::TimedOut;
  }
  while (int queued = queuedForOutput(fd)) {
    if (Clock::now() >= deadline) return WriteResult::TimedOut;
    int64_t pause = std::max<int64_t>(1000, queued * kMicrosPerQueuedByte);
    int64_t left =
        std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
    sleepMicroseconds(std::min(pause, std::max<int64_t>(left, 0)));
  }
  return WriteResult::Done;
}

const char* describePort(int fd, char* buffer, size_t size) {
  char link[64];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  ssize_t length = readlink(link, buffer, size - 1);
  if (length <= 0) {
    std::snprintf(buffer, size, "fd %d", fd);
  } else {
    buffer[length] = '\0';
  }
  return buffer;
}

}  // namespace korvane
