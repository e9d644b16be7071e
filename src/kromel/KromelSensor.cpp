// The colour-sensor object: opening for either transport, its table, and the operations, whose
// arguments are checked and clamped here and carried by the object's transport part.

#include "kromel/KromelSensor.h"

#include <algorithm>
#include <cstring>

#include "common/LittleEndian.h"
#include "kromel/KromelFrames.h"

namespace korvane::kromel {

using namespace frames;

namespace {

constexpr const char* kTag = "Kromel";

void packFloat(float value, unsigned char* out) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  writeU32(out, bits);
}

}  // namespace

uint32_t silenceMsFor(int sampleTimeMs) {
  if (sampleTimeMs <= 0) return kUnknownSilenceMs;
  return std::max(kShortestSilenceMs, 3 * static_cast<uint32_t>(sampleTimeMs));
}

void Transport::showAs(std::string_view className, std::string_view id) {
  if (!shown_.device.open(className, id)) return;
  shown_.device.add(shown_.x, "X", 0.0);
  shown_.device.add(shown_.y, "Y", 0.0);
  shown_.device.add(shown_.z, "Z", 0.0);
  shown_.device.add(shown_.sequence, "Sequence", 0);
}

void Transport::show(const ColorData& reading) {
  shown_.x.set(reading.x);
  shown_.y.set(reading.y);
  shown_.z.set(reading.z);
  shown_.sequence.set(reading.sequence);
}

// The colour sensors' table: every open sensor, whichever way it was opened.
Sensor::Table& Sensor::table() {
  static Table* sensors = new Table;  // never destroyed: a late call still finds a table
  return *sensors;
}

int64_t Sensor::openCan(int bus, int canId) {
  return DualTransportSensor::openCan<CanPart>(kTag, bus, canId);
}

int64_t Sensor::openUsb(const char* path, int sampleTimeMs) {
  return DualTransportSensor::openUsb<UsbPart>(kTag, path, sampleTimeMs);
}

bool Sensor::command(unsigned number, const unsigned char* payload, unsigned char length,
                     unsigned int* out) {
  const auto turn = commandTurn();
  return part().command(number, payload, length, out);
}

bool Sensor::setColorFormat(int format) {
  if (format < 0 || format > 4) return false;
  const auto turn = commandTurn();
  return part().setColorFormat(format);
}

bool Sensor::setSampleTimeMs(int ms) {
  const int sampleTime = std::clamp(ms, 0, 65535);
  const auto turn = commandTurn();
  if (!part().setSampleTime(sampleTime)) return false;
  part().health().setTimeoutMs(silenceMsFor(sampleTime));
  return true;
}

bool Sensor::setBrightness(int brightness) {
  unsigned char payload[1] = {static_cast<unsigned char>(std::clamp(brightness, 0, 100))};
  return command(kSetBrightness, payload, 1, nullptr);
}

bool Sensor::setStatusLed(bool on, int level) {
  unsigned char payload[2] = {static_cast<unsigned char>(on ? 1 : 0),
                              static_cast<unsigned char>(std::clamp(level, 0, 100))};
  return command(kSetStatusLed, payload, 2, nullptr);
}

bool Sensor::setMeasureMode(int mode, float value) {
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
  return command(kSetMeasureMode, payload, length, nullptr);
}

bool Sensor::setZmm(float zmm) {
  unsigned char payload[4];
  packFloat(zmm, payload);
  return command(kSetZmm, payload, 4, nullptr);
}

bool Sensor::setUsbOverride(bool enable) {
  unsigned char payload[1] = {static_cast<unsigned char>(enable ? 1 : 0)};
  return command(kSetUsbOverride, payload, 1, nullptr);
}

bool Sensor::setCanId(int newId) {
  unsigned char payload[4];
  writeU32(payload, static_cast<uint32_t>(newId));
  return command(kSetCanId, payload, 4, nullptr);
}

bool Sensor::getConfig(int key, unsigned int* out) {
  if (out == nullptr) return false;
  unsigned char payload[1] = {static_cast<unsigned char>(key & 0xFF)};
  return command(kGetConfig, payload, 1, out);
}

}  // namespace korvane::kromel
