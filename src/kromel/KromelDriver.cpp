// The colour-sensor object: creation for either transport, destruction, and the operations that
// choose between the CAN and the USB form.

#include <algorithm>
#include <memory>

#include "KorvaneSerial.h"
#include "KromelJNI.h"
#include "common/CanStreamSession.h"
#include "common/LittleEndian.h"
#include "common/SensorCreation.h"
#include "hal/CAN.h"
#include "kromel/KromelFrames.h"

namespace {

constexpr int kCan = 0;
constexpr int kUsb = 1;

}  // namespace

KromelJNI::KromelJNI(uint8_t id) : transport(kCan), canId(id) {}

KromelJNI* KromelJNI::c_Kromel_create(int canId) {
  if (!korvane::can_session::canIdInRange(canId, "Kromel")) return nullptr;
  KromelJNI* sensor = korvane::sensor_creation::openOrNull(
      "Kromel", "CAN",
      [canId] {
        std::unique_ptr<KromelJNI> sensor(new KromelJNI(static_cast<uint8_t>(canId)));
        sensor->canOk = korvane::can_session::open(&sensor->session, kromel_frames::kBase,
                                                   kromel_frames::kBaseMask,
                                                   kromel_frames::kSessionCapacity, "Kromel");
        return sensor;
      },
      [](const KromelJNI& sensor) { return sensor.canOk; });
  if (sensor != nullptr && sensor->shown.device.open("Kromel", canId)) sensor->addShownValues();
  return sensor;
}

KromelJNI* KromelJNI::c_Kromel_createUsb(const char* path, int sampleTimeMs) {
  if (path == nullptr) return nullptr;
  KromelJNI* sensor = korvane::sensor_creation::openOrNull(
      "Kromel", "USB",
      [&] { return std::unique_ptr<KromelJNI>(new KromelJNI(std::string(path), sampleTimeMs)); },
      [](const KromelJNI& sensor) { return sensor.fd != -1; });
  if (sensor != nullptr && sensor->shown.device.open("Kromel", path)) sensor->addShownValues();
  return sensor;
}

void KromelJNI::c_Kromel_destroy(KromelJNI* sensor) {
  delete sensor;
}

// The simulated device (a member) goes after the reader is joined.
KromelJNI::~KromelJNI() {
  if (transport == kUsb) {
    stopReader();
    KorvaneSerial::Close(fd);
    fd = -1;
  } else if (canOk) {
    HAL_CAN_CloseStreamSession(session);
    canOk = false;
  }
}

void KromelJNI::addShownValues() {
  shown.device.add(shown.x, "X", 0.0);
  shown.device.add(shown.y, "Y", 0.0);
  shown.device.add(shown.z, "Z", 0.0);
  shown.device.add(shown.sequence, "Sequence", 0);
}

void KromelJNI::show(const ColorData& reading) {
  shown.x.set(reading.x);
  shown.y.set(reading.y);
  shown.z.set(reading.z);
  shown.sequence.set(reading.sequence);
}

int KromelJNI::c_Kromel_getCanID() const {
  return transport == kCan ? canId : -1;
}

int KromelJNI::c_Kromel_getTransport() const {
  return transport;
}

KromelJNI::ColorData KromelJNI::c_Kromel_getColor() {
  return transport == kUsb ? getColorUSB() : getColorCAN();
}

bool KromelJNI::c_Kromel_setColorFormat(int format) {
  if (format < 0 || format > 4) return false;
  if (transport == kUsb) return setColorFormatUSB(format);
  unsigned char payload[1] = {static_cast<unsigned char>(format)};
  return sendCommandWithAck(kromel_frames::kSetColorFormat, payload, 1, nullptr,
                            kromel_frames::kCommandTimeoutMs);
}

bool KromelJNI::c_Kromel_setSampleTimeMs(int ms) {
  int clamped = std::clamp(ms, 0, 65535);
  if (transport == kUsb) return setSampleTimeMsUSB(clamped);
  unsigned char payload[2];
  korvane::writeU16(payload, static_cast<uint16_t>(clamped));
  return sendCommandWithAck(kromel_frames::kSetSampleTime, payload, 2, nullptr,
                            kromel_frames::kCommandTimeoutMs);
}
