// CAN through WPILib 2026's HAL: one bus, and frames of 8 bytes at most.

#include "port/Can.h"

#include <algorithm>
#include <iostream>
#include <string>

#include "common/ConsoleLine.h"
#include "hal/CAN.h"
#include "hal/CANAPI.h"

namespace korvane::port::can {

static_assert(kMessageNotFound == HAL_ERR_CANSessionMux_MessageNotFound);
static_assert(kSessionOverrun == HAL_ERR_CANSessionMux_SessionOverrun);

namespace {

constexpr uint32_t kExactId = 0x1FFFFFFF;
// Stream messages are read through a buffer of this many at a time.
constexpr uint32_t kReadChunk = 16;

}  // namespace

int busCount() {
  return 1;
}

bool busInRange(int bus, const char* tag) {
  if (bus == 0) return true;
  printLine(std::cout, std::string("[") + tag + "] CAN bus " + std::to_string(bus) +
                           " does not exist here: WPILib 2026's robot controller has one CAN bus, "
                           "bus 0");
  return false;
}

// The clock the HAL stamps received frames with: CLOCK_MONOTONIC on the roboRIO, the simulated
// FPGA clock in WPILib's simulation.
uint32_t receiveClockMs() {
  return HAL_GetCANPacketBaseTime();
}

int32_t openDevice(int, int manufacturer, int deviceNumber, int deviceType, int32_t* status) {
  return HAL_InitializeCAN(static_cast<HAL_CANManufacturer>(manufacturer), deviceNumber,
                           static_cast<HAL_CANDeviceType>(deviceType), status);
}

void closeDevice(int32_t handle) {
  HAL_CleanCAN(handle);
}

void readLatest(int32_t handle, int api, uint8_t* data, int32_t* length, uint64_t* timestampMs,
                int32_t* status) {
  HAL_ReadCANPacketLatest(handle, api, data, length, timestampMs, status);
}

void readNew(int32_t handle, int api, uint8_t* data, int32_t* length, uint64_t* timestampMs,
             int32_t* status) {
  HAL_ReadCANPacketNew(handle, api, data, length, timestampMs, status);
}

void send(int, uint32_t id, const uint8_t* data, uint8_t size, int32_t* status) {
  HAL_CAN_SendMessage(id, data, size, HAL_CAN_SEND_PERIOD_NO_REPEAT, status);
}

void receive(int, uint32_t id, uint8_t* data, uint8_t* size, uint32_t* timestampMs,
             int32_t* status) {
  uint32_t received = id;
  HAL_CAN_ReceiveMessage(&received, kExactId, data, size, timestampMs, status);
}

uint32_t openSession(int, uint32_t id, uint32_t mask, uint32_t maxMessages, int32_t* status) {
  uint32_t session = 0;
  HAL_CAN_OpenStreamSession(&session, id, mask, maxMessages, status);
  return session;
}

void closeSession(uint32_t session) {
  HAL_CAN_CloseStreamSession(session);
}

void readSession(uint32_t session, Frame* frames, uint32_t capacity, uint32_t* read,
                 int32_t* status) {
  HAL_CANStreamMessage messages[kReadChunk];
  *read = 0;
  while (*read < capacity) {
    const uint32_t wanted = std::min(kReadChunk, capacity - *read);
    uint32_t got = 0;
    int32_t chunkStatus = 0;
    HAL_CAN_ReadStreamSession(session, messages, wanted, &got, &chunkStatus);
    if (chunkStatus != 0 && chunkStatus != kSessionOverrun) {
      if (*read == 0) *status = chunkStatus;
      return;
    }
    if (chunkStatus == kSessionOverrun || *read == 0) *status = chunkStatus;
    got = std::min(got, wanted);
    for (uint32_t i = 0; i < got; ++i) {
      Frame& out = frames[*read + i];
      out.id = messages[i].messageID;
      out.size = std::min<uint8_t>(messages[i].dataSize, kMaxDataBytes);
      std::copy(messages[i].data, messages[i].data + out.size, out.data);
      out.timestampMs = messages[i].timeStamp;
    }
    *read += got;
    if (got < wanted) return;
  }
}

}  // namespace korvane::port::can
