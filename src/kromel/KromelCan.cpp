// The colour sensor over CAN: colour frames, and commands acknowledged through the stream
// session.

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <vector>

#include "KromelJNI.h"
#include "common/CanStreamSession.h"
#include "common/LittleEndian.h"
#include "common/Sleep.h"
#include "hal/CAN.h"
#include "kromel/KromelFrames.h"

using namespace kromel_frames;

namespace {

constexpr int kAckPollMs = 2;

float channel(const uint8_t* bytes) {
  return static_cast<float>(korvane::readI16(bytes) / 10000.0);
}

void packFloat(float value, unsigned char* out) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  korvane::writeU32(out, bits);
}

// Empties the session of everything that arrived before a command goes out: an acknowledgement
// that came after its own command gave up, or that answered another sensor (every sensor uses the
// same identifiers), must not be taken as the answer to the command about to be sent.
void discardPending(uint32_t session, std::vector<HAL_CANStreamMessage>& messages) {
  while (true) {
    if (korvane::can_session::read(session, messages.data(), kSessionCapacity) < kSessionCapacity) {
      return;
    }
  }
}

}  // namespace

KromelJNI::ColorData KromelJNI::getColorCAN() {
  ColorData reading;
  if (!canOk) return reading;
  uint32_t id = kColor;
  uint8_t data[8] = {};
  uint8_t length = 0;
  uint32_t timestamp = 0;
  int32_t status = 0;
  HAL_CAN_ReceiveMessage(&id, kIdMask, data, &length, &timestamp, &status);
  if (status != 0 || length < 8) return reading;
  reading.sequence = korvane::readU16(data);
  reading.x = channel(data + 2);
  reading.y = channel(data + 4);
  reading.z = channel(data + 6);
  reading.valid = true;
  show(reading);
  return reading;
}

bool KromelJNI::sendCommandWithAck(unsigned command, const unsigned char* data, unsigned char len,
                                   unsigned int* out, int timeoutMs) {
  if (!canOk || data == nullptr || len == 0 || len > 8) return false;
  {
    std::vector<HAL_CANStreamMessage> messages(kSessionCapacity, HAL_CANStreamMessage{});
    discardPending(session, messages);
  }
  int32_t sendStatus = 0;
  HAL_CAN_SendMessage(kCommand + command, data, len, HAL_CAN_SEND_PERIOD_NO_REPEAT, &sendStatus);
  if (sendStatus != 0) return false;
  unsigned char ackStatus = 2;
  unsigned int value = 0;
  if (!waitConfigAck(command, &value, &ackStatus, timeoutMs)) return false;
  if (out != nullptr) *out = value;
  return ackStatus == 0;
}

bool KromelJNI::waitConfigAck(unsigned command, unsigned int* value, unsigned char* status,
                              int timeoutMs) {
  if (!canOk) return false;
  timeoutMs = std::max(timeoutMs, 0);
  std::vector<HAL_CANStreamMessage> messages(kSessionCapacity, HAL_CANStreamMessage{});
  auto start = std::chrono::steady_clock::now();
  while (true) {
    uint32_t read = korvane::can_session::read(session, messages.data(), kSessionCapacity);
    for (uint32_t i = 0; i < read; ++i) {
      const HAL_CANStreamMessage& m = messages[i];
      if ((m.messageID & kIdMask) != kAck || m.dataSize < 6 ||
          m.data[0] != static_cast<uint8_t>(command)) {
        continue;
      }
      if (status != nullptr) *status = m.data[1];
      if (value != nullptr) *value = korvane::readU32(m.data + 2);
      return true;
    }
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    if (elapsed.count() >= timeoutMs) return false;
    korvane::sleepMilliseconds(kAckPollMs);
  }
}

bool KromelJNI::c_Kromel_setBrightness(int brightness) {
  if (transport != 0) return false;
  unsigned char payload[1] = {static_cast<unsigned char>(std::clamp(brightness, 0, 100))};
  return sendCommandWithAck(kSetBrightness, payload, 1, nullptr, kCommandTimeoutMs);
}

bool KromelJNI::c_Kromel_setStatusLed(bool on, int level) {
  if (transport != 0) return false;
  unsigned char payload[2] = {static_cast<unsigned char>(on ? 1 : 0),
                              static_cast<unsigned char>(std::clamp(level, 0, 100))};
  return sendCommandWithAck(kSetStatusLed, payload, 2, nullptr, kCommandTimeoutMs);
}

bool KromelJNI::c_Kromel_setMeasureMode(int mode, float value) {
  if (transport != 0) return false;
  unsigned char payload[6] = {static_cast<unsigned char>(mode), 0};
  unsigned char length;
  switch (mode) {
    case 0:
      length = 1;
      break;
    case 1:
      length = 2;
      break;
    case 2:
      packFloat(value, payload + 2);
      length = 6;
      break;
    default:
      return false;
  }
  return sendCommandWithAck(kSetMeasureMode, payload, length, nullptr, kCommandTimeoutMs);
}

bool KromelJNI::c_Kromel_setZmm(float zmm) {
  if (transport != 0) return false;
  unsigned char payload[4];
  packFloat(zmm, payload);
  return sendCommandWithAck(kSetZmm, payload, 4, nullptr, kCommandTimeoutMs);
}

bool KromelJNI::c_Kromel_setUsbOverride(bool enable) {
  if (transport != 0) return false;
  unsigned char payload[1] = {static_cast<unsigned char>(enable ? 1 : 0)};
  return sendCommandWithAck(kSetUsbOverride, payload, 1, nullptr, kCommandTimeoutMs);
}

bool KromelJNI::c_Kromel_setCanId(int newId) {
  if (transport != 0) return false;
  uint32_t bits = static_cast<uint32_t>(newId);
  unsigned char payload[4];
  for (int i = 0; i < 4; ++i) payload[i] = static_cast<unsigned char>(bits >> (8 * i));
  return sendCommandWithAck(kSetCanId, payload, 4, nullptr, kCommandTimeoutMs);
}

bool KromelJNI::c_Kromel_getConfig(int key, unsigned int* out) {
  if (out == nullptr || transport != 0) return false;
  unsigned char payload[1] = {static_cast<unsigned char>(key & 0xFF)};
  return sendCommandWithAck(kGetConfig, payload, 1, out, kCommandTimeoutMs);
}
