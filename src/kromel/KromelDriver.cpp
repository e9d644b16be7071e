// The colour-sensor object: creation for either transport, and the operations, whose arguments are
// checked and clamped here and carried by the object's transport part.

#include <algorithm>
#include <cstring>
#include <utility>

#include "KromelJNI.h"
#include "common/DualTransportSensor.h"
#include "common/LittleEndian.h"
#include "kromel/KromelFrames.h"
#include "kromel/KromelParts.h"

using namespace korvane::kromel::frames;

namespace {

constexpr const char* kTag = "Kromel";

void packFloat(float value, unsigned char* out) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  korvane::writeU32(out, bits);
}

}  // namespace

namespace korvane::kromel {

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

}  // namespace korvane::kromel

KromelJNI::KromelJNI(std::unique_ptr<Transport> part) : part_(std::move(part)) {}
KromelJNI::~KromelJNI() = default;

KromelJNI* KromelJNI::c_Kromel_create(int canId) {
  return c_Kromel_createOnBus(0, canId);
}

KromelJNI* KromelJNI::c_Kromel_createOnBus(int bus, int canId) {
  return korvane::DualTransportSensor<KromelJNI>::openCan<korvane::kromel::CanPart>(kTag, bus,
                                                                                    canId);
}

KromelJNI* KromelJNI::c_Kromel_createUsb(const char* path, int sampleTimeMs) {
  return korvane::DualTransportSensor<KromelJNI>::openUsb<korvane::kromel::UsbPart>(kTag, path,
                                                                                    sampleTimeMs);
}

void KromelJNI::c_Kromel_destroy(KromelJNI* sensor) {
  delete sensor;
}

int KromelJNI::c_Kromel_getCanID() const {
  return part_->canId();
}

int KromelJNI::c_Kromel_getTransport() const {
  return part_->transport();
}

KromelJNI::ColorData KromelJNI::c_Kromel_getColor() {
  return part_->color();
}

bool KromelJNI::c_Kromel_setColorFormat(int format) {
  if (format < 0 || format > 4) return false;
  return part_->setColorFormat(format);
}

bool KromelJNI::c_Kromel_setSampleTimeMs(int ms) {
  const int sampleTime = std::clamp(ms, 0, 65535);
  if (!part_->setSampleTime(sampleTime)) return false;
  part_->health().setTimeoutMs(korvane::kromel::silenceMsFor(sampleTime));
  return true;
}

bool KromelJNI::c_Kromel_isConnected() {
  part_->listen();
  return part_->health().connected();
}

int64_t KromelJNI::c_Kromel_getDataAgeMs() {
  part_->listen();
  return part_->health().dataAgeMs();
}

DeviceFaults KromelJNI::c_Kromel_getFaults() {
  part_->listen();
  return part_->health().record();
}

bool KromelJNI::c_Kromel_setBrightness(int brightness) {
  unsigned char payload[1] = {static_cast<unsigned char>(std::clamp(brightness, 0, 100))};
  return part_->command(kSetBrightness, payload, 1, nullptr);
}

bool KromelJNI::c_Kromel_setStatusLed(bool on, int level) {
  unsigned char payload[2] = {static_cast<unsigned char>(on ? 1 : 0),
                              static_cast<unsigned char>(std::clamp(level, 0, 100))};
  return part_->command(kSetStatusLed, payload, 2, nullptr);
}

bool KromelJNI::c_Kromel_setMeasureMode(int mode, float value) {
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
  return part_->command(kSetMeasureMode, payload, length, nullptr);
}

bool KromelJNI::c_Kromel_setZmm(float zmm) {
  unsigned char payload[4];
  packFloat(zmm, payload);
  return part_->command(kSetZmm, payload, 4, nullptr);
}

bool KromelJNI::c_Kromel_setUsbOverride(bool enable) {
  unsigned char payload[1] = {static_cast<unsigned char>(enable ? 1 : 0)};
  return part_->command(kSetUsbOverride, payload, 1, nullptr);
}

bool KromelJNI::c_Kromel_setCanId(int newId) {
  unsigned char payload[4];
  korvane::writeU32(payload, static_cast<uint32_t>(newId));
  return part_->command(kSetCanId, payload, 4, nullptr);
}

bool KromelJNI::c_Kromel_getConfig(int key, unsigned int* out) {
  if (out == nullptr) return false;
  unsigned char payload[1] = {static_cast<unsigned char>(key & 0xFF)};
  return part_->command(kGetConfig, payload, 1, out);
}
