// DystanJNI, the distance sensor's driver class as the JNI exports call it: a thin facade over the
// sensor objects (dystan/DystanSensor.h), whose address is the handle.

#include "DystanJNI.h"
#include "common/HandleTable.h"
#include "dystan/DystanSensor.h"

namespace {

using korvane::dystan::Sensor;

// The sensor this facade is (every DystanJNI is the facade of a sensor object).
Sensor& sensor(DystanJNI* facade) {
  return static_cast<Sensor&>(*facade);
}
const Sensor& sensor(const DystanJNI* facade) {
  return static_cast<const Sensor&>(*facade);
}

// The facade of a newly opened sensor, or null. The sensor stays in its table until destroyed.
DystanJNI* facadeOf(int64_t handle) {
  const auto opened = Sensor::find(handle);
  return opened ? static_cast<DystanJNI*>(opened.get()) : nullptr;
}

}  // namespace

DystanJNI* DystanJNI::c_Dystan_create(int canId) {
  return c_Dystan_createOnBus(0, canId);
}

DystanJNI* DystanJNI::c_Dystan_createOnBus(int bus, int canId) {
  return facadeOf(Sensor::openCan(bus, canId));
}

DystanJNI* DystanJNI::c_Dystan_createUsb(const char* path, int odr) {
  return facadeOf(Sensor::openUsb(path, odr));
}

void DystanJNI::c_Dystan_destroy(DystanJNI* sensor) {
  if (sensor != nullptr) Sensor::close(korvane::addressHandle(sensor));
}

int DystanJNI::c_Dystan_getCanID() const {
  return sensor(this).canId();
}

int DystanJNI::c_Dystan_getTransport() const {
  return sensor(this).transport();
}

DystanJNI::ScanData DystanJNI::c_Dystan_getData(int count) {
  return sensor(this).scan(count);
}

DystanJNI::ScanData DystanJNI::c_Dystan_getLatestData(int count) {
  return sensor(this).latestScan(count);
}

DystanJNI::Config DystanJNI::c_Dystan_getConfig(int timeoutMs) {
  return sensor(this).config(timeoutMs);
}

bool DystanJNI::c_Dystan_isConnected() {
  return sensor(this).isConnected();
}

int64_t DystanJNI::c_Dystan_getDataAgeMs() {
  return sensor(this).dataAgeMs();
}

DeviceFaults DystanJNI::c_Dystan_getFaults() {
  return sensor(this).faults();
}
