#include "PseudoTerminal.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <thread>

namespace korvane::test {

PseudoTerminal::PseudoTerminal() {
  int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (master < 0) return;
  char name[128];
  if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0) {
    close(master);
    return;
  }
  int held = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (held < 0) {
    close(master);
    return;
  }
  termios settings{};
  tcgetattr(held, &settings);
  cfmakeraw(&settings);
  tcsetattr(held, TCSANOW, &settings);
  master_ = master;
  held_ = held;
  path_ = name;
}

PseudoTerminal::~PseudoTerminal() {
  hangUp();
}

bool PseudoTerminal::write(const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    if (master_ == -1) return false;
    ssize_t count = ::write(master_, bytes.data() + done, bytes.size() - done);
    if (count > 0) {
      done += static_cast<size_t>(count);
    } else if (count < 0 && errno != EAGAIN && errno != EINTR) {
      return false;
    } else {
      pollfd entry{master_, POLLOUT, 0};
      if (poll(&entry, 1, 1000) == 0) return false;
    }
  }
  return true;
}

std::string PseudoTerminal::readAtLeast(size_t count, std::chrono::milliseconds timeout) {
  std::string bytes;
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (master_ != -1 && bytes.size() < count) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd entry{master_, POLLIN, 0};
    if (poll(&entry, 1, static_cast<int>(left.count())) <= 0) continue;
    char buffer[512];
    ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n > 0) bytes.append(buffer, static_cast<size_t>(n));
  }
  return bytes;
}

std::string PseudoTerminal::readUntilQuiet(std::chrono::milliseconds quiet) {
  std::string bytes;
  while (master_ != -1) {
    pollfd entry{master_, POLLIN, 0};
    if (poll(&entry, 1, static_cast<int>(quiet.count())) <= 0) break;
    char buffer[512];
    ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n <= 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
  }
  return bytes;
}

int PseudoTerminal::pendingInput() const {
  int count = 0;
  if (held_ == -1 || ioctl(held_, FIONREAD, &count) != 0) return 0;
  return count;
}

bool PseudoTerminal::waitForPendingInput(int count, std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (pendingInput() < count) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

void PseudoTerminal::hangUp() {
  if (held_ != -1) close(held_);
  if (master_ != -1) close(master_);
  held_ = master_ = -1;
}

}  // namespace korvane::test
