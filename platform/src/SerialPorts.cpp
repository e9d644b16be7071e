// The robot controller's serial ports on ttys, one descriptor per handle, with their records and
// injected failures.

#include "korvane/platform/SerialPorts.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "MonotonicTime.h"
#include "korvane/sim/Serial.h"

namespace korvane::platform::serial {
namespace {

using namespace korvane::sim;

constexpr int kPortCount = 4;
constexpr double kDefaultTimeoutSeconds = 5.0;
constexpr int32_t kFirstHandle = 0x0C00001;
const std::array<const char*, kPortCount> kDefaultPaths = {"/dev/ttyS0", "/dev/ttyS1",
                                                           "/dev/ttyUSB0", "/dev/ttyUSB1"};

// A robot program run against emulated devices in another process (the virtual robot) is pointed
// at them by KORVANE_SIM_SERIAL_PORT_<n>=<path> in its environment, read whenever the ports take
// their defaults.
std::string defaultPath(int port) {
  const std::string name = "KORVANE_SIM_SERIAL_PORT_" + std::to_string(port);
  const char* path = std::getenv(name.c_str());
  return path != nullptr && *path != '\0' ? path : kDefaultPaths[port];
}

// One open handle. The descriptor is closed when the last user lets go, so a reader still inside
// HAL_ReadSerial never reads a descriptor number that was reused.
struct OpenPort {
  OpenPort(int fd, int wake, int port, std::string path)
      : fd(fd), wake(wake), port(port), path(std::move(path)) {}
  ~OpenPort() {
    ::close(fd);
    ::close(wake);
  }
  OpenPort(const OpenPort&) = delete;
  OpenPort& operator=(const OpenPort&) = delete;

  const int fd;
  const int wake;  // eventfd, readable once the handle is closed
  const int port;
  const std::string path;
  std::atomic<bool> closed{false};
  std::atomic<double> timeoutSeconds{kDefaultTimeoutSeconds};
  std::atomic<int32_t> writeMode{1};
  std::atomic<bool> termination{false};
  // A pseudo-terminal carries bytes, not bits: its tty keeps 8 data bits without parity whatever
  // it is told, so the HAL's word format is kept here for it.
  bool pseudoTerminal = false;
  std::atomic<int32_t> dataBits{8};
  std::atomic<int32_t> parity{0};
};

// UNIX 98 pseudo-terminal slaves have majors 136 to 143.
bool isPseudoTerminal(int fd) {
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode)) return false;
  unsigned int kind = major(info.st_rdev);
  return kind >= 136 && kind <= 143;
}

struct Failure {
  int remaining = 0;  // < 0: every call
  int32_t status = 0;
};

struct Ports {
  std::mutex mutex;
  std::condition_variable recorded;
  std::deque<SerialCallRecord> log;
  size_t logBytes = 0;  // bytes read or written that the log holds
  uint64_t callsTotal = 0;
  std::array<std::string, kPortCount> paths;
  std::map<int32_t, std::shared_ptr<OpenPort>> handles;
  int32_t nextHandle = kFirstHandle;
  std::array<Failure, kSerialCallCount> failures{};
  Ports() {
    for (int i = 0; i < kPortCount; ++i) paths[i] = defaultPath(i);
  }
};

// Never destroyed: driver threads may still read while the process exits.
Ports& ports() {
  static Ports* instance = new Ports;
  return *instance;
}

// Under the lock.
bool injectedFailure(Ports& p, SerialCall call, int32_t* status) {
  Failure& f = p.failures[static_cast<int>(call)];
  if (f.remaining == 0) return false;
  if (f.remaining > 0) --f.remaining;
  if (status) *status = f.status;
  return true;
}

void record(SerialCallRecord entry) {
  entry.timestampUs = platform::monotonicMicros();
  Ports& p = ports();
  {
    std::lock_guard lock(p.mutex);
    p.logBytes += entry.bytes.size();
    p.log.push_back(std::move(entry));
    while (p.log.size() > kSerialLogCapacity ||
           (p.logBytes > kSerialLogBytes && p.log.size() > 1)) {
      p.logBytes -= p.log.front().bytes.size();
      p.log.pop_front();
    }
    ++p.callsTotal;
  }
  p.recorded.notify_all();
}

void setStatus(int32_t* status, int32_t value) {
  if (status) *status = value;
}

