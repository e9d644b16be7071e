// The simulated CAN bus behind the HAL's CAN functions.

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <tuple>
#include <unordered_map>

#include "MonotonicTime.h"
#include "hal/CAN.h"
#include "hal/CANAPI.h"
#include "korvane/sim/Can.h"

namespace korvane::sim {
namespace {

constexpr int32_t kParameterOutOfRange = -1028;
constexpr int32_t kHandleError = -1098;
constexpr uint32_t kIdMask = 0x1FFFFFFF;

struct DeviceFrame {
  CanFrame frame;
  uint64_t sequence = 0;
};

struct OpenHandle {
  uint32_t baseId = 0;  // device type, manufacturer and device number; API bits 0
  std::unordered_map<int32_t, uint64_t> lastSequenceRead;  // per API, for ReadCANPacketNew
};

struct StreamSession {
  uint32_t id = 0;
  uint32_t mask = 0;
  size_t capacity = 1;
  std::deque<CanFrame> pending;
  bool overrun = false;
};

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
  std::unordered_map<uint32_t, DeviceFrame> latest;
  std::map<int32_t, OpenHandle> handles;
  std::map<std::tuple<int32_t, int32_t, int32_t>, int32_t> handleByDevice;
  int32_t nextHandle = 1;
  std::map<uint32_t, StreamSession> sessions;
  uint32_t nextSession = 1;
  std::vector<std::pair<ListenerId, std::shared_ptr<CanDevice>>> devices;
  ListenerId nextListener = 1;
  std::array<Failure, kCanCallCount> failures{};
};

// Never destroyed: threads of the drivers may still send while the process exits.
Bus& bus() {
  static Bus* instance = new Bus;
  return *instance;
}

// Under the bus lock. True when the call is to fail; raises when it is to throw.
bool injectedFailure(Bus& b, CanCall call, int32_t* status) {
  Failure& f = b.failures[static_cast<int>(call)];
  if (f.remaining == 0) return false;
  if (f.remaining > 0) --f.remaining;
  if (f.throwInstead) throw std::runtime_error("simulated CAN failure");
  if (status) *status = f.status;
  return true;
}

void appendToSessions(Bus& b, const CanFrame& frame) {
  for (auto& [handle, session] : b.sessions) {
    if ((frame.id & session.mask) != (session.id & session.mask)) continue;
    session.pending.push_back(frame);
    if (session.pending.size() > session.capacity) {
      session.pending.pop_front();
      session.overrun = true;
    }
  }
}

uint32_t frameId(const OpenHandle& h, int32_t apiId) {
  return h.baseId | ((static_cast<uint32_t>(apiId) & 0x3FF) << 6);
}

void copyOut(const CanFrame& frame, uint8_t* data, int32_t* length, uint64_t* timestamp) {
  if (data) std::copy(frame.data.begin(), frame.data.begin() + frame.size, data);
  if (length) *length = frame.size;
  if (timestamp) *timestamp = static_cast<uint64_t>(frame.timestampUs / 1000);
}

void readPacket(CanCall call, HAL_CANHandle handle, int32_t apiId, uint8_t* data, int32_t* length,
                uint64_t* timestamp, int32_t* status) {
  Bus& b = bus();
  std::lock_guard lock(b.mutex);
  if (injectedFailure(b, call, status)) return;
  auto h = b.handles.find(handle);
  if (h == b.handles.end()) {
    *status = kHandleError;
    return;
  }
  auto f = b.latest.find(frameId(h->second, apiId));
  if (f == b.latest.end()) {
    *status = HAL_ERR_CANSessionMux_MessageNotFound;
    return;
  }
  if (call == CanCall::ReadPacketNew) {
    uint64_t& lastRead = h->second.lastSequenceRead[apiId];
    if (f->second.sequence <= lastRead) {
      *status = HAL_ERR_CANSessionMux_MessageNotFound;
      return;
    }
    lastRead = f->second.sequence;
  }
  copyOut(f->second.frame, data, length, timestamp);
  *status = 0;
}

}  // namespace

std::vector<CanFrame> sentFrames() {
  Bus& b = bus();
  std::lock_guard lock(b.mutex);
  return {b.sentLog.begin(), b.sentLog.end()};
}

void clearSentFrames() {
  Bus& b = bus();
  std::lock_guard lock(b.mutex);
  b.sentLog.clear();
}

