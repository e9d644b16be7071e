// LidarMiniJNI, the mini LiDAR's driver class as the JNI exports call it: a thin facade over the
// device objects (lidarmini/LidarMiniDevice.h), whose address is the handle.

#include "LidarMiniJNI.h"
#include "lidarmini/LidarMiniDevice.h"

namespace {

using korvane::lidarmini::Device;

// The device this facade is (every LidarMiniJNI is the facade of a device object).
Device& device(LidarMiniJNI* facade) {
  return static_cast<Device&>(*facade);
}
const Device& device(const LidarMiniJNI* facade) {
  return static_cast<const Device&>(*facade);
}

}  // namespace

LidarMiniJNI* LidarMiniJNI::c_LidarMini_create(int port) {
  const auto opened = Device::find(Device::open(port));
  return opened ? static_cast<LidarMiniJNI*>(opened.get()) : nullptr;
}

void LidarMiniJNI::c_LidarMini_destroy(LidarMiniJNI* lidar) {
  if (lidar != nullptr) Device::close(korvane::addressHandle(lidar));
}

void LidarMiniJNI::c_LidarMini_start() {
  device(this).start();
}

void LidarMiniJNI::c_LidarMini_stop() {
  device(this).stop();
}

void LidarMiniJNI::c_LidarMini_increaseFrequency(bool coarse) {
  device(this).increaseFrequency(coarse);
}

void LidarMiniJNI::c_LidarMini_decreaseFrequency(bool coarse) {
  device(this).decreaseFrequency(coarse);
}

LidarMiniJNI::LidarInfo LidarMiniJNI::c_LidarMini_getInfo() {
  return device(this).info();
}

LidarMiniJNI::LidarHealth LidarMiniJNI::c_LidarMini_getHealth() {
  return device(this).health();
}

LidarMiniJNI::ScanData LidarMiniJNI::c_LidarMini_getData() {
  return device(this).data();
}

size_t LidarMiniJNI::c_LidarMini_readData(float* angles, float* distances, float* intensities,
                                          size_t room, int64_t* timestampNs, int64_t* ageMs) {
  return device(this).readData(angles, distances, intensities, room, timestampNs, ageMs);
}

bool LidarMiniJNI::c_LidarMini_isConnected() {
  return device(this).isConnected();
}

int64_t LidarMiniJNI::c_LidarMini_getDataAgeMs() {
  return device(this).dataAgeMs();
}

DeviceFaults LidarMiniJNI::c_LidarMini_getFaults() {
  return device(this).faults();
}

float LidarMiniJNI::scanFrequency() const {
  return device(this).frequency();
}

bool LidarMiniJNI::isScanning() const {
  return device(this).scanning();
}
