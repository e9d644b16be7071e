// The simulated CAN buses behind WPILib 2027's simulation HAL: its CAN callbacks, which carry the
// bus and its message structs, call the buses. Frames are stamped in microseconds of its monotonic
// clock (HAL_GetMonotonicTime), as its HAL stamps received frames; a device frame carries at most
// 8 bytes.

#include <algorithm>
#include <cstring>
#include <mutex>

#include "CanBusModel.h"
#include "WpilibHal.h"
#include "korvane/sim/Can.h"
#include "wpi/hal/CAN.h"
#include "wpi/hal/HAL.h"
#include "wpi/hal/simulation/CanData.h"

namespace korvane::platform::can_bus {

static_assert(kMessageNotFound == HAL_ERR_CANSessionMux_MessageNotFound);
static_assert(kSessionOverrun == HAL_ERR_CANSessionMux_SessionOverrun);

namespace {

void toMessage(const ArrivedFrame& arrived, HAL_CANReceiveMessage& out) {
  out.timeStamp = arrived.stamp;
  out.message.flags = HAL_CAN_NO_FLAGS;
  out.message.dataSize = arrived.frame.size;
  std::memcpy(out.message.data, arrived.frame.data.data(), arrived.frame.size);
}

void onSend(const char*, void*, int32_t busId, uint32_t messageId, const HAL_CANMessage* message,
            int32_t periodMs, int32_t* status) {
  if (message == nullptr) {
    *status = kInvalidBuffer;
    return;
  }
  sendMessage(busId, messageId, message->data, message->dataSize, periodMs, status);
}

// A receive no device makes (bits above the 29 of an identifier set) asks whether our callbacks
// are still registered: HALSIM_ResetCanData (a test's reset) removes every CAN callback.
constexpr uint32_t kProbeId = 0xFFFFFFFF;
thread_local bool t_probeAnswered = false;

void onReceive(const char*, void*, int32_t busId, uint32_t messageId,
               HAL_CANReceiveMessage* message, int32_t* status) {
  if (messageId == kProbeId) {
    t_probeAnswered = true;
    return;
  }
  if (message == nullptr) {
    *status = kInvalidBuffer;
    return;
  }
  ArrivedFrame arrived;
  if (!receiveMessage(busId, messageId, 0x1FFFFFFF, &arrived, status)) return;
  toMessage(arrived, *message);
}

void onOpenStream(const char*, void*, HAL_CANStreamHandle* streamHandle, int32_t busId,
                  uint32_t messageId, uint32_t messageIDMask, uint32_t maxMessages,
                  int32_t* status) {
  if (streamHandle == nullptr) {
    *status = kInvalidBuffer;
    return;
  }
  uint32_t session = 0;
  openStreamSession(busId, &session, messageId, messageIDMask, maxMessages, status);
  if (*status == 0) *streamHandle = static_cast<HAL_CANStreamHandle>(session);
}

void onCloseStream(const char*, void*, HAL_CANStreamHandle sessionHandle) {
  closeStreamSession(static_cast<uint32_t>(sessionHandle));
}

void putStreamMessage(void* context, uint32_t index, const ArrivedFrame& arrived) {
  HAL_CANStreamMessage& out = static_cast<HAL_CANStreamMessage*>(context)[index];
  out.messageId = arrived.frame.id;
  toMessage(arrived, out.message);
}

void onReadStream(const char*, void*, HAL_CANStreamHandle sessionHandle,
                  HAL_CANStreamMessage* messages, uint32_t messagesToRead, uint32_t* messagesRead,
                  int32_t* status) {
  readStreamSession(static_cast<uint32_t>(sessionHandle),
                    messages == nullptr ? nullptr : putStreamMessage, messages, messagesToRead,
                    messagesRead, status);
}

bool callbacksRegistered() {
  t_probeAnswered = false;
  HAL_CANReceiveMessage message{};
  int32_t status = 0;
  HAL_CAN_ReceiveMessage(0, kProbeId, &message, &status);
  return t_probeAnswered;
}

}  // namespace

uint64_t arrivalStamp() {
  return HAL_GetMonotonicTime();
}

// Registered for the life of the process: nothing here cancels them, and resetCan() only
// empties the buses behind them. After HALSIM_ResetCanData has removed them, the next simulation
// control registers them again: a simulator that publishes does so at its next frame, so the
// simulators reattach by themselves, with the buses (devices, sessions, frames) as they were.
void connectToHal() {
  static std::mutex connecting;
  std::lock_guard lock(connecting);
  ensureWpilibHal();
  if (callbacksRegistered()) return;
  HALSIM_RegisterCanSendMessageCallback(onSend, nullptr);
  HALSIM_RegisterCanReceiveMessageCallback(onReceive, nullptr);
  HALSIM_RegisterCanOpenStreamCallback(onOpenStream, nullptr);
  HALSIM_RegisterCanCloseStreamCallback(onCloseStream, nullptr);
  HALSIM_RegisterCanReadStreamCallback(onReadStream, nullptr);
}

}  // namespace korvane::platform::can_bus

namespace korvane::sim {
int openCanHandles() {
  return -1;  // WPILib's HAL keeps its CAN handles to itself
}
}  // namespace korvane::sim
