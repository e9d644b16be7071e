#include "sim/pty/PtyDevice.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace korvane::sim {
namespace {

speed_t speedOf(int baud) {
  switch (baud) {
    case 9600:
      return B9600;
    case 57600:
      return B57600;
    case 115200:
      return B115200;
    case 230400:
      return B230400;
    case 460800:
      return B460800;
    case 921600:
      return B921600;
    default:
      return B0;
  }
}

void closeIfOpen(int& fd) {
  if (fd != -1) ::close(fd);
  fd = -1;
}

}  // namespace

std::unique_ptr<PtyDevice> PtyDevice::open(int baud) {
  const speed_t speed = speedOf(baud);
  int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (master < 0) return nullptr;
  char name[128];
  if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0) {
    ::close(master);
    return nullptr;
  }
  int slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (slave < 0) {
    ::close(master);
    return nullptr;
  }
  termios settings{};
  tcgetattr(slave, &settings);
  cfmakeraw(&settings);  // no echo of what the device sends, no line editing
  if (speed != B0) {
    cfsetispeed(&settings, speed);
    cfsetospeed(&settings, speed);
  }
  tcsetattr(slave, TCSANOW, &settings);
  int wake[2];
  if (pipe2(wake, O_NONBLOCK | O_CLOEXEC) != 0) {
    ::close(slave);
    ::close(master);
    return nullptr;
  }
  return std::unique_ptr<PtyDevice>(new PtyDevice(master, slave, name, wake[0], wake[1]));
}

PtyDevice::PtyDevice(int master, int slave, std::string path, int wakeRead, int wakeWrite)
    : master_(master),
      slave_(slave),
      wakeRead_(wakeRead),
      wakeWrite_(wakeWrite),
      path_(std::move(path)) {}

PtyDevice::~PtyDevice() {
  hangUp();
  closeIfOpen(wakeRead_);
  closeIfOpen(wakeWrite_);
}

void PtyDevice::run(std::function<void()> body) {
  std::lock_guard lock(threadMutex_);
  if (stopping_ || thread_.joinable()) return;
  thread_ = std::thread(std::move(body));
}

void PtyDevice::wake() {
  char byte = 1;
  (void)!::write(wakeWrite_, &byte, 1);
}

void PtyDevice::drainWake() {
  char drain[64];
  while (::read(wakeRead_, drain, sizeof drain) > 0) {
  }
}

bool PtyDevice::waitForInput(int timeoutMs) {
  pollfd fds[2] = {{master_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
  poll(fds, 2, timeoutMs);
  if (fds[1].revents != 0) drainWake();
  return (fds[0].revents & POLLIN) != 0;
}

bool PtyDevice::waitForWake(int timeoutMs) {
  pollfd wake{wakeRead_, POLLIN, 0};
  if (poll(&wake, 1, timeoutMs) <= 0) return false;
  drainWake();
  return true;
}

std::string PtyDevice::readAvailable() {
  std::string bytes;
  char buffer[256];
  while (true) {
    ssize_t count = ::read(master_, buffer, sizeof buffer);
    if (count <= 0) return bytes;
    bytes.append(buffer, static_cast<size_t>(count));
  }
}

bool PtyDevice::writeAll(const char* data, size_t size, int timeoutMs) {
  std::lock_guard writer(writeMutex_);
  if (master_ == -1) return false;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  size_t done = 0;
  while (done < size) {
    ssize_t count = ::write(master_, data + done, size - done);
    if (count > 0) {
      done += static_cast<size_t>(count);
      continue;
    }
    if (count < 0 && errno != EAGAIN && errno != EINTR) return false;
    int left = millisecondsUntil(deadline);
    if (left <= 0) return false;
    pollfd entry{master_, POLLOUT, 0};
    poll(&entry, 1, left);
  }
  return true;
}

void PtyDevice::stop() {
  std::lock_guard lock(threadMutex_);
  stopping_ = true;
  wake();
  if (thread_.joinable()) thread_.join();
}

void PtyDevice::close() {
  std::lock_guard writer(writeMutex_);
  closeIfOpen(master_);
  closeIfOpen(slave_);
}

void PtyDevice::hangUp() {
  stop();
  close();
}

}  // namespace korvane::sim
