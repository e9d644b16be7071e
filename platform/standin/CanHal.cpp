// The stand-in's HAL CAN functions. The bus calls go straight to the simulated bus; handles and
// packet reads work as WPILib's CAN API does over its bus calls: a handle per HAL_InitializeCAN
// (the lowest index free, so a closed controller's handle is the next opening's), packet reads as
// receives of the device's identifier, and a per-handle copy of the last frame received for each
// API, which a latest-packet read falls back on.

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "CanBusModel.h"
#include "MonotonicTime.h"
#include "hal/CAN.h"
#include "hal/CANAPI.h"
#include "korvane/sim/Can.h"

namespace {

using korvane::sim::CanCall;
namespace can_bus = korvane::platform::can_bus;

constexpr int32_t kHandleError = -1098;  // HAL_HANDLE_ERROR
constexpr uint32_t kFullMask = 0x1FFFFFFF;
constexpr HAL_CANHandle kCanHandleType = 19 << 24;  // the HAL's handle type for CAN, index 0

static_assert(can_bus::kMessageNotFound == HAL_ERR_CANSessionMux_MessageNotFound);
static_assert(can_bus::kSessionOverrun == HAL_ERR_CANSessionMux_SessionOverrun);
static_assert(can_bus::kNotAllowed == HAL_ERR_CANSessionMux_NotAllowed);

void putStreamMessage(void* context, uint32_t index, const can_bus::ArrivedFrame& arrived) {
  const korvane::sim::CanFrame& frame = arrived.frame;
  HAL_CANStreamMessage& out = static_cast<HAL_CANStreamMessage*>(context)[index];
  out.messageID = frame.id;
  out.timeStamp = static_cast<uint32_t>(arrived.stamp);
  std::copy(frame.data.begin(), frame.data.end(), out.data);
  out.dataSize = frame.size;
}

struct Received {
  uint8_t data[8] = {};
  uint8_t length = 0;
  uint32_t timestamp = 0;
};

struct CanDevice {
  uint32_t baseId = 0;  // device type, manufacturer and device number; API bits 0
  std::mutex mutex;     // guards received
  std::map<uint32_t, Received> received;
};

struct Handles {
  std::mutex mutex;
  std::map<HAL_CANHandle, std::shared_ptr<CanDevice>> open;
};

// Never destroyed: threads of the drivers may still read while the process exits.
Handles& handles() {
  static Handles* instance = new Handles;
  return *instance;
}

std::shared_ptr<CanDevice> deviceFor(HAL_CANHandle handle) {
  Handles& h = handles();
  std::lock_guard lock(h.mutex);
  auto it = h.open.find(handle);
  return it == h.open.end() ? nullptr : it->second;
}

uint32_t frameId(const CanDevice& device, int32_t apiId) {
  return device.baseId | ((static_cast<uint32_t>(apiId) & 0x3FF) << 6);
}

// Keeps the frame a packet read handed out as the handle's copy, which a later
// HAL_ReadCANPacketLatest hands out again while no newer frame has come. Under device.mutex.
void remember(CanDevice& device, uint32_t id, const uint8_t* data, uint8_t size,
              uint32_t timestamp) {
  Received& r = device.received[id];
  r.length = size;
  r.timestamp = timestamp;
  std::memcpy(r.data, data, size);
}

// A receive of the API's frame. Returns the device (null for an unknown handle, with the status
// set) and the identifier received.
std::shared_ptr<CanDevice> receivePacket(CanCall call, HAL_CANHandle handle, int32_t apiId,
                                         uint8_t* data, uint8_t* length, uint32_t* timestamp,
                                         uint32_t* messageId, int32_t* status) {
  if (can_bus::injectedFailure(call, status)) return nullptr;
  auto device = deviceFor(handle);
  if (!device) {
    *status = kHandleError;
    return nullptr;
  }
  *messageId = frameId(*device, apiId);
  HAL_CAN_ReceiveMessage(messageId, kFullMask, data, length, timestamp, status);
  return device;
}

}  // namespace

namespace korvane::platform::can_bus {
void connectToHal() {}  // the HAL functions below call the bus themselves

// Received frames are stamped in whole milliseconds of the monotonic clock, as on the robot.
uint64_t arrivalStamp() {
  return static_cast<uint64_t>(monotonicMicros() / 1000);
}
}  // namespace korvane::platform::can_bus

namespace korvane::sim {
int openCanHandles() {
  Handles& h = handles();
  std::lock_guard lock(h.mutex);
  return static_cast<int>(h.open.size());
}
}  // namespace korvane::sim

