// The simulated CAN buses and their simulation controls.

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <stdexcept>
#include <unordered_map>

#include "CanBusModel.h"
#include "MonotonicTime.h"
#include "korvane/sim/Can.h"

namespace korvane::platform::can_bus {
namespace {

using sim::CanCall;
using sim::CanDevice;
using sim::CanFrame;
using sim::ListenerId;

constexpr uint32_t kIdMask = 0x1FFFFFFF;
// Session handles start far from 1, where another device's simulation would start its own.
constexpr uint32_t kFirstSession = 0x4B000001;

struct DeviceFrame {
  ArrivedFrame arrived;
  uint64_t sequence = 0;
  bool received = false;
};

struct StreamSession {
  int32_t bus = 0;
  uint32_t id = 0;
  uint32_t mask = 0;
  size_t capacity = 1;
  std::deque<ArrivedFrame> pending;
  bool overrun = false;
};

// The newest device frames, by bus and identifier.
uint64_t frameKey(int32_t bus, uint32_t id) {
  return (static_cast<uint64_t>(static_cast<uint32_t>(bus)) << 32) | id;
}

struct Failure {
  int remaining = 0;  // < 0: every call
  int32_t status = 0;
  bool throwInstead = false;
};

struct Bus {
  std::mutex mutex;
  std::condition_variable sentChanged;
  std::deque<CanFrame> sentLog;
  uint64_t sentTotal = 0;  // frames ever sent; tells waiters that the log changed
  uint64_t sequence = 0;
  std::unordered_map<uint64_t, DeviceFrame> latest;
  std::map<uint32_t, StreamSession> sessions;
  uint32_t nextSession = kFirstSession;
  std::vector<std::pair<ListenerId, std::shared_ptr<CanDevice>>> devices;
  ListenerId nextListener = 1;
  std::array<Failure, sim::kCanCallCount> failures{};
};

// Never destroyed: threads of the drivers may still send while the process exits.
Bus& buses() {
  static Bus* instance = new Bus;
  return *instance;
}

// The bus for a simulation control: connected to the HAL first.
Bus& connectedBus() {
  connectToHal();
  return buses();
}

// Under the bus lock. True when the call is to fail; raises when it is to throw.
bool injectedFailureLocked(Bus& b, CanCall call, int32_t* status) {
  Failure& f = b.failures[static_cast<int>(call)];
  if (f.remaining == 0) return false;
  if (f.remaining > 0) --f.remaining;
  if (f.throwInstead) throw std::runtime_error("simulated CAN failure");
  if (status) *status = f.status;
  return true;
}

void appendToSessions(Bus& b, const ArrivedFrame& arrived) {
  for (auto& [handle, session] : b.sessions) {
    if (arrived.frame.bus != session.bus) continue;
    if ((arrived.frame.id & session.mask) != (session.id & session.mask)) continue;
    session.pending.push_back(arrived);
    if (session.pending.size() > session.capacity) {
      session.pending.pop_front();
      session.overrun = true;
    }
  }
}

}  // namespace

void sendMessage(int32_t bus, uint32_t messageID, const uint8_t* data, uint8_t dataSize,
                 int32_t periodMs, int32_t* status) {
  (void)periodMs;  // only single sends are simulated
  Bus& b = buses();
  std::vector<std::shared_ptr<CanDevice>> receivers;
  CanFrame frame;
  {
    std::lock_guard lock(b.mutex);
    if (injectedFailureLocked(b, CanCall::SendMessage, status)) return;
    if (dataSize > 8 || (dataSize > 0 && data == nullptr)) {
      *status = kInvalidBuffer;
      return;
    }
    frame.bus = bus;
    frame.id = messageID & kIdMask;
    frame.size = dataSize;
    if (dataSize > 0) std::copy(data, data + dataSize, frame.data.begin());
    frame.timestampUs = monotonicMicros();
    b.sentLog.push_back(frame);
    ++b.sentTotal;
    if (b.sentLog.size() > sim::kSentLogCapacity) b.sentLog.pop_front();
    for (const auto& entry : b.devices) receivers.push_back(entry.second);
    *status = 0;
  }
  b.sentChanged.notify_all();
  for (const auto& device : receivers) device->onFrameSent(frame);
}

bool receiveMessage(int32_t bus, uint32_t messageID, uint32_t messageIDMask, ArrivedFrame* out,
                    int32_t* status) {
  Bus& b = buses();
  std::lock_guard lock(b.mutex);
  if (injectedFailureLocked(b, CanCall::ReceiveMessage, status)) return false;
  if (out == nullptr) {
    *status = kInvalidBuffer;
    return false;
  }
  DeviceFrame* newest = nullptr;
  if ((messageIDMask & kIdMask) == kIdMask) {
    // One identifier matches: found by it, as the robot's CAN layer finds it, at the same cost
    // however many identifiers the bus carries.
    auto it = b.latest.find(frameKey(bus, messageID & kIdMask));
    if (it != b.latest.end() && !it->second.received) newest = &it->second;
  } else {
    for (auto& [key, entry] : b.latest) {
      const CanFrame& frame = entry.arrived.frame;
      if (entry.received || frame.bus != bus ||
          (frame.id & messageIDMask) != (messageID & messageIDMask)) {
        continue;
      }
      if (newest == nullptr || entry.sequence > newest->sequence) newest = &entry;
    }
  }
  if (newest == nullptr) return false;
  newest->received = true;
  *out = newest->arrived;
  *status = 0;
  return true;
}

void openStreamSession(int32_t bus, uint32_t* sessionHandle, uint32_t messageID,
                       uint32_t messageIDMask, uint32_t maxMessages, int32_t* status) {
  Bus& b = buses();
  std::lock_guard lock(b.mutex);
  if (injectedFailureLocked(b, CanCall::OpenStreamSession, status)) return;
  if (sessionHandle == nullptr) {
    *status = kInvalidBuffer;
    return;
  }
  uint32_t handle = b.nextSession++;
  StreamSession& session = b.sessions[handle];
  session.bus = bus;
  session.id = messageID;
  session.mask = messageIDMask;
  session.capacity = std::max<uint32_t>(maxMessages, 1);
  *sessionHandle = handle;
  *status = 0;
}

void closeStreamSession(uint32_t sessionHandle) {
  Bus& b = buses();
  std::lock_guard lock(b.mutex);
  b.sessions.erase(sessionHandle);
}

bool readStreamSession(uint32_t sessionHandle, PutFrame put, void* context, uint32_t messagesToRead,
                       uint32_t* messagesRead, int32_t* status) {
  Bus& b = buses();
  std::lock_guard lock(b.mutex);
  auto it = b.sessions.find(sessionHandle);
  if (it == b.sessions.end()) return false;
  if (messagesRead) *messagesRead = 0;
  if (injectedFailureLocked(b, CanCall::ReadStreamSession, status)) return true;
  if (put == nullptr || messagesRead == nullptr) {
    *status = kInvalidBuffer;
    return true;
  }
  StreamSession& session = it->second;
  uint32_t count = 0;
  while (count < messagesToRead && !session.pending.empty()) {
    put(context, count++, session.pending.front());
    session.pending.pop_front();
  }
  *messagesRead = count;
  if (session.overrun) {
    session.overrun = false;
    *status = kSessionOverrun;
  } else {
    *status = count == 0 ? kMessageNotFound : 0;
  }
  return true;
}

bool injectedFailure(CanCall call, int32_t* status) {
  Bus& b = buses();
  std::lock_guard lock(b.mutex);
  return injectedFailureLocked(b, call, status);
}

}  // namespace korvane::platform::can_bus

