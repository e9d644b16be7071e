// KromelJNI, the colour sensor's driver class as the JNI exports call it: a thin facade over the
// sensor objects (kromel/KromelSensor.h), whose address is the handle.

#include "KromelJNI.h"
#include "common/HandleTable.h"
#include "kromel/KromelSensor.h"

namespace {

using korvane::kromel::Sensor;

// The sensor this facade is (every KromelJNI is the facade of a sensor object).
Sensor& sensor(KromelJNI* facade) {
  return static_cast<Sensor&>(*facade);
}
const Sensor& sensor(const KromelJNI* facade) {
  return static_cast<const Sensor&>(*facade);
}

// The facade of a newly opened sensor, or null. The sensor stays in its table until destroyed.
KromelJNI* facadeOf(int64_t handle) {
  const auto opened = Sensor::find(handle);
  return opened ? static_cast<KromelJNI*>(opened.get()) : nullptr;
}

}  // namespace

KromelJNI* KromelJNI::c_Kromel_create(int canId) {
  return c_Kromel_createOnBus(0, canId);
}

KromelJNI* KromelJNI::c_Kromel_createOnBus(int bus, int canId) {
  return facadeOf(Sensor::openCan(bus, canId));
}

KromelJNI* KromelJNI::c_Kromel_createUsb(const char* path, int sampleTimeMs) {
  return facadeOf(Sensor::openUsb(path, sampleTimeMs));
}

void KromelJNI::c_Kromel_destroy(KromelJNI* sensor) {
  if (sensor != nullptr) Sensor::close(korvane::addressHandle(sensor));
}

int KromelJNI::c_Kromel_getCanID() const {
  return sensor(this).canId();
}

int KromelJNI::c_Kromel_getTransport() const {
  return sensor(this).transport();
}

KromelJNI::ColorData KromelJNI::c_Kromel_getColor() {
  return sensor(this).color();
}

bool KromelJNI::c_Kromel_setColorFormat(int format) {
  return sensor(this).setColorFormat(format);
}

bool KromelJNI::c_Kromel_setSampleTimeMs(int ms) {
  return sensor(this).setSampleTimeMs(ms);
}

bool KromelJNI::c_Kromel_setBrightness(int brightness) {
  return sensor(this).setBrightness(brightness);
}

bool KromelJNI::c_Kromel_setStatusLed(bool on, int level) {
  return sensor(this).setStatusLed(on, level);
}

bool KromelJNI::c_Kromel_setMeasureMode(int mode, float value) {
  return sensor(this).setMeasureMode(mode, value);
}

bool KromelJNI::c_Kromel_setZmm(float zmm) {
  return sensor(this).setZmm(zmm);
}

bool KromelJNI::c_Kromel_setUsbOverride(bool enable) {
  return sensor(this).setUsbOverride(enable);
}

bool KromelJNI::c_Kromel_setCanId(int canId) {
  return sensor(this).setCanId(canId);
}

bool KromelJNI::c_Kromel_getConfig(int key, unsigned int* out) {
  return sensor(this).getConfig(key, out);
}

bool KromelJNI::c_Kromel_isConnected() {
  return sensor(this).isConnected();
}

int64_t KromelJNI::c_Kromel_getDataAgeMs() {
  return sensor(this).dataAgeMs();
}

DeviceFaults KromelJNI::c_Kromel_getFaults() {
  return sensor(this).faults();
}