bool waitForSentFrames(const std::function<bool(const std::vector<CanFrame>&)>& done,
                       std::chrono::milliseconds timeout) {
  Bus& b = bus();
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

void injectFrame(uint32_t id, const uint8_t* data, uint8_t size) {
  CanFrame frame;
  frame.id = id & kIdMask;
  frame.size = std::min<uint8_t>(size, 8);
  if (data) std::copy(data, data + frame.size, frame.data.begin());
  frame.timestampUs = platform::monotonicMicros();
  Bus& b = bus();
  std::lock_guard lock(b.mutex);
  b.latest[frame.id] = DeviceFrame{frame, ++b.sequence};
  appendToSessions(b, frame);
}

void injectFrame(uint32_t id, std::initializer_list<uint8_t> bytes) {
  std::vector<uint8_t> data(bytes);
  injectFrame(id, data.data(), static_cast<uint8_t>(data.size()));
}

ListenerId attachDevice(std::shared_ptr<CanDevice> device) {
  Bus& b = bus();
  std::lock_guard lock(b.mutex);
  ListenerId id = b.nextListener++;
  b.devices.emplace_back(id, std::move(device));
  return id;
}

void detachDevice(ListenerId id) {
  Bus& b = bus();
  std::shared_ptr<CanDevice> detached;  // released after the lock
  std::lock_guard lock(b.mutex);
  auto it = std::find_if(b.devices.begin(), b.devices.end(),
                         [id](const auto& entry) { return entry.first == id; });
  if (it == b.devices.end()) return;
  detached = std::move(it->second);
  b.devices.erase(it);
}

void failCanCalls(CanCall call, int32_t status, int count, bool throwInstead) {
  Bus& b = bus();
  std::lock_guard lock(b.mutex);
  b.failures[static_cast<int>(call)] = Failure{count < 0 ? -1 : count, status, throwInstead};
}

void clearCanFailures() {
  Bus& b = bus();
  std::lock_guard lock(b.mutex);
  b.failures.fill(Failure{});
}

int openCanHandles() {
  Bus& b = bus();
  std::lock_guard lock(b.mutex);
  return static_cast<int>(b.handles.size());
}

int openStreamSessions() {
  Bus& b = bus();
  std::lock_guard lock(b.mutex);
  return static_cast<int>(b.sessions.size());
}

void resetCan() {
  Bus& b = bus();
  std::vector<std::pair<ListenerId, std::shared_ptr<CanDevice>>> devices;
  {
    std::lock_guard lock(b.mutex);
    b.sentLog.clear();
    b.latest.clear();
    b.handles.clear();
    b.handleByDevice.clear();
    b.sessions.clear();
    b.failures.fill(Failure{});
    devices.swap(b.devices);
  }
}

}  // namespace korvane::sim

// Until split from the bus model: WPILib's simulation HAL has these functions of its own.
#ifndef KORVANE_WPILIB_SIMULATION
using namespace korvane::sim;