// The handle's port, or null after setting the status for an unknown or closed handle (or an
// injected failure).
std::shared_ptr<OpenPort> lookUp(SerialCall call, int32_t handle, int32_t* status) {
  Ports& p = ports();
  std::lock_guard lock(p.mutex);
  int32_t injected = 0;
  if (injectedFailure(p, call, &injected)) {
    setStatus(status, injected);
    return nullptr;
  }
  auto it = p.handles.find(handle);
  if (it == p.handles.end()) {
    setStatus(status, kSerialHandleError);
    return nullptr;
  }
  setStatus(status, 0);
  return it->second;
}

SerialCallRecord entryFor(SerialCall call, int32_t handle, const OpenPort* port, double value) {
  SerialCallRecord entry;
  entry.call = call;
  entry.handle = handle;
  entry.port = port ? port->port : -1;
  entry.value = value;
  return entry;
}

struct BaudName {
  int32_t baud;
  speed_t speed;
};
constexpr BaudName kBauds[] = {{1200, B1200},     {2400, B2400},     {4800, B4800},
                               {9600, B9600},     {19200, B19200},   {38400, B38400},
                               {57600, B57600},   {115200, B115200}, {230400, B230400},
                               {460800, B460800}, {921600, B921600}};

// Changes the tty's settings; 0 or a negative status.
int32_t changeSettings(int fd, const std::function<bool(termios&)>& change) {
  termios settings{};
  if (tcgetattr(fd, &settings) != 0) return -errno;
  if (!change(settings)) return kSerialParameterOutOfRange;
  if (tcsetattr(fd, TCSANOW, &settings) != 0) return -errno;
  return 0;
}

// Data bits and parity: a pseudo-terminal refuses or ignores them, so for one only the value is
// checked and kept.
void applySetting(SerialCall call, int32_t handle, double value,
                  const std::function<bool(termios&)>& change, int32_t* status,
                  const std::function<void(OpenPort&)>& keepWordFormat = nullptr) {
  int32_t result = 0;
  std::shared_ptr<OpenPort> port = lookUp(call, handle, &result);
  if (port && keepWordFormat && port->pseudoTerminal) {
    termios scratch{};
    result = change(scratch) ? 0 : kSerialParameterOutOfRange;
  } else if (port) {
    result = changeSettings(port->fd, change);
  }
  if (port && keepWordFormat && result == 0) keepWordFormat(*port);
  SerialCallRecord entry = entryFor(call, handle, port.get(), value);
  entry.status = result;
  record(std::move(entry));
  setStatus(status, result);
}

// Stores a setting that lives in the port rather than in the tty.
void storeSetting(SerialCall call, int32_t handle, double value,
                  const std::function<bool(OpenPort&)>& store, int32_t* status) {
  int32_t result = 0;
  std::shared_ptr<OpenPort> port = lookUp(call, handle, &result);
  if (port && !store(*port)) result = kSerialParameterOutOfRange;
  SerialCallRecord entry = entryFor(call, handle, port.get(), value);
  entry.status = result;
  record(std::move(entry));
  setStatus(status, result);
}

int millisecondsLeft(int64_t deadlineUs) {
  int64_t left = deadlineUs - platform::monotonicMicros();
  return left <= 0 ? 0 : static_cast<int>((left + 999) / 1000);
}

// Reads until count bytes arrived, the timeout passed, the handle was closed or the tty failed.
int32_t readWithTimeout(OpenPort& port, char* buffer, int32_t count, int32_t* status) {
  const int64_t deadline =
      platform::monotonicMicros() + static_cast<int64_t>(port.timeoutSeconds.load() * 1e6);
  int32_t got = 0;
  *status = 0;
  while (got < count) {
    if (port.closed.load()) {
      *status = kSerialHandleError;
      break;
    }
    ssize_t n = ::read(port.fd, buffer + got, static_cast<size_t>(count - got));
    if (n > 0) {
      got += static_cast<int32_t>(n);
      continue;
    }
    // A raw tty without data reads 0 (or EAGAIN); a hang-up shows in poll below.
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) {
      *status = -errno;
      break;
    }
    int waitMs = millisecondsLeft(deadline);
    if (waitMs == 0) break;
    pollfd entries[2] = {{port.fd, POLLIN, 0}, {port.wake, POLLIN, 0}};
    int ready = ::poll(entries, 2, waitMs);
    if (ready < 0 && errno != EINTR) {
      *status = -errno;
      break;
    }
    if (entries[1].revents != 0) continue;  // closed: reported at the top
    if (entries[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
      ssize_t last = ::read(port.fd, buffer + got, static_cast<size_t>(count - got));
      if (last > 0) {
        got += static_cast<int32_t>(last);
        continue;
      }
      *status = -EIO;
      break;
    }
  }
  return got;
}

}  // namespace

