// Opening, reading and flushing a serial port with termios and poll.

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>

#include "KorvaneSerial.h"
#include "common/ConsoleLine.h"
#include "common/StopSignal.h"
#include "serial/posix/RawTty.h"

namespace {

void reportError(const char* tag, const std::string& what) {
  korvane::printLine(std::cerr, std::string("[") + tag + "] " + what + ": " + std::strerror(errno));
}

enum class PortEvent { Input, Stop, HungUp, Timeout };

// Blocks until the port has input, stop is requested, the device hangs up or timeoutMs passes
// (-1: no limit). A stop request wins over waiting input.
PortEvent waitForInput(int fd, const korvane::StopSignal& stop, int timeoutMs) {
  pollfd entries[2] = {{static_cast<int>(stop.native()), POLLIN, 0}, {fd, POLLIN, 0}};
  int ready;
  while ((ready = poll(entries, 2, timeoutMs)) < 0 && errno == EINTR) {
  }
  if (stop.requested()) return PortEvent::Stop;
  if (ready == 0) return PortEvent::Timeout;
  if (ready < 0) return PortEvent::HungUp;
  if (entries[1].revents & POLLIN) return PortEvent::Input;
  return PortEvent::HungUp;
}

}  // namespace

int KorvaneSerial::Open(const std::string& path, int baud, const char* tag) {
  int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    reportError(tag, "Cannot open " + path);
    return -1;
  }
  if (const char* failed = korvane::serial::configureRawTty(fd, baud)) {
    reportError(tag, failed);
    close(fd);
    return -1;
  }
  tcflush(fd, TCIOFLUSH);
  return fd;
}

void KorvaneSerial::Close(int fd) {
  if (fd != -1) close(fd);
}

int KorvaneSerial::ReadWithin(int fd, unsigned char* buf, int size, int waitMs) {
  if (fd == -1 || buf == nullptr || size <= 0) return 0;
  pollfd entry{fd, POLLIN, 0};
  int ready;
  while ((ready = poll(&entry, 1, waitMs)) < 0 && errno == EINTR) {
  }
  if (ready == 0) return 0;
  if (ready < 0) return -1;
  ssize_t count = read(fd, buf, static_cast<size_t>(size));
  if (count > 0) return static_cast<int>(count);
  if (count < 0 && (errno == EAGAIN || errno == EINTR)) return 0;
  if (count == 0) errno = EIO;  // readable without bytes: the other end is gone
  return -1;
}

int KorvaneSerial::Available(int fd) {
  if (fd == -1) return 0;
  int count = 0;
  ioctl(fd, FIONREAD, &count);
  return count;
}

int KorvaneSerial::ReadOrStop(int fd, unsigned char* buf, int size, const korvane::StopSignal& stop,
                              int waitMs) {
  if (fd == -1 || buf == nullptr || size <= 0) return -1;
  while (true) {
    PortEvent event = waitForInput(fd, stop, waitMs);
    if (event == PortEvent::Stop || event == PortEvent::Timeout) return 0;
    if (event != PortEvent::Input) break;
    ssize_t count = read(fd, buf, static_cast<size_t>(size));
    if (count > 0) return static_cast<int>(count);
    if (count == 0 || (errno != EAGAIN && errno != EINTR)) break;
  }
  return stop.waitFor(kFailedPortPauseMs) ? 0 : -1;
}

void KorvaneSerial::FlushRx(int fd) {
  if (fd != -1) tcflush(fd, TCIFLUSH);
}
