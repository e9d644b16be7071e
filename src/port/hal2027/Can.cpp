// CAN through WPILib 2027's HAL: a bus per call, message structs, and CAN FD frames of up to 64
// bytes, of which the drivers take the first 8. Its stamps are microseconds of its monotonic clock
// (HAL_GetMonotonicTime), handed on as whole milliseconds.

#include "port/Can.h"

#include <algorithm>
#include <cstring>
#include <iostream>
#include <string>

#include "common/ConsoleLine.h"
#include "wpi/hal/CAN.h"
#include "wpi/hal/CANAPI.h"
#include "wpi/hal/HAL.h"
#include "wpi/hal/Ports.h"

namespace korvane::port::can {

static_assert(kMessageNotFound == HAL_ERR_CANSessionMux_MessageNotFound);
static_assert(kSessionOverrun == HAL_ERR_CANSessionMux_SessionOverrun);

namespace {

// Stream messages are read through a buffer of this many at a time.
constexpr uint32_t kReadChunk = 16;

uint32_t milliseconds(uint64_t microseconds) {
  return static_cast<uint32_t>(microseconds / 1000);
}

// The message's first bytes (at most 8) into data; its byte count.
uint8_t copyData(const HAL_CANMessage& message, uint8_t* data) {
  const uint8_t size = std::min<uint8_t>(message.dataSize, kMaxDataBytes);
  std::memcpy(data, message.data, size);
  return size;
}

}  // namespace

// As many as the HAL says: its simulation has five, Systemcore's HAL more than its five CAN
// connectors (can_s0 to can_s4).
int busCount() {
  return HAL_GetNumCanBuses();
}

bool busInRange(int bus, const char* tag) {
  const int buses = busCount();
  if (bus >= 0 && bus < buses) return true;
  printLine(std::cout, std::string("[") + tag + "] CAN bus " + std::to_string(bus) +
                           " is out of range (0 - " + std::to_string(buses - 1) + ")");
  return false;
}

uint32_t receiveClockMs() {
  return milliseconds(HAL_GetMonotonicTime());
}

int32_t openDevice(int bus, int manufacturer, int deviceNumber, int deviceType, int32_t* status) {
  return HAL_InitializeCAN(bus, static_cast<HAL_CANManufacturer>(manufacturer), deviceNumber,
                           static_cast<HAL_CANDeviceType>(deviceType), status);
}

void closeDevice(int32_t handle) {
  HAL_CleanCAN(handle);
}

void readLatest(int32_t handle, int api, uint8_t* data, int32_t* length, uint64_t* timestampMs,
                int32_t* status) {
  HAL_CANReceiveMessage message{};
  HAL_ReadCANPacketLatest(handle, api, &message, status);
  if (*status != 0) return;
  *length = copyData(message.message, data);
  *timestampMs = milliseconds(message.timeStamp);
}

void readNew(int32_t handle, int api, uint8_t* data, int32_t* length, uint64_t* timestampMs,
             int32_t* status) {
  HAL_CANReceiveMessage message{};
  HAL_ReadCANPacketNew(handle, api, &message, status);
  if (*status != 0) return;
  *length = copyData(message.message, data);
  *timestampMs = milliseconds(message.timeStamp);
}

void send(int bus, uint32_t id, const uint8_t* data, uint8_t size, int32_t* status) {
  HAL_CANMessage message{};
  message.flags = HAL_CAN_NO_FLAGS;
  message.dataSize = std::min<uint8_t>(size, kMaxDataBytes);
  if (data != nullptr) std::memcpy(message.data, data, message.dataSize);
  HAL_CAN_SendMessage(bus, id, &message, HAL_CAN_SEND_PERIOD_NO_REPEAT, status);
}

void receive(int bus, uint32_t id, uint8_t* data, uint8_t* size, uint32_t* timestampMs,
             int32_t* status) {
  HAL_CANReceiveMessage message{};
  HAL_CAN_ReceiveMessage(bus, id, &message, status);
  if (*status != 0) return;
  *size = copyData(message.message, data);
  *timestampMs = milliseconds(message.timeStamp);
}

uint32_t openSession(int bus, uint32_t id, uint32_t mask, uint32_t maxMessages, int32_t* status) {
  return static_cast<uint32_t>(HAL_CAN_OpenStreamSession(bus, id, mask, maxMessages, status));
}

void closeSession(uint32_t session) {
  HAL_CAN_CloseStreamSession(static_cast<HAL_CANStreamHandle>(session));
}

void readSession(uint32_t session, Frame* frames, uint32_t capacity, uint32_t* read,
                 int32_t* status) {
  HAL_CANStreamMessage messages[kReadChunk];
  *read = 0;
  while (*read < capacity) {
    const uint32_t wanted = std::min(kReadChunk, capacity - *read);
    uint32_t got = 0;
    int32_t chunkStatus = 0;
    HAL_CAN_ReadStreamSession(static_cast<HAL_CANStreamHandle>(session), messages, wanted, &got,
                              &chunkStatus);
    if (chunkStatus != 0 && chunkStatus != kSessionOverrun) {
      if (*read == 0) *status = chunkStatus;
      return;
    }
    if (chunkStatus == kSessionOverrun || *read == 0) *status = chunkStatus;
    got = std::min(got, wanted);
    for (uint32_t i = 0; i < got; ++i) {
      Frame& out = frames[*read + i];
      out.id = messages[i].messageId;
      out.size = copyData(messages[i].message.message, out.data);
      out.timestampMs = milliseconds(messages[i].message.timeStamp);
    }
    *read += got;
    if (got < wanted) return;
  }
}

}  // namespace korvane::port::can