Handle initialize(int32_t port, int32_t* status) {
  Ports& p = ports();
  SerialCallRecord entry;
  entry.call = SerialCall::Initialize;
  entry.port = port;
  int32_t result = 0;
  std::string path;
  {
    std::lock_guard lock(p.mutex);
    if (!injectedFailure(p, SerialCall::Initialize, &result)) {
      if (port < 0 || port >= kPortCount) {
        result = kSerialParameterOutOfRange;
      } else {
        path = p.paths[port];
      }
    }
  }
  Handle handle = 0;
  if (result == 0) {
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios settings{};
    if (fd < 0) {
      result = -errno;
    } else if (tcgetattr(fd, &settings) != 0) {
      result = -errno;
      ::close(fd);
    } else {
      // The controller's defaults: 9600 baud, 8 data bits, no parity, one stop bit, raw bytes.
      cfmakeraw(&settings);
      cfsetispeed(&settings, B9600);
      cfsetospeed(&settings, B9600);
      settings.c_cflag |= CLOCAL | CREAD | CS8;
      settings.c_cflag &= ~(CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS);
      settings.c_iflag &= ~(IXON | IXOFF | IXANY);
      settings.c_cc[VMIN] = 0;
      settings.c_cc[VTIME] = 0;
      int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
      if (wake < 0 || tcsetattr(fd, TCSANOW, &settings) != 0) {
        result = -errno;
        if (wake >= 0) ::close(wake);
        ::close(fd);
      } else {
        auto opened = std::make_shared<OpenPort>(fd, wake, port, path);
        opened->pseudoTerminal = isPseudoTerminal(fd);
        std::lock_guard lock(p.mutex);
        handle = p.nextHandle++;
        p.handles[handle] = std::move(opened);
      }
    }
  }
  entry.handle = handle;
  entry.status = result;
  record(std::move(entry));
  setStatus(status, result);
  return handle;
}

void setBaudRate(Handle handle, int32_t baud, int32_t* status) {
  applySetting(
      SerialCall::SetBaudRate, handle, baud,
      [baud](termios& t) {
        for (const BaudName& b : kBauds) {
          if (b.baud == baud) {
            cfsetispeed(&t, b.speed);
            cfsetospeed(&t, b.speed);
            return true;
          }
        }
        return false;
      },
      status);
}

void setDataBits(Handle handle, int32_t bits, int32_t* status) {
  applySetting(
      SerialCall::SetDataBits, handle, bits,
      [bits](termios& t) {
        static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
        if (bits < 5 || bits > 8) return false;
        t.c_cflag = (t.c_cflag & ~CSIZE) | sizes[bits - 5];
        return true;
      },
      status, [bits](OpenPort& port) { port.dataBits.store(bits); });
}

void setParity(Handle handle, int32_t parity, int32_t* status) {
  applySetting(
      SerialCall::SetParity, handle, parity,
      [parity](termios& t) {
        static const tcflag_t flags[] = {0, PARENB | PARODD, PARENB, PARENB | CMSPAR | PARODD,
                                         PARENB | CMSPAR};
        if (parity < 0 || parity > 4) return false;
        t.c_cflag = (t.c_cflag & ~(PARENB | PARODD | CMSPAR)) | flags[parity];
        return true;
      },
      status, [parity](OpenPort& port) { port.parity.store(parity); });
}

void setStopBits(Handle handle, int32_t stopBits, int32_t* status) {
  applySetting(
      SerialCall::SetStopBits, handle, stopBits,
      [stopBits](termios& t) {
        if (stopBits != 10 && stopBits != 15 && stopBits != 20) return false;
        // termios knows one or two; one and a half is what two means with 5 data bits.
        if (stopBits == 10) {
          t.c_cflag &= ~CSTOPB;
        } else {
          t.c_cflag |= CSTOPB;
        }
        return true;
      },
      status);
}

