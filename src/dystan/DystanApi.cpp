// korvane::Dystan, the distance sensor of the C++ API: the open sensor object found by its handle
// (dystan/DystanSensor.h does the work).

#include <string>

#include "KorvaneSerial.h"
#include "common/CanDeviceId.h"
#include "common/DriverStationReport.h"
#include "common/OpenDevice.h"
#include "dystan/DystanSensor.h"
#include "korvane/Dystan.h"

namespace korvane {

namespace {

using dystan::Sensor;

int64_t opened(int64_t handle, const std::string& device) {
  if (handle == 0) reportNotOpened(device);
  return handle;
}

int64_t openCan(int bus, int canId) {
  return opened(orOnThrow(int64_t{0}, [&] { return Sensor::openCan(bus, canId); }),
                "Dystan[" + canDeviceId(bus, canId) + "]");
}

int64_t openUsb(const std::string& path, int odr) {
  return opened(orOnThrow(int64_t{0}, [&] { return Sensor::openUsb(path.c_str(), odr); }),
                "Dystan[" + path + "]");
}

}  // namespace

Dystan::Dystan(int canId) : Dystan(0, canId) {}

Dystan::Dystan(int bus, int canId) : handle_(&Dystan::Destroy, openCan(bus, canId)) {}

Dystan::Dystan(const std::string& path, int odr) : handle_(&Dystan::Destroy, openUsb(path, odr)) {}

void Dystan::Destroy(int64_t handle) noexcept {
  orOnThrow([&] { Sensor::close(handle); });
}

std::string Dystan::FindDevicePath(SerialPort port) {
  return orOnThrow(std::string(),
                   [&] { return KorvaneSerial::FindDevicePath(static_cast<int>(port)); });
}

int Dystan::GetCanId() {
  return onOpen(Sensor::find(handle_.Get()), -1, [](auto& s) { return s->canId(); });
}

std::optional<Transport> Dystan::GetTransport() {
  return onOpen(Sensor::find(handle_.Get()), std::optional<Transport>(),
                [](auto& s) { return std::optional(static_cast<Transport>(s->transport())); });
}

Dystan::ScanData Dystan::GetData(int count) {
  return onOpen(Sensor::find(handle_.Get()), ScanData{},
                [&](auto& s) { return s->latestScan(count); });
}

Dystan::Config Dystan::GetConfig(int timeoutMs) {
  return onOpen(Sensor::find(handle_.Get()), Config{},
                [&](auto& s) { return s->config(timeoutMs); });
}

bool Dystan::IsConnected() {
  return onOpen(Sensor::find(handle_.Get()), false, [](auto& s) { return s->isConnected(); });
}

int64_t Dystan::GetDataAgeMs() {
  return onOpen(Sensor::find(handle_.Get()), int64_t{-1}, [](auto& s) { return s->dataAgeMs(); });
}

DeviceFaults Dystan::GetFaults() {
  return onOpen(Sensor::find(handle_.Get()), DeviceFaults{}, [](auto& s) { return s->faults(); });
}

}  // namespace korvane
