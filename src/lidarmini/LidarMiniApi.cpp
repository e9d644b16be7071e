// korvane::LidarMini, the mini LiDAR of the C++ API: the open device object found by its handle
// (lidarmini/LidarMiniDevice.h does the work).

#include <string>

#include "common/DriverStationReport.h"
#include "common/OpenDevice.h"
#include "korvane/LidarMini.h"
#include "lidarmini/LidarMiniDevice.h"

namespace korvane {

namespace {

using lidarmini::Device;

int64_t openDevice(SerialPort port) {
  const int number = static_cast<int>(port);
  const int64_t handle = orOnThrow(int64_t{0}, [&] { return Device::open(number); });
  if (handle == 0) reportNotOpened("LidarMini[" + std::to_string(number) + "]");
  return handle;
}

}  // namespace

LidarMini::LidarMini(SerialPort port) : handle_(&LidarMini::Destroy, openDevice(port)) {}

void LidarMini::Destroy(int64_t handle) noexcept {
  orOnThrow([&] { Device::close(handle); });
}

void LidarMini::Start() {
  onOpen(Device::find(handle_.Get()), [](auto& d) { d->start(); });
}

void LidarMini::Stop() {
  onOpen(Device::find(handle_.Get()), [](auto& d) { d->stop(); });
}

void LidarMini::IncreaseFrequency(bool coarse) {
  onOpen(Device::find(handle_.Get()), [&](auto& d) { d->increaseFrequency(coarse); });
}

void LidarMini::DecreaseFrequency(bool coarse) {
  onOpen(Device::find(handle_.Get()), [&](auto& d) { d->decreaseFrequency(coarse); });
}

float LidarMini::GetFrequency() {
  return onOpen(Device::find(handle_.Get()), 0.0f, [](auto& d) { return d->frequency(); });
}

bool LidarMini::IsScanning() {
  return onOpen(Device::find(handle_.Get()), false, [](auto& d) { return d->scanning(); });
}

LidarMini::LidarInfo LidarMini::GetInfo() {
  return onOpen(Device::find(handle_.Get()), LidarInfo{}, [](auto& d) { return d->info(); });
}

LidarMini::LidarHealth LidarMini::GetHealth() {
  return onOpen(Device::find(handle_.Get()), LidarHealth{}, [](auto& d) { return d->health(); });
}

LidarMini::ScanData LidarMini::GetData() {
  return onOpen(Device::find(handle_.Get()), ScanData{}, [](auto& d) { return d->data(); });
}

bool LidarMini::IsConnected() {
  return onOpen(Device::find(handle_.Get()), false, [](auto& d) { return d->isConnected(); });
}

int64_t LidarMini::GetDataAgeMs() {
  return onOpen(Device::find(handle_.Get()), int64_t{-1}, [](auto& d) { return d->dataAgeMs(); });
}

DeviceFaults LidarMini::GetFaults() {
  return onOpen(Device::find(handle_.Get()), DeviceFaults{}, [](auto& d) { return d->faults(); });
}

}  // namespace korvane
