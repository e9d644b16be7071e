// The simulated I2C buses: devices at (port, address), the call records and injected failures.

#include "I2cBus.h"

#include <algorithm>
#include <array>
#include <deque>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "MonotonicTime.h"
#include "korvane/sim/I2c.h"

namespace korvane::platform::i2c {
namespace {

using sim::I2cCall;
using sim::I2cDevice;
using sim::I2cDeviceId;
using sim::I2cTransaction;

constexpr int32_t kParameterOutOfRange = -1028;

struct Failure {
  int remaining = 0;  // < 0: every call
  int32_t status = -1;
};

struct Attached {
  int port = 0;
  int address = 0;
  std::shared_ptr<I2cDevice> device;
  std::shared_ptr<std::mutex> transfer;  // one transfer at a time per device
};

struct Bus {
  std::mutex mutex;
  std::deque<I2cTransaction> log;
  std::map<I2cDeviceId, Attached> devices;
  I2cDeviceId nextDevice = 1;
  std::array<bool, kPortCount> open{};
  std::array<Failure, sim::kI2cCallCount> failures{};
};

// Never destroyed: driver threads may still use the bus while the process exits.
Bus& bus() {
  static Bus* instance = new Bus;
  return *instance;
}

bool validPort(int port) {
  return port >= 0 && port < kPortCount;
}

// Under the bus lock.
bool injectedFailure(Bus& b, I2cCall call, int32_t* status) {
  Failure& f = b.failures[static_cast<int>(call)];
  if (f.remaining == 0) return false;
  if (f.remaining > 0) --f.remaining;
  if (status) *status = f.status;
  return true;
}

// Under the bus lock.
void record(Bus& b, I2cTransaction transaction) {
  transaction.timestampUs = monotonicMicros();
  b.log.push_back(std::move(transaction));
  if (b.log.size() > sim::kI2cLogCapacity) b.log.pop_front();
}

// Under the bus lock: the device at (port, address), or for kAnyAddress the one at the lowest
// address on the port; null when there is none.
const Attached* deviceAt(const Bus& b, int port, int address) {
  const Attached* found = nullptr;
  for (const auto& [id, attached] : b.devices) {
    if (attached.port != port) continue;
    if (attached.address == address) return &attached;
    if (address == kAnyAddress && (found == nullptr || attached.address < found->address)) {
      found = &attached;
    }
  }
  return found;
}

int32_t transfer(I2cCall call, int32_t port, int32_t address, uint8_t* data, int32_t size) {
  Bus& b = bus();
  I2cTransaction t;
  t.call = call;
  t.port = port;
  t.address = address;
  t.requested = size;
  Attached target;
  {
    std::lock_guard lock(b.mutex);
    bool usable = validPort(port) && b.open[port] && size > 0 && data != nullptr;
    const Attached* found = usable ? deviceAt(b, port, address) : nullptr;
    if (injectedFailure(b, call, nullptr) || found == nullptr) {
      if (call == I2cCall::Write && data != nullptr && size > 0) t.bytes.assign(data, data + size);
      t.result = -1;
      record(b, std::move(t));
      return -1;
    }
    target = *found;
  }
  t.address = target.address;
  bool acknowledged;
  {
    std::lock_guard one(*target.transfer);
    acknowledged = call == I2cCall::Write ? target.device->onWrite(data, size)
                                          : target.device->onRead(data, size);
  }
  if (call == I2cCall::Write || acknowledged) t.bytes.assign(data, data + size);
  const int32_t result = acknowledged ? size : -1;
  t.result = result;
  std::lock_guard lock(b.mutex);
  record(b, std::move(t));
  return result;
}

}  // namespace

int32_t initialize(int32_t port) {
  Bus& b = bus();
  std::lock_guard lock(b.mutex);
  I2cTransaction t;
  t.call = I2cCall::Initialize;
  t.port = port;
  int32_t result = 0;
  if (!injectedFailure(b, I2cCall::Initialize, &result)) {
    if (validPort(port)) {
      b.open[port] = true;
    } else {
      result = kParameterOutOfRange;
    }
  }
  t.result = result;
  record(b, std::move(t));
  return result;
}

void close(int32_t port) {
  Bus& b = bus();
  std::lock_guard lock(b.mutex);
  I2cTransaction t;
  t.call = I2cCall::Close;
  t.port = port;
  if (!injectedFailure(b, I2cCall::Close, nullptr) && validPort(port)) b.open[port] = false;
  record(b, std::move(t));
}

int32_t write(int32_t port, int32_t address, const uint8_t* data, int32_t size) {
  // The device gets its own copy: a model must never write into the caller's data.
  std::array<uint8_t, 64> small{};
  std::vector<uint8_t> large;
  uint8_t* copy = small.data();
  if (size > static_cast<int32_t>(small.size())) {
    large.resize(size);
    copy = large.data();
  }
  if (data == nullptr) copy = nullptr;
  if (copy != nullptr && size > 0) std::copy(data, data + size, copy);
  return transfer(I2cCall::Write, port, address, copy, size);
}

int32_t read(int32_t port, int32_t address, uint8_t* data, int32_t size) {
  return transfer(I2cCall::Read, port, address, data, size);
}

void portOpenedByHal(int32_t port, bool open) {
  if (!validPort(port)) return;
  Bus& b = bus();
  std::lock_guard lock(b.mutex);
  b.open[port] = open;
  I2cTransaction t;
  t.call = open ? I2cCall::Initialize : I2cCall::Close;
  t.port = port;
  record(b, std::move(t));
}

void setPortOpen(int32_t port, bool open) {
  if (!validPort(port)) return;
  Bus& b = bus();
  std::lock_guard lock(b.mutex);
  b.open[port] = open;
}

}  // namespace korvane::platform::i2c

