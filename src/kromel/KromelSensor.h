#pragma once

// One open colour sensor: its transport part (CAN or USB, for life), filed in the colour sensors'
// table (KromelSensor.cpp) under its address, the handle of korvane::Kromel and of the JNI
// exports. Arguments are checked and clamped here; the parts speak the protocol. Commands take
// turns: over CAN two in flight would take each other's acknowledgements from the one session.
//
// Threading: as DualTransportSensor; color() never waits, commands block (KromelJNI.h).

#include <cstdint>
#include <memory>
#include <string>

#include "KromelJNI.h"
#include "common/DualTransportSensor.h"
#include "kromel/KromelParts.h"

namespace korvane::kromel {

class Sensor final : public KromelJNI, public DualTransportSensor<Sensor, Transport> {
 public:
  static Table& table();
  static int64_t handleOf(const Sensor* sensor) {
    return addressHandle(static_cast<const KromelJNI*>(sensor));
  }
  // The handle of a newly opened sensor, or 0 (the reason printed).
  static int64_t openCan(int bus, int canId);
  static int64_t openUsb(const char* path, int sampleTimeMs);

  ColorData color() { return part().color(); }
  // format 0..4; anything else is refused without traffic.
  bool setColorFormat(int format);
  // Clamped to 0..65535.
  bool setSampleTimeMs(int ms);
  // CAN only: false over USB without traffic.
  bool setBrightness(int brightness);
  bool setStatusLed(bool on, int level);
  // mode 0..2; anything else is refused without traffic.
  bool setMeasureMode(int mode, float value);
  bool setZmm(float zmm);
  bool setUsbOverride(bool enable);
  bool setCanId(int canId);
  bool getConfig(int key, unsigned int* out);

 private:
  friend class DualTransportSensor<Sensor, Transport>;
  explicit Sensor(std::unique_ptr<Transport> part) : DualTransportSensor(std::move(part)) {}
  bool command(unsigned number, const unsigned char* payload, unsigned char length,
               unsigned int* out);
};

}  // namespace korvane::kromel