extern "C" {

void HAL_CAN_SendMessage(uint32_t messageID, const uint8_t* data, uint8_t dataSize,
                         int32_t periodMs, int32_t* status) {
  (void)periodMs;  // only single sends are simulated
  Bus& b = bus();
  std::vector<std::shared_ptr<CanDevice>> receivers;
  CanFrame frame;
  {
    std::lock_guard lock(b.mutex);
    if (injectedFailure(b, CanCall::SendMessage, status)) return;
    if (dataSize > 8 || (dataSize > 0 && data == nullptr)) {
      *status = HAL_ERR_CANSessionMux_InvalidBuffer;
      return;
    }
    frame.id = messageID & kIdMask;
    frame.size = dataSize;
    if (dataSize > 0) std::copy(data, data + dataSize, frame.data.begin());
    frame.timestampUs = korvane::platform::monotonicMicros();
    b.sentLog.push_back(frame);
    ++b.sentTotal;
    if (b.sentLog.size() > kSentLogCapacity) b.sentLog.pop_front();
    for (const auto& entry : b.devices) receivers.push_back(entry.second);
    *status = 0;
  }
  b.sentChanged.notify_all();
  for (const auto& device : receivers) device->onFrameSent(frame);
}

void HAL_CAN_ReceiveMessage(uint32_t* messageID, uint32_t messageIDMask, uint8_t* data,
                            uint8_t* dataSize, uint32_t* timeStamp, int32_t* status) {
  Bus& b = bus();
  std::lock_guard lock(b.mutex);
  if (injectedFailure(b, CanCall::ReceiveMessage, status)) return;
  if (messageID == nullptr) {
    *status = HAL_ERR_CANSessionMux_InvalidBuffer;
    return;
  }
  const DeviceFrame* newest = nullptr;
  for (const auto& [id, entry] : b.latest) {
    if ((id & messageIDMask) != (*messageID & messageIDMask)) continue;
    if (newest == nullptr || entry.sequence > newest->sequence) newest = &entry;
  }
  if (newest == nullptr) {
    *status = HAL_ERR_CANSessionMux_MessageNotFound;
    return;
  }
  const CanFrame& frame = newest->frame;
  *messageID = frame.id;
  if (data) std::copy(frame.data.begin(), frame.data.begin() + frame.size, data);
  if (dataSize) *dataSize = frame.size;
  if (timeStamp) *timeStamp = static_cast<uint32_t>(frame.timestampUs / 1000);
  *status = 0;
}

void HAL_CAN_OpenStreamSession(uint32_t* sessionHandle, uint32_t messageID, uint32_t messageIDMask,
                               uint32_t maxMessages, int32_t* status) {
  Bus& b = bus();
  std::lock_guard lock(b.mutex);
  if (injectedFailure(b, CanCall::OpenStreamSession, status)) return;
  if (sessionHandle == nullptr) {
    *status = HAL_ERR_CANSessionMux_InvalidBuffer;
    return;
  }
  uint32_t handle = b.nextSession++;
  StreamSession& session = b.sessions[handle];
  session.id = messageID;
  session.mask = messageIDMask;
  session.capacity = std::max<uint32_t>(maxMessages, 1);
  *sessionHandle = handle;
  *status = 0;
}

void HAL_CAN_CloseStreamSession(uint32_t sessionHandle) {
  Bus& b = bus();
  std::lock_guard lock(b.mutex);
  b.sessions.erase(sessionHandle);
}

void HAL_CAN_ReadStreamSession(uint32_t sessionHandle, struct HAL_CANStreamMessage* messages,
                               uint32_t messagesToRead, uint32_t* messagesRead, int32_t* status) {
  Bus& b = bus();
  std::lock_guard lock(b.mutex);
  if (messagesRead) *messagesRead = 0;
  if (injectedFailure(b, CanCall::ReadStreamSession, status)) return;
  auto it = b.sessions.find(sessionHandle);
  if (it == b.sessions.end()) {
    *status = HAL_ERR_CANSessionMux_NotAllowed;
    return;
  }
  if (messages == nullptr || messagesRead == nullptr) {
    *status = HAL_ERR_CANSessionMux_InvalidBuffer;
    return;
  }
  StreamSession& session = it->second;
  uint32_t count = 0;
  while (count < messagesToRead && !session.pending.empty()) {
    const CanFrame& frame = session.pending.front();
    HAL_CANStreamMessage& out = messages[count++];
    out.messageID = frame.id;
    out.timeStamp = static_cast<uint32_t>(frame.timestampUs / 1000);
    std::copy(frame.data.begin(), frame.data.end(), out.data);
    out.dataSize = frame.size;
    session.pending.pop_front();
  }
  *messagesRead = count;
  if (session.overrun) {
    session.overrun = false;
    *status = HAL_ERR_CANSessionMux_SessionOverrun;
  } else {
    *status = count == 0 ? HAL_ERR_CANSessionMux_MessageNotFound : 0;
  }
}

HAL_CANHandle HAL_InitializeCAN(HAL_CANManufacturer manufacturer, int32_t deviceId,
                                HAL_CANDeviceType deviceType, int32_t* status) {
  Bus& b = bus();
  std::lock_guard lock(b.mutex);
  if (injectedFailure(b, CanCall::InitializeCAN, status)) return HAL_kInvalidHandle;
  if (deviceId < 0 || deviceId > 63 || manufacturer < 0 || manufacturer > 255 || deviceType < 0 ||
      deviceType > 31) {
    *status = kParameterOutOfRange;
    return HAL_kInvalidHandle;
  }
  std::tuple<int32_t, int32_t, int32_t> key{manufacturer, deviceId, deviceType};
  auto existing = b.handleByDevice.find(key);
  *status = 0;
  if (existing != b.handleByDevice.end()) return existing->second;
  int32_t handle = b.nextHandle++;
  b.handleByDevice[key] = handle;
  b.handles[handle].baseId = (static_cast<uint32_t>(deviceType) << 24) |
                             (static_cast<uint32_t>(manufacturer) << 16) |
                             static_cast<uint32_t>(deviceId);
  return handle;
}

void HAL_CleanCAN(HAL_CANHandle handle) {
  Bus& b = bus();
  std::lock_guard lock(b.mutex);
  if (b.handles.erase(handle) == 0) return;
  for (auto it = b.handleByDevice.begin(); it != b.handleByDevice.end(); ++it) {
    if (it->second == handle) {
      b.handleByDevice.erase(it);
      break;
    }
  }
}

void HAL_ReadCANPacketNew(HAL_CANHandle handle, int32_t apiId, uint8_t* data, int32_t* length,
                          uint64_t* receivedTimestamp, int32_t* status) {
  readPacket(CanCall::ReadPacketNew, handle, apiId, data, length, receivedTimestamp, status);
}

void HAL_ReadCANPacketLatest(HAL_CANHandle handle, int32_t apiId, uint8_t* data, int32_t* length,
                             uint64_t* receivedTimestamp, int32_t* status) {
  readPacket(CanCall::ReadPacketLatest, handle, apiId, data, length, receivedTimestamp, status);
}

}  // extern "C"
#endif
