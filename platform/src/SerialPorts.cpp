// The robot controller's serial ports on ttys (TtyDevice: termios on Linux, COM ports on Windows),
// one tty per open port, with their records and injected failures.

#include "korvane/platform/SerialPorts.h"

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
#include "TtyDevice.h"
#include "korvane/sim/Serial.h"

namespace korvane::platform::serial {
namespace {

using namespace korvane::sim;

constexpr int kPortCount = 4;
constexpr double kDefaultTimeoutSeconds = 5.0;
// The controller's HAL makes a port's handle of its type (serial port, 20) and its number, so a
// port has one handle, given again at every opening.
constexpr int32_t kSerialHandleType = 20 << 24;
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

// One open handle. The tty is closed when the last user lets go, so a reader still inside
// HAL_ReadSerial never reads a tty that was closed under it.
struct OpenPort {
  OpenPort(std::unique_ptr<TtyDevice> tty, int port, std::string path)
      : tty(std::move(tty)), port(port), path(std::move(path)) {}
  OpenPort(const OpenPort&) = delete;
  OpenPort& operator=(const OpenPort&) = delete;

  const std::unique_ptr<TtyDevice> tty;
  const int port;
  const std::string path;
  std::atomic<bool> closed{false};
  std::atomic<double> timeoutSeconds{kDefaultTimeoutSeconds};
  std::atomic<int32_t> writeMode{1};
  std::atomic<bool> termination{false};
  // A pseudo-terminal carries bytes, not bits: its tty keeps 8 data bits without parity whatever
  // it is told, so the HAL's word format is kept here for it.
  std::atomic<int32_t> dataBits{8};
  std::atomic<int32_t> parity{0};
};

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
  std::array<bool, kPortCount> opening{};
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

// A setting of the tty's; for data bits and parity, which a pseudo-terminal refuses or ignores,
// only the value is checked there and kept in the port.
void applySetting(SerialCall call, int32_t handle, double value,
                  const std::function<int32_t(TtyDevice&)>& change, int32_t* status,
                  const std::function<bool(OpenPort&)>& keepWordFormat = nullptr) {
  int32_t result = 0;
  std::shared_ptr<OpenPort> port = lookUp(call, handle, &result);
  if (port && keepWordFormat && port->tty->pseudoTerminal()) {
    result = keepWordFormat(*port) ? 0 : kSerialParameterOutOfRange;
  } else if (port) {
    result = change(*port->tty);
    if (result == 0 && keepWordFormat) keepWordFormat(*port);
  }
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

int64_t deadlineFor(const OpenPort& port) {
  return platform::monotonicMicros() + static_cast<int64_t>(port.timeoutSeconds.load() * 1e6);
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
      } else if (p.opening[port] || p.handles.count(kSerialHandleType + port) != 0) {
        result = kSerialResourceIsAllocated;
      } else {
        path = p.paths[port];
        p.opening[port] = true;  // taken while its tty opens, outside the lock
      }
    }
  }
  Handle handle = 0;
  if (result == 0) {
    struct Release {  // the port stays taken until it is open or its opening has failed
      Ports& p;
      int32_t port;
      ~Release() {
        std::lock_guard lock(p.mutex);
        p.opening[port] = false;
      }
    } release{p, port};
    std::unique_ptr<TtyDevice> tty = TtyDevice::open(path, &result);
    if (tty) {
      auto opened = std::make_shared<OpenPort>(std::move(tty), port, path);
      std::lock_guard lock(p.mutex);
      handle = kSerialHandleType + port;
      p.handles[handle] = std::move(opened);
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
      [baud](TtyDevice& tty) { return tty.setBaudRate(baud); }, status);
}

void setDataBits(Handle handle, int32_t bits, int32_t* status) {
  applySetting(
      SerialCall::SetDataBits, handle, bits,
      [bits](TtyDevice& tty) { return tty.setDataBits(bits); }, status,
      [bits](OpenPort& port) {
        if (bits < 5 || bits > 8) return false;
        port.dataBits.store(bits);
        return true;
      });
}

void setParity(Handle handle, int32_t parity, int32_t* status) {
  applySetting(
      SerialCall::SetParity, handle, parity,
      [parity](TtyDevice& tty) { return tty.setParity(parity); }, status,
      [parity](OpenPort& port) {
        if (parity < 0 || parity > 4) return false;
        port.parity.store(parity);
        return true;
      });
}

void setStopBits(Handle handle, int32_t stopBits, int32_t* status) {
  applySetting(
      SerialCall::SetStopBits, handle, stopBits,
      [stopBits](TtyDevice& tty) { return tty.setStopBits(stopBits); }, status);
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
  int32_t waiting = 0;
  std::shared_ptr<OpenPort> port = lookUp(SerialCall::GetBytesReceived, handle, &result);
  if (port) waiting = port->tty->bytesWaiting(&result);
  if (result != 0) waiting = 0;
  SerialCallRecord entry = entryFor(SerialCall::GetBytesReceived, handle, port.get(), 0);
  entry.result = waiting;
  entry.status = result;
  record(std::move(entry));
  setStatus(status, result);
  return port ? waiting : -1;
}

int32_t read(Handle handle, char* buffer, int32_t count, int32_t* status) {
  int32_t result = 0;
  int32_t got = 0;
  std::shared_ptr<OpenPort> port = lookUp(SerialCall::Read, handle, &result);
  if (port && (buffer == nullptr || count < 0)) result = kSerialParameterOutOfRange;
  if (port && result == 0) {
    got = port->tty->read(buffer, count, deadlineFor(*port), port->closed, &result);
  }
  SerialCallRecord entry = entryFor(SerialCall::Read, handle, port.get(), count);
  entry.result = got;
  entry.status = result;
  if (got > 0) entry.bytes.assign(buffer, static_cast<size_t>(got));
  record(std::move(entry));
  setStatus(status, result);
  return port ? got : -1;
}

int32_t write(Handle handle, const char* buffer, int32_t count, int32_t* status) {
  int32_t result = 0;
  int32_t done = 0;
  std::shared_ptr<OpenPort> port = lookUp(SerialCall::Write, handle, &result);
  if (port && (buffer == nullptr || count < 0)) result = kSerialParameterOutOfRange;
  if (port && result == 0) {
    done = port->tty->write(buffer, count, deadlineFor(*port), port->closed, &result);
  }
  SerialCallRecord entry = entryFor(SerialCall::Write, handle, port.get(), count);
  entry.result = done;
  entry.status = result;
  if (done > 0) entry.bytes.assign(buffer, static_cast<size_t>(done));
  record(std::move(entry));
  setStatus(status, result);
  return port ? done : -1;
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
    port->tty->wake();
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
  TtyDevice::Settings tty = port->tty->settings();
  if (!tty.valid) return result;
  result.valid = true;
  result.baudRate = tty.baudRate;
  result.dataBits = tty.dataBits;
  result.parity = tty.parity;
  if (port->tty->pseudoTerminal()) {
    result.dataBits = port->dataBits.load();
    result.parity = port->parity.load();
  }
  result.stopBits = tty.stopBits;
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
    port->tty->wake();
  }
}

}  // namespace korvane::sim
