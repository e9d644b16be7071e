// The simulated CAN bus behind WPILib 2026's simulation HAL: its CAN callbacks call the bus (bus 0,
// WPILib 2026's only one).

#include <algorithm>
#include <mutex>

#include "CanBusModel.h"
#include "MonotonicTime.h"
#include "WpilibHal.h"
#include "hal/CAN.h"
#include "hal/simulation/CanData.h"
#include "korvane/sim/Can.h"

namespace korvane::platform::can_bus {

static_assert(kMessageNotFound == HAL_ERR_CANSessionMux_MessageNotFound);
static_assert(kSessionOverrun == HAL_ERR_CANSessionMux_SessionOverrun);

namespace {

void onSend(const char*, void*, uint32_t messageID, const uint8_t* data, uint8_t dataSize,
            int32_t periodMs, int32_t* status) {
  sendMessage(0, messageID, data, dataSize, periodMs, status);
}

void onReceive(const char*, void*, uint32_t* messageID, uint32_t messageIDMask, uint8_t* data,
               uint8_t* dataSize, uint32_t* timeStamp, int32_t* status) {
  if (messageID == nullptr) {
    *status = kInvalidBuffer;
    return;
  }
  ArrivedFrame arrived;
  if (!receiveMessage(0, *messageID, messageIDMask, &arrived, status)) return;
  *messageID = arrived.frame.id;
  if (data)
    std::copy(arrived.frame.data.begin(), arrived.frame.data.begin() + arrived.frame.size, data);
  if (dataSize) *dataSize = arrived.frame.size;
  if (timeStamp) *timeStamp = static_cast<uint32_t>(arrived.stamp);
}

void onOpenStream(const char*, void*, uint32_t* sessionHandle, uint32_t messageID,
                  uint32_t messageIDMask, uint32_t maxMessages, int32_t* status) {
  openStreamSession(0, sessionHandle, messageID, messageIDMask, maxMessages, status);
}

void onCloseStream(const char*, void*, uint32_t sessionHandle) {
  closeStreamSession(sessionHandle);
}

void putStreamMessage(void* context, uint32_t index, const ArrivedFrame& arrived) {
  HAL_CANStreamMessage& out = static_cast<HAL_CANStreamMessage*>(context)[index];
  out.messageID = arrived.frame.id;
  out.timeStamp = static_cast<uint32_t>(arrived.stamp);
  std::copy(arrived.frame.data.begin(), arrived.frame.data.end(), out.data);
  out.dataSize = arrived.frame.size;
}

void onReadStream(const char*, void*, uint32_t sessionHandle, HAL_CANStreamMessage* messages,
                  uint32_t messagesToRead, uint32_t* messagesRead, int32_t* status) {
  readStreamSession(sessionHandle, messages == nullptr ? nullptr : putStreamMessage, messages,
                    messagesToRead, messagesRead, status);
}

}  // namespace

// Received frames are stamped in whole milliseconds of the monotonic clock, as the stand-in and the
// robot stamp them.
uint64_t arrivalStamp() {
  return static_cast<uint64_t>(monotonicMicros() / 1000);
}

// Registered for the life of the process: nothing here cancels them, and resetCan() only
// empties the bus behind them.
void connectToHal() {
  static std::once_flag once;
  std::call_once(once, [] {
    ensureWpilibHal();
    HALSIM_RegisterCanSendMessageCallback(onSend, nullptr);
    HALSIM_RegisterCanReceiveMessageCallback(onReceive, nullptr);
    HALSIM_RegisterCanOpenStreamCallback(onOpenStream, nullptr);
    HALSIM_RegisterCanCloseStreamCallback(onCloseStream, nullptr);
    HALSIM_RegisterCanReadStreamCallback(onReadStream, nullptr);
  });
}

}  // namespace korvane::platform::can_bus

namespace korvane::sim {
int openCanHandles() {
  return -1;  // WPILib's HAL keeps its CAN handles to itself
}
}  // namespace korvane::sim