namespace korvane::sim {

using platform::can_bus::connectedBus;

std::vector<CanFrame> sentFrames() {
  auto& b = connectedBus();
  std::lock_guard lock(b.mutex);
  return {b.sentLog.begin(), b.sentLog.end()};
}

void clearSentFrames() {
  auto& b = connectedBus();
  std::lock_guard lock(b.mutex);
  b.sentLog.clear();
}

bool waitForSentFrames(const std::function<bool(const std::vector<CanFrame>&)>& done,
                       std::chrono::milliseconds timeout) {
  auto& b = connectedBus();
  auto deadline = std::chrono::steady_clock::now() + timeout;
  std::unique_lock lock(b.mutex);
  while (true) {
    std::vector<CanFrame> snapshot(b.sentLog.begin(), b.sentLog.end());
    uint64_t seen = b.sentTotal;
    lock.unlock();
    if (done(snapshot)) return true;
    lock.lock();
    if (b.sentTotal != seen) continue;
    if (b.sentChanged.wait_until(lock, deadline) == std::cv_status::timeout) {
      std::vector<CanFrame> last(b.sentLog.begin(), b.sentLog.end());
      lock.unlock();
      return done(last);
    }
  }
}

void injectFrame(int32_t bus, uint32_t id, const uint8_t* data, uint8_t size) {
  CanFrame frame;
  frame.bus = bus;
  frame.id = id & platform::can_bus::kIdMask;
  frame.size = std::min<uint8_t>(size, 8);
  if (data) std::copy(data, data + frame.size, frame.data.begin());
  frame.timestampUs = platform::monotonicMicros();
  auto& b = connectedBus();
  const platform::can_bus::ArrivedFrame arrived{frame, platform::can_bus::arrivalStamp()};
  std::lock_guard lock(b.mutex);
  b.latest[platform::can_bus::frameKey(bus, frame.id)] =
      platform::can_bus::DeviceFrame{arrived, ++b.sequence};
  platform::can_bus::appendToSessions(b, arrived);
}

void injectFrame(int32_t bus, uint32_t id, std::initializer_list<uint8_t> bytes) {
  std::vector<uint8_t> data(bytes);
  injectFrame(bus, id, data.data(), static_cast<uint8_t>(data.size()));
}

void injectFrame(uint32_t id, const uint8_t* data, uint8_t size) {
  injectFrame(0, id, data, size);
}

void injectFrame(uint32_t id, std::initializer_list<uint8_t> bytes) {
  injectFrame(0, id, bytes);
}

ListenerId attachDevice(std::shared_ptr<CanDevice> device) {
  auto& b = connectedBus();
  std::lock_guard lock(b.mutex);
  ListenerId id = b.nextListener++;
  b.devices.emplace_back(id, std::move(device));
  return id;
}

void detachDevice(ListenerId id) {
  auto& b = connectedBus();
  std::shared_ptr<CanDevice> detached;  // released after the lock
  std::lock_guard lock(b.mutex);
  auto it = std::find_if(b.devices.begin(), b.devices.end(),
                         [id](const auto& entry) { return entry.first == id; });
  if (it == b.devices.end()) return;
  detached = std::move(it->second);
  b.devices.erase(it);
}

void failCanCalls(CanCall call, int32_t status, int count, bool throwInstead) {
  auto& b = connectedBus();
  std::lock_guard lock(b.mutex);
  b.failures[static_cast<int>(call)] =
      platform::can_bus::Failure{count < 0 ? -1 : count, status, throwInstead};
}

void clearCanFailures() {
  auto& b = connectedBus();
  std::lock_guard lock(b.mutex);
  b.failures.fill(platform::can_bus::Failure{});
}

int openStreamSessions() {
  auto& b = connectedBus();
  std::lock_guard lock(b.mutex);
  return static_cast<int>(b.sessions.size());
}

void resetCan() {
  auto& b = connectedBus();
  std::vector<std::pair<ListenerId, std::shared_ptr<CanDevice>>> devices;  // released unlocked
  std::lock_guard lock(b.mutex);
  b.sentLog.clear();
  b.latest.clear();
  b.sessions.clear();
  b.failures.fill(platform::can_bus::Failure{});
  devices.swap(b.devices);
}

}  // namespace korvane::sim
