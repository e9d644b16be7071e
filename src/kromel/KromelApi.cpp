// korvane::Kromel, the colour sensor of the C++ API: the open sensor object found by its handle
// (kromel/KromelSensor.h does the work).

#include <string>

#include "KorvaneSerial.h"
#include "common/CanDeviceId.h"
#include "common/DriverStationReport.h"
#include "common/OpenDevice.h"
#include "korvane/Kromel.h"
#include "kromel/KromelSensor.h"

namespace korvane {

namespace {

using kromel::Sensor;

int64_t opened(int64_t handle, const std::string& device) {
  if (handle == 0) reportNotOpened(device);
  return handle;
}

int64_t openCan(int bus, int canId) {
  return opened(orOnThrow(int64_t{0}, [&] { return Sensor::openCan(bus, canId); }),
                "Kromel[" + canDeviceId(bus, canId) + "]");
}

int64_t openUsb(const std::string& path, int sampleTimeMs) {
  return opened(orOnThrow(int64_t{0}, [&] { return Sensor::openUsb(path.c_str(), sampleTimeMs); }),
                "Kromel[" + path + "]");
}

}  // namespace

Kromel::Kromel(int canId) : Kromel(0, canId) {}

Kromel::Kromel(int bus, int canId) : handle_(&Kromel::Destroy, openCan(bus, canId)) {}

Kromel::Kromel(const std::string& path, int sampleTimeMs)
    : handle_(&Kromel::Destroy, openUsb(path, sampleTimeMs)) {}

void Kromel::Destroy(int64_t handle) noexcept {
  orOnThrow([&] { Sensor::close(handle); });
}

std::string Kromel::FindDevicePath(SerialPort port) {
  return orOnThrow(std::string(),
                   [&] { return KorvaneSerial::FindDevicePath(static_cast<int>(port)); });
}

int Kromel::GetCanId() {
  return onOpen(Sensor::find(handle_.Get()), -1, [](auto& s) { return s->canId(); });
}

std::optional<Transport> Kromel::GetTransport() {
  return onOpen(Sensor::find(handle_.Get()), std::optional<Transport>(),
                [](auto& s) { return std::optional(static_cast<Transport>(s->transport())); });
}

Kromel::ColorData Kromel::GetColor() {
  return onOpen(Sensor::find(handle_.Get()), ColorData{}, [](auto& s) { return s->color(); });
}

bool Kromel::IsConnected() {
  return onOpen(Sensor::find(handle_.Get()), false, [](auto& s) { return s->isConnected(); });
}

int64_t Kromel::GetDataAgeMs() {
  return onOpen(Sensor::find(handle_.Get()), int64_t{-1}, [](auto& s) { return s->dataAgeMs(); });
}

DeviceFaults Kromel::GetFaults() {
  return onOpen(Sensor::find(handle_.Get()), DeviceFaults{}, [](auto& s) { return s->faults(); });
}

bool Kromel::SetColorFormat(ColorFormat format) {
  return onOpen(Sensor::find(handle_.Get()), false,
                [&](auto& s) { return s->setColorFormat(static_cast<int>(format)); });
}

bool Kromel::SetSampleTimeMs(int ms) {
  return onOpen(Sensor::find(handle_.Get()), false,
                [&](auto& s) { return s->setSampleTimeMs(ms); });
}

bool Kromel::SetBrightness(int brightness) {
  return onOpen(Sensor::find(handle_.Get()), false,
                [&](auto& s) { return s->setBrightness(brightness); });
}

bool Kromel::SetStatusLed(bool on, int level) {
  return onOpen(Sensor::find(handle_.Get()), false,
                [&](auto& s) { return s->setStatusLed(on, level); });
}

bool Kromel::SetMeasureMode(MeasureMode mode, float value) {
  return onOpen(Sensor::find(handle_.Get()), false,
                [&](auto& s) { return s->setMeasureMode(static_cast<int>(mode), value); });
}

bool Kromel::SetZmm(float zmm) {
  return onOpen(Sensor::find(handle_.Get()), false, [&](auto& s) { return s->setZmm(zmm); });
}

bool Kromel::SetUsbOverride(bool enable) {
  return onOpen(Sensor::find(handle_.Get()), false,
                [&](auto& s) { return s->setUsbOverride(enable); });
}

bool Kromel::SetCanId(int canId) {
  return onOpen(Sensor::find(handle_.Get()), false, [&](auto& s) { return s->setCanId(canId); });
}

std::optional<uint32_t> Kromel::GetConfig(int key) {
  return onOpen(Sensor::find(handle_.Get()), std::optional<uint32_t>(),
                [&](auto& s) -> std::optional<uint32_t> {
                  unsigned int value = 0;
                  if (!s->getConfig(key, &value)) return {};
                  return static_cast<uint32_t>(value);
                });
}

}  // namespace korvane