void setWriteMode(Handle handle, int32_t mode, int32_t* status) {
  storeSetting(
      SerialCall::SetWriteMode, handle, mode,
      [mode](OpenPort& port) {
        if (mode != 1 && mode != 2) return false;
        port.writeMode.store(mode);
        return true;
      },
      status);
}

void setTimeout(Handle handle, double timeout, int32_t* status) {
  storeSetting(
      SerialCall::SetTimeout, handle, timeout,
      [timeout](OpenPort& port) {
        if (!std::isfinite(timeout) || timeout < 0) return false;
        port.timeoutSeconds.store(timeout);
        return true;
      },
      status);
}

void disableTermination(Handle handle, int32_t* status) {
  storeSetting(
      SerialCall::DisableTermination, handle, 0,
      [](OpenPort& port) {
        port.termination.store(false);
        return true;
      },
      status);
}

int32_t bytesReceived(Handle handle, int32_t* status) {
  int32_t result = 0;
  int waiting = 0;
  std::shared_ptr<OpenPort> port = lookUp(SerialCall::GetBytesReceived, handle, &result);
  if (port && ::ioctl(port->fd, FIONREAD, &waiting) != 0) result = -errno;
  if (result != 0) waiting = 0;
  SerialCallRecord entry = entryFor(SerialCall::GetBytesReceived, handle, port.get(), 0);
  entry.result = waiting;
  entry.status = result;
  record(std::move(entry));
  setStatus(status, result);
  return waiting;
}

int32_t read(Handle handle, char* buffer, int32_t count, int32_t* status) {
  int32_t result = 0;
  int32_t got = 0;
  std::shared_ptr<OpenPort> port = lookUp(SerialCall::Read, handle, &result);
  if (port && (buffer == nullptr || count < 0)) result = kSerialParameterOutOfRange;
  if (port && result == 0) got = readWithTimeout(*port, buffer, count, &result);
  SerialCallRecord entry = entryFor(SerialCall::Read, handle, port.get(), count);
  entry.result = got;
  entry.status = result;
  if (got > 0) entry.bytes.assign(buffer, static_cast<size_t>(got));
  record(std::move(entry));
  setStatus(status, result);
  return got;
}

int32_t write(Handle handle, const char* buffer, int32_t count, int32_t* status) {
  int32_t result = 0;
  int32_t done = 0;
  std::shared_ptr<OpenPort> port = lookUp(SerialCall::Write, handle, &result);
  if (port && (buffer == nullptr || count < 0)) result = kSerialParameterOutOfRange;
  if (port && result == 0) {
    const int64_t deadline =
        monotonicMicros() + static_cast<int64_t>(port->timeoutSeconds.load() * 1e6);
    while (done < count && !port->closed.load()) {
      ssize_t n = ::write(port->fd, buffer + done, static_cast<size_t>(count - done));
      if (n > 0) {
        done += static_cast<int32_t>(n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno != EAGAIN) {
        result = -errno;
        break;
      }
      int waitMs = millisecondsLeft(deadline);
      if (waitMs == 0) break;
      pollfd entries[2] = {{port->fd, POLLOUT, 0}, {port->wake, POLLIN, 0}};
      ::poll(entries, 2, waitMs);
    }
    if (result == 0 && port->closed.load()) result = kSerialHandleError;
  }
  SerialCallRecord entry = entryFor(SerialCall::Write, handle, port.get(), count);
  entry.result = done;
  entry.status = result;
  if (done > 0) entry.bytes.assign(buffer, static_cast<size_t>(done));
  record(std::move(entry));
  setStatus(status, result);
  return done;
}

void close(Handle handle) {
  Ports& p = ports();
  std::shared_ptr<OpenPort> port;
  int32_t result = 0;
  {
    std::lock_guard lock(p.mutex);
    if (!injectedFailure(p, SerialCall::Close, &result)) {
      auto it = p.handles.find(handle);
      if (it == p.handles.end()) {
        result = kSerialHandleError;
      } else {
        port = std::move(it->second);
        p.handles.erase(it);
      }
    }
  }
  if (port) {
    port->closed.store(true);
    uint64_t one = 1;
    (void)!::write(port->wake, &one, sizeof one);
  }
  SerialCallRecord entry = entryFor(SerialCall::Close, handle, port.get(), 0);
  entry.status = result;  // the HAL's close reports nothing: only the call log keeps it
  record(std::move(entry));
}

}  // namespace korvane::platform::serial

