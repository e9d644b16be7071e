#include "KorvaneSerial.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <iostream>
#include <vector>

#include "common/ConsoleLine.h"
#include "common/PortIo.h"
#include "common/StopSignal.h"
#include "serial/DevicePath.h"

namespace {

constexpr int kReadWaitMs = 5;

speed_t baudToConstant(int baud) {
  switch (baud) {
    case 9600:
      return B9600;
    case 19200:
      return B19200;
    case 38400:
      return B38400;
    case 57600:
      return B57600;
    case 230400:
      return B230400;
    case 460800:
      return B460800;
    case 921600:
      return B921600;
    default:
      return B115200;
  }
}

void reportError(const char* tag, const std::string& what) {
  korvane::printLine(std::cerr, std::string("[") + tag + "] " + what + ": " + std::strerror(errno));
}

}  // namespace

namespace korvane::serial {

std::string findDevicePathIn(const std::string& directory, int index,
                             const std::string& fallbackPrefix) {
  std::vector<std::string> candidates;
  if (DIR* dir = opendir(directory.c_str())) {
    while (dirent* entry = readdir(dir)) {
      const char* name = entry->d_name;
      if (std::strncmp(name, "ttyUSB", 6) == 0 || std::strncmp(name, "ttyACM", 6) == 0) {
        candidates.push_back(directory + "/" + name);
      }
    }
    closedir(dir);
  }
  std::sort(candidates.begin(), candidates.end());
  size_t position = index == 3 ? 1 : 0;
  if (candidates.size() > position) return candidates[position];
  return fallbackPrefix + (index == 3 ? "1" : "0");
}

}  // namespace korvane::serial

int KorvaneSerial::Open(const std::string& path, int baud, const char* tag) {
  int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    reportError(tag, "Cannot open " + path);
    return -1;
  }
  termios settings;
  std::memset(&settings, 0, sizeof settings);
  if (tcgetattr(fd, &settings) != 0) {
    reportError(tag, "tcgetattr");
    close(fd);
    return -1;
  }
  cfmakeraw(&settings);
  speed_t speed = baudToConstant(baud);
  cfsetispeed(&settings, speed);
  cfsetospeed(&settings, speed);
  settings.c_cflag |= CLOCAL | CREAD | CS8;
  settings.c_cflag &= ~(CSTOPB | PARENB | CRTSCTS);
  settings.c_iflag &= ~(IXON | IXOFF | IXANY);
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
  if (tcsetattr(fd, TCSANOW, &settings) != 0) {
    reportError(tag, "tcsetattr");
    close(fd);
    return -1;
  }
  tcflush(fd, TCIOFLUSH);
  return fd;
}

void KorvaneSerial::Close(int fd) {
  if (fd != -1) close(fd);
}

KorvaneSerial::WriteOutcome KorvaneSerial::WriteWithin(int fd, const unsigned char* data, int len) {
  if (fd == -1 || data == nullptr || len <= 0) return WriteOutcome::Failed;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWriteDeadlineMs);
  switch (korvane::writeAllBefore(fd, data, static_cast<size_t>(len), deadline)) {
    case korvane::WriteResult::Done:
      return WriteOutcome::Done;
    case korvane::WriteResult::TimedOut:
      return WriteOutcome::TimedOut;
    default:
      return WriteOutcome::Failed;
  }
}

bool KorvaneSerial::Write(int fd, const unsigned char* data, int len) {
  WriteOutcome result = WriteWithin(fd, data, len);
  if (result == WriteOutcome::TimedOut) {
    char port[256];
    korvane::printLine(std::cerr, std::string("[KorvaneSerial] Write to ") +
                                      korvane::describePort(fd, port, sizeof port) +
                                      " gave up after " + std::to_string(kWriteDeadlineMs) +
                                      " ms: the port is not draining");
  }
  return result == WriteOutcome::Done;
}

int KorvaneSerial::Read(int fd, unsigned char* buf, int size) {
  return std::max(ReadWithin(fd, buf, size, kReadWaitMs), 0);
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

int KorvaneSerial::ReadOrStop(int fd, unsigned char* buf, int size,
                              const korvane::StopSignal& stop) {
  if (fd == -1 || buf == nullptr || size <= 0) return -1;
  while (true) {
    korvane::PortEvent event = korvane::waitForInput(fd, stop, -1);
    if (event == korvane::PortEvent::Stop) return 0;
    if (event != korvane::PortEvent::Input) break;
    ssize_t count = read(fd, buf, static_cast<size_t>(size));
    if (count > 0) return static_cast<int>(count);
    if (count == 0 || (errno != EAGAIN && errno != EINTR)) break;
  }
  return stop.waitFor(kFailedPortPauseMs) ? 0 : -1;
}

void KorvaneSerial::FlushRx(int fd) {
  if (fd != -1) tcflush(fd, TCIFLUSH);
}

bool KorvaneSerial::WriteLine(int fd, const std::string& line) {
  std::string text = line;
  if (text.empty() || text.back() != '\n') text += "\r\n";
  return Write(fd, reinterpret_cast<const unsigned char*>(text.data()),
               static_cast<int>(text.size()));
}

std::string KorvaneSerial::FindDevicePath(int index) {
  return korvane::serial::findDevicePathIn(korvane::serial::deviceDirectory(), index);
}
