// The simulated CAN bus behind WPILib's simulation HAL: its CAN callbacks call the bus.

#include <mutex>

#include "CanBusModel.h"
#include "WpilibHal.h"
#include "hal/CAN.h"
#include "hal/simulation/CanData.h"
#include "korvane/sim/Can.h"

namespace korvane::platform::can_bus {
namespace {

void onSend(const char*, void*, uint32_t messageID, const uint8_t* data, uint8_t dataSize,
            int32_t periodMs, int32_t* status) {
  sendMessage(messageID, data, dataSize, periodMs, status);
}

// A receive no device makes (bits above the 29 of an identifier set) asks whether our callbacks
// are still registered: HALSIM_ResetCanData (a test's reset) removes every CAN callback.
constexpr uint32_t kProbeId = 0xFFFFFFFF;
constexpr uint32_t kProbeMask = 0xFFFFFFFF;
thread_local bool t_probeAnswered = false;

void onReceive(const char*, void*, uint32_t* messageID, uint32_t messageIDMask, uint8_t* data,
               uint8_t* dataSize, uint32_t* timeStamp, int32_t* status) {
  if (messageID != nullptr && *messageID == kProbeId && messageIDMask == kProbeMask) {
    t_probeAnswered = true;
    return;
  }
  receiveMessage(messageID, messageIDMask, data, dataSize, timeStamp, status);
}

bool callbacksRegistered() {
  t_probeAnswered = false;
  uint32_t id = kProbeId;
  uint8_t data[8] = {};
  uint8_t size = 0;
  uint32_t stamp = 0;
  int32_t status = 0;
  HAL_CAN_ReceiveMessage(&id, kProbeMask, data, &size, &stamp, &status);
  return t_probeAnswered;
}

void onOpenStream(const char*, void*, uint32_t* sessionHandle, uint32_t messageID,
                  uint32_t messageIDMask, uint32_t maxMessages, int32_t* status) {
  openStreamSession(sessionHandle, messageID, messageIDMask, maxMessages, status);
}

void onCloseStream(const char*, void*, uint32_t sessionHandle) {
  closeStreamSession(sessionHandle);
}

void onReadStream(const char*, void*, uint32_t sessionHandle, HAL_CANStreamMessage* messages,
                  uint32_t messagesToRead, uint32_t* messagesRead, int32_t* status) {
  readStreamSession(sessionHandle, messages, messagesToRead, messagesRead, status);
}

}  // namespace

// Registered for the life of the process: nothing here cancels them, and resetCan() only
// empties the bus behind them. After HALSIM_ResetCanData has removed them, the next simulation
// control registers them again: a simulator that publishes does so at its next frame, so the
// simulators reattach by themselves, with the bus (devices, sessions, frames) as it was.
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