namespace korvane::sim {

using platform::i2c::Attached;
using platform::i2c::bus;
using platform::i2c::connectFrontEnd;
using platform::i2c::Failure;

std::vector<I2cTransaction> i2cTransactions() {
  connectFrontEnd();
  auto& b = bus();
  std::lock_guard lock(b.mutex);
  return {b.log.begin(), b.log.end()};
}

void clearI2cTransactions() {
  connectFrontEnd();
  auto& b = bus();
  std::lock_guard lock(b.mutex);
  b.log.clear();
}

I2cDeviceId attachI2cDevice(int port, int address, std::shared_ptr<I2cDevice> device) {
  connectFrontEnd();
  auto& b = bus();
  std::shared_ptr<I2cDevice> replaced;  // released after the lock
  std::lock_guard lock(b.mutex);
  for (auto it = b.devices.begin(); it != b.devices.end(); ++it) {
    if (it->second.port == port && it->second.address == address) {
      replaced = std::move(it->second.device);
      b.devices.erase(it);
      break;
    }
  }
  I2cDeviceId id = b.nextDevice++;
  b.devices[id] = Attached{port, address, std::move(device), std::make_shared<std::mutex>()};
  return id;
}

void detachI2cDevice(I2cDeviceId id) {
  connectFrontEnd();
  auto& b = bus();
  std::shared_ptr<I2cDevice> detached;  // released after the lock
  std::lock_guard lock(b.mutex);
  auto it = b.devices.find(id);
  if (it == b.devices.end()) return;
  detached = std::move(it->second.device);
  b.devices.erase(it);
}

void failI2cCalls(I2cCall call, int count, int32_t status) {
  connectFrontEnd();
  auto& b = bus();
  std::lock_guard lock(b.mutex);
  b.failures[static_cast<int>(call)] = Failure{count < 0 ? -1 : count, status};
}

void clearI2cFailures() {
  connectFrontEnd();
  auto& b = bus();
  std::lock_guard lock(b.mutex);
  b.failures.fill(Failure{});
}

bool i2cPortOpen(int port) {
  connectFrontEnd();
  auto& b = bus();
  std::lock_guard lock(b.mutex);
  return platform::i2c::validPort(port) && b.open[port];
}

void resetI2c() {
  connectFrontEnd();
  auto& b = bus();
  std::map<I2cDeviceId, Attached> devices;  // released after the lock
  {
    std::lock_guard lock(b.mutex);
    b.log.clear();
    devices.swap(b.devices);
    b.open.fill(false);
    b.failures.fill(Failure{});
  }
  platform::i2c::resetFrontEnd();
}

}  // namespace korvane::sim
