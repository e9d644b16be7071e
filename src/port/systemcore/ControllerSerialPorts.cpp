// The controller's serial ports on Systemcore, whose HAL has none: each HAL port number opens a
// USB serial adapter's tty. A team names the adapter a port is to open with a link
// <location>/korvane/<ONBOARD|MXP|USB1|USB2> (a udev rule's SYMLINK+="korvane/USB1", see the
// README); without one, USB1 and USB2 are the first and second USB serial device listed, as every
// driver that opens a USB device by number lists them, and the on-board and expansion ports, which
// Systemcore does not have, open nothing.
//
// Each handle owns its descriptor until closed; a close wakes a read blocked on it at once, and the
// descriptor is closed when the last reader lets go of it.

#include "port/ControllerSerialPorts.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/StopSignal.h"
#include "serial/DevicePath.h"
#include "serial/posix/RawTty.h"

namespace korvane::port::controller_serial {
namespace {

constexpr int kPorts = 4;
constexpr std::array<const char*, kPorts> kNames = {"ONBOARD", "MXP", "USB1", "USB2"};
constexpr int32_t kFirstHandle = 0x5C00001;
constexpr double kDefaultTimeoutSeconds = 5.0;

struct OpenPort {
  explicit OpenPort(int fd) : fd(fd) {}
  ~OpenPort() { ::close(fd); }
  OpenPort(const OpenPort&) = delete;
  OpenPort& operator=(const OpenPort&) = delete;

  const int fd;
  StopSignal closed;
  std::atomic<double> timeoutSeconds{kDefaultTimeoutSeconds};
};

struct Ports {
  std::mutex mutex;
  std::map<int32_t, std::shared_ptr<OpenPort>> open;
  int32_t next = kFirstHandle;
};

// Never destroyed: a driver thread may still read while the process exits.
Ports& ports() {
  static Ports* instance = new Ports;
  return *instance;
}

std::shared_ptr<OpenPort> find(int32_t handle) {
  Ports& p = ports();
  std::lock_guard lock(p.mutex);
  auto it = p.open.find(handle);
  return it == p.open.end() ? nullptr : it->second;
}

// The tty the port opens; empty when there is none.
std::string pathOf(int32_t port) {
  const std::string location = korvane::serial::deviceDirectory();
  const std::string named = location + "/korvane/" + kNames[static_cast<size_t>(port)];
  if (::access(named.c_str(), F_OK) == 0) return named;
  if (port < 2) return {};
  const std::vector<std::string> devices = korvane::serial::listDevices(location);
  const size_t index = static_cast<size_t>(port - 2);
  return index < devices.size() ? devices[index] : std::string();
}

}  // namespace

int32_t initialize(int32_t port, int32_t* status) {
  *status = 0;
  if (port < 0 || port >= kPorts) {
    *status = -EINVAL;
    return 0;
  }
  const std::string path = pathOf(port);
  if (path.empty()) {
    *status = -ENOENT;
    return 0;
  }
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    *status = -errno;
    return 0;
  }
  try {
    auto opened = std::make_shared<OpenPort>(fd);
    Ports& p = ports();
    std::lock_guard lock(p.mutex);
    const int32_t handle = p.next++;
    p.open.emplace(handle, std::move(opened));
    return handle;
  } catch (const std::exception&) {  // no memory or no eventfd: the descriptor is let go
    *status = -ENOMEM;
    return 0;
  }
}

// Raw 8N1 at the baud rate, no flow control, reads that return what is there (the waiting is done
// with poll, against the timeout and the close).
void configure(int32_t handle, int32_t baudRate, double timeoutSeconds) {
  auto port = find(handle);
  if (!port) return;
  port->timeoutSeconds.store(std::max(timeoutSeconds, 0.0));
  korvane::serial::configureRawTty(port->fd, baudRate);
}

int32_t bytesReceived(int32_t handle, int32_t* status) {
  auto port = find(handle);
  if (!port) {
    *status = -EBADF;
    return 0;
  }
  int waiting = 0;
  if (::ioctl(port->fd, FIONREAD, &waiting) != 0) {
    *status = -errno;
    return 0;
  }
  *status = 0;
  return waiting;
}

int32_t read(int32_t handle, char* buffer, int32_t count, int32_t* status) {
  *status = 0;
  auto port = find(handle);
  if (!port) {
    *status = -EBADF;
    return 0;
  }
  if (buffer == nullptr || count <= 0) return 0;
  using Clock = std::chrono::steady_clock;
  const auto deadline =
      Clock::now() + std::chrono::microseconds(std::llround(port->timeoutSeconds.load() * 1e6));
  int32_t got = 0;
  while (got < count) {
    const ssize_t n = ::read(port->fd, buffer + got, static_cast<size_t>(count - got));
    if (n > 0) {
      got += static_cast<int32_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) {
      *status = -errno;
      break;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0 || port->closed.requested()) break;
    pollfd waits[2] = {{port->fd, POLLIN, 0}, {static_cast<int>(port->closed.native()), POLLIN, 0}};
    const int ready = ::poll(waits, 2, static_cast<int>(left.count()));
    if (ready < 0 && errno != EINTR) {
      *status = -errno;
      break;
    }
    if (waits[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
      *status = -EIO;  // unplugged
      break;
    }
  }
  return got;
}

void close(int32_t handle) {
  std::shared_ptr<OpenPort> port;
  {
    Ports& p = ports();
    std::lock_guard lock(p.mutex);
    auto it = p.open.find(handle);
    if (it == p.open.end()) return;
    port = std::move(it->second);
    p.open.erase(it);
  }
  port->closed.request();
}

}  // namespace korvane::port::controller_serial
