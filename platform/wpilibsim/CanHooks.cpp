// The simulated CAN bus behind WPILib's simulation HAL: its CAN callbacks call the bus.

#include <mutex>

#include "CanBusModel.h"
#include "WpilibHal.h"
#include "hal/simulation/CanData.h"
#include "korvane/sim/Can.h"

namespace korvane::platform::can_bus {
namespace {

void onSend(const char*, void*, uint32_t messageID, const uint8_t* data, uint8_t dataSize,
            int32_t periodMs, int32_t* status) {
  sendMessage(messageID, data, dataSize, periodMs, status);
}

void onReceive(const char*, void*, uint32_t* messageID, uint32_t messageIDMask, uint8_t* data,
               uint8_t* dataSize, uint32_t* timeStamp, int32_t* status) {
  receiveMessage(messageID, messageIDMask, data, dataSize, timeStamp, status);
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