namespace korvane::sim {

using namespace platform::serial;

std::vector<SerialCallRecord> serialCalls() {
  Ports& p = ports();
  std::lock_guard lock(p.mutex);
  return {p.log.begin(), p.log.end()};
}

void clearSerialCalls() {
  Ports& p = ports();
  std::lock_guard lock(p.mutex);
  p.log.clear();
  p.logBytes = 0;
}

bool waitForSerialCalls(const std::function<bool(const std::vector<SerialCallRecord>&)>& done,
                        std::chrono::milliseconds timeout) {
  Ports& p = ports();
  auto deadline = std::chrono::steady_clock::now() + timeout;
  std::unique_lock lock(p.mutex);
  while (true) {
    std::vector<SerialCallRecord> snapshot(p.log.begin(), p.log.end());
    uint64_t seen = p.callsTotal;
    lock.unlock();
    if (done(snapshot)) return true;
    lock.lock();
    if (p.callsTotal != seen) continue;
    if (p.recorded.wait_until(lock, deadline) == std::cv_status::timeout) {
      std::vector<SerialCallRecord> last(p.log.begin(), p.log.end());
      lock.unlock();
      return done(last);
    }
  }
}

std::string serialPortPath(int port) {
  if (port < 0 || port >= kPortCount) return "";
  Ports& p = ports();
  std::lock_guard lock(p.mutex);
  return p.paths[port];
}

bool mapSerialPort(int port, const std::string& path) {
  if (port < 0 || port >= kPortCount) return false;
  Ports& p = ports();
  std::lock_guard lock(p.mutex);
  p.paths[port] = path;
  return true;
}

SerialSettings serialSettings(int32_t handle) {
  SerialSettings result;
  std::shared_ptr<OpenPort> port;
  {
    Ports& p = ports();
    std::lock_guard lock(p.mutex);
    auto it = p.handles.find(handle);
    if (it == p.handles.end()) return result;
    port = it->second;
  }
  termios settings{};
  if (tcgetattr(port->fd, &settings) != 0) return result;
  result.valid = true;
  speed_t speed = cfgetospeed(&settings);
  for (const BaudName& b : kBauds) {
    if (b.speed == speed) result.baudRate = b.baud;
  }
  switch (settings.c_cflag & CSIZE) {
    case CS5:
      result.dataBits = 5;
      break;
    case CS6:
      result.dataBits = 6;
      break;
    case CS7:
      result.dataBits = 7;
      break;
    default:
      result.dataBits = 8;
      break;
  }
  if (!(settings.c_cflag & PARENB)) {
    result.parity = 0;
  } else if (settings.c_cflag & CMSPAR) {
    result.parity = (settings.c_cflag & PARODD) ? 3 : 4;
  } else {
    result.parity = (settings.c_cflag & PARODD) ? 1 : 2;
  }
  if (port->pseudoTerminal) {
    result.dataBits = port->dataBits.load();
    result.parity = port->parity.load();
  }
  result.stopBits = (settings.c_cflag & CSTOPB) ? 20 : 10;
  result.timeoutSeconds = port->timeoutSeconds.load();
  result.writeMode = port->writeMode.load();
  result.terminationEnabled = port->termination.load();
  result.path = port->path;
  return result;
}

void failSerialCalls(SerialCall call, int32_t status, int count) {
  Ports& p = ports();
  std::lock_guard lock(p.mutex);
  p.failures[static_cast<int>(call)] = Failure{count < 0 ? -1 : count, status};
}

void clearSerialFailures() {
  Ports& p = ports();
  std::lock_guard lock(p.mutex);
  p.failures.fill(Failure{});
}

int openSerialHandles() {
  Ports& p = ports();
  std::lock_guard lock(p.mutex);
  return static_cast<int>(p.handles.size());
}

void resetSerial() {
  Ports& p = ports();
  std::map<int32_t, std::shared_ptr<OpenPort>> closing;  // released after the lock
  {
    std::lock_guard lock(p.mutex);
    closing.swap(p.handles);
    p.log.clear();
    p.logBytes = 0;
    p.failures.fill(Failure{});
    for (int i = 0; i < kPortCount; ++i) p.paths[i] = defaultPath(i);
  }
  for (auto& [handle, port] : closing) {
    port->closed.store(true);
    uint64_t one = 1;
    (void)!::write(port->wake, &one, sizeof one);
  }
}

}  // namespace korvane::sim
