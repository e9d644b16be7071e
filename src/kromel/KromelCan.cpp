// The colour sensor over CAN: colour frames, and commands acknowledged through the stream
// session.

#include <algorithm>
#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "common/CanDeviceId.h"
#include "common/LittleEndian.h"
#include "common/Sleep.h"
#include "kromel/KromelFrames.h"
#include "kromel/KromelParts.h"

using namespace korvane::kromel::frames;

namespace korvane::kromel {

namespace {

constexpr int kAckPollMs = 2;

float channel(const uint8_t* bytes) {
  return static_cast<float>(readI16(bytes) / 10000.0);
}

}  // namespace

CanPart::CanPart(int bus, uint8_t canId)
    : Transport(kCan, canId, "Kromel[" + canDeviceId(bus, canId) + "]", kUnknownSilenceMs),
      session_(bus, canId, {kBase, kBaseMask, kSessionCapacity}, "Kromel", health()) {}

std::optional<Arrived<ColorData>> CanPart::receiveColor() {
  uint8_t data[8] = {};
  uint32_t stamp = 0;
  const int length = session_.receiveLatest(kColor, data, &stamp);
  if (length < 0) return std::nullopt;
  health().heard(stamp);
  Arrived<ColorData> received{ColorData{}, stamp};
  if (length < 8) return received;  // heard, but no reading
  ColorData& reading = received.reading;
  reading.sequence = readU16(data);
  reading.x = channel(data + 2);
  reading.y = channel(data + 4);
  reading.z = channel(data + 6);
  reading.valid = true;
  return received;
}

void CanPart::listen() {
  std::optional<Arrived<ColorData>> received = receiveColor();
  if (!received) return;
  std::lock_guard lock(unreadMutex_);
  unread_ = received;
}

ColorData CanPart::color() {
  std::optional<Arrived<ColorData>> received = receiveColor();
  {
    std::lock_guard lock(unreadMutex_);
    if (!received) received = unread_;
    unread_.reset();
  }
  if (!received || !received->reading.valid) return ColorData{};
  ColorData reading = received->reading;
  reading.ageMs = health().ageOf(received->arrivedMs);
  show(reading);
  return reading;
}

bool CanPart::setColorFormat(int format) {
  unsigned char payload[1] = {static_cast<unsigned char>(format)};
  return command(kSetColorFormat, payload, 1, nullptr);
}

bool CanPart::setSampleTime(int ms) {
  unsigned char payload[2];
  writeU16(payload, static_cast<uint16_t>(ms));
  return command(kSetSampleTime, payload, 2, nullptr);
}

bool CanPart::command(unsigned number, const unsigned char* payload, unsigned char length,
                      unsigned int* out) {
  if (payload == nullptr || length == 0 || length > 8) return false;
  std::vector<SensorCanSession::Frame> messages(kSessionCapacity);
  // Empties the session of everything that arrived before the command goes out: an
  // acknowledgement that came after its own command gave up, or that answered another sensor
  // (every sensor uses the same identifiers), must not be taken as this command's answer.
  while (session_.read(messages.data(), kSessionCapacity) == kSessionCapacity) {
  }
  if (!session_.send(kCommand + number, payload, length)) return false;
  unsigned char ackStatus = 2;
  unsigned int value = 0;
  if (!waitConfigAck(messages, number, &value, &ackStatus, kCommandTimeoutMs)) return false;
  if (out != nullptr) *out = value;
  return ackStatus == 0;
}

bool CanPart::waitConfigAck(std::vector<SensorCanSession::Frame>& messages, unsigned command,
                            unsigned int* value, unsigned char* status, int timeoutMs) {
  timeoutMs = std::max(timeoutMs, 0);
  auto start = std::chrono::steady_clock::now();
  while (true) {
    uint32_t read = session_.read(messages.data(), kSessionCapacity);
    for (uint32_t i = 0; i < read; ++i) {
      const SensorCanSession::Frame& m = messages[i];
      if ((m.id & kIdMask) != kAck || m.size < 6 || m.data[0] != static_cast<uint8_t>(command)) {
        continue;
      }
      if (status != nullptr) *status = m.data[1];
      if (value != nullptr) *value = readU32(m.data + 2);
      return true;
    }
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    if (elapsed.count() >= timeoutMs) return false;
    sleepMilliseconds(kAckPollMs);
  }
}

}  // namespace korvane::kromel
