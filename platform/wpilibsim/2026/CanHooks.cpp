// The simulated CAN bus behind WPILib 2026's simulation HAL: its CAN callbacks call the bus (bus 0,
// WPILib 2026's only one).

#include <algorithm>
#include <mutex>

#include "CanBusModel.h"
#include "WpilibHal.h"
#include "hal/CAN.h"
#include "hal/CANAPI.h"
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

// Received frames are stamped as WPILib 2026's simulation HAL stamps the frames of its CAN API:
// whole milliseconds of HAL_GetCANPacketBaseTime, its simulated FPGA clock.
uint64_t arrivalStamp() {
  return HAL_GetCANPacketBaseTime();
}

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