extern "C" {

void HAL_CAN_SendMessage(uint32_t messageID, const uint8_t* data, uint8_t dataSize,
                         int32_t periodMs, int32_t* status) {
  can_bus::sendMessage(0, messageID, data, dataSize, periodMs, status);
}

void HAL_CAN_ReceiveMessage(uint32_t* messageID, uint32_t messageIDMask, uint8_t* data,
                            uint8_t* dataSize, uint32_t* timeStamp, int32_t* status) {
  *status = HAL_ERR_CANSessionMux_MessageNotFound;  // unless the bus has a frame
  if (messageID == nullptr) {
    *status = HAL_ERR_CANSessionMux_InvalidBuffer;
    return;
  }
  can_bus::ArrivedFrame arrived;
  if (!can_bus::receiveMessage(0, *messageID, messageIDMask, &arrived, status)) return;
  const korvane::sim::CanFrame& frame = arrived.frame;
  *messageID = frame.id;
  if (data) std::copy(frame.data.begin(), frame.data.begin() + frame.size, data);
  if (dataSize) *dataSize = frame.size;
  if (timeStamp) *timeStamp = static_cast<uint32_t>(arrived.stamp);
}

void HAL_CAN_OpenStreamSession(uint32_t* sessionHandle, uint32_t messageID, uint32_t messageIDMask,
                               uint32_t maxMessages, int32_t* status) {
  can_bus::openStreamSession(0, sessionHandle, messageID, messageIDMask, maxMessages, status);
}

void HAL_CAN_CloseStreamSession(uint32_t sessionHandle) {
  can_bus::closeStreamSession(sessionHandle);
}

void HAL_CAN_ReadStreamSession(uint32_t sessionHandle, struct HAL_CANStreamMessage* messages,
                               uint32_t messagesToRead, uint32_t* messagesRead, int32_t* status) {
  if (messagesRead) *messagesRead = 0;
  *status = HAL_ERR_CANSessionMux_NotAllowed;  // unless the bus has the session
  can_bus::readStreamSession(sessionHandle, messages == nullptr ? nullptr : putStreamMessage,
                             messages, messagesToRead, messagesRead, status);
}

// The clock the bus stamps received frames with: whole milliseconds of the monotonic clock,
// wrapping at 32 bits, as the robot's CAN layer stamps them.
uint32_t HAL_GetCANPacketBaseTime(void) {
  return static_cast<uint32_t>(korvane::platform::monotonicMicros() / 1000);
}

HAL_CANHandle HAL_InitializeCAN(HAL_CANManufacturer manufacturer, int32_t deviceId,
                                HAL_CANDeviceType deviceType, int32_t* status) {
  if (can_bus::injectedFailure(CanCall::InitializeCAN, status)) return HAL_kInvalidHandle;
  auto device = std::make_shared<CanDevice>();
  // The identifier's fields, cut to their widths as the robot's CAN API cuts them.
  device->baseId = ((static_cast<uint32_t>(deviceType) & 0x1F) << 24) |
                   ((static_cast<uint32_t>(manufacturer) & 0xFF) << 16) |
                   (static_cast<uint32_t>(deviceId) & 0x3F);
  Handles& h = handles();
  std::lock_guard lock(h.mutex);
  HAL_CANHandle handle = kCanHandleType;
  while (h.open.count(handle) != 0) ++handle;
  h.open[handle] = std::move(device);
  return handle;
}

void HAL_CleanCAN(HAL_CANHandle handle) {
  Handles& h = handles();
  std::lock_guard lock(h.mutex);
  h.open.erase(handle);
}

void HAL_ReadCANPacketNew(HAL_CANHandle handle, int32_t apiId, uint8_t* data, int32_t* length,
                          uint64_t* receivedTimestamp, int32_t* status) {
  uint32_t id = 0;
  uint8_t size = 0;
  uint32_t timestamp = 0;
  auto device =
      receivePacket(CanCall::ReadPacketNew, handle, apiId, data, &size, &timestamp, &id, status);
  if (!device) return;
  if (*status == 0) {
    std::lock_guard lock(device->mutex);
    remember(*device, id, data, size, timestamp);
  }
  *length = size;
  *receivedTimestamp = timestamp;
}

void HAL_ReadCANPacketLatest(HAL_CANHandle handle, int32_t apiId, uint8_t* data, int32_t* length,
                             uint64_t* receivedTimestamp, int32_t* status) {
  uint32_t id = 0;
  uint8_t size = 0;
  uint32_t timestamp = 0;
  auto device =
      receivePacket(CanCall::ReadPacketLatest, handle, apiId, data, &size, &timestamp, &id, status);
  if (!device) return;
  std::lock_guard lock(device->mutex);
  if (*status == 0) {
    remember(*device, id, data, size, timestamp);
    *length = size;
    *receivedTimestamp = timestamp;
    return;
  }
  auto cached = device->received.find(id);
  if (cached == device->received.end()) return;
  std::memcpy(data, cached->second.data, cached->second.length);
  *length = cached->second.length;
  *receivedTimestamp = cached->second.timestamp;
  *status = 0;
}

}  // extern "C"
