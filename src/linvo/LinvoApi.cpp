// korvane::Linvo, the line sensor of the C++ API: its own sensor, found by its handle while it is
// the open one (linvo/LinvoSensors.h).

#include "common/Guarded.h"
#include "korvane/Linvo.h"
#include "linvo/LinvoSensors.h"

namespace korvane {

namespace {

int64_t openSensor(float referenceVoltage) {
  return orOnThrow(int64_t{0}, [&] { return linvo::openSampling(referenceVoltage); });
}

}  // namespace

Linvo::Linvo(float referenceVoltage) : handle_(&Linvo::Destroy, openSensor(referenceVoltage)) {}

void Linvo::Destroy(int64_t handle) noexcept {
  orOnThrow([&] { linvo::close(handle); });
}

bool Linvo::IsOpen() const {
  const int64_t handle = handle_.Get();
  return handle != 0 && orOnThrow(false, [&] { return linvo::openHandle() == handle; });
}

int Linvo::GetRawValue(int channel) {
  return orOnThrow(0, [&] { return linvo::latestRawValue(handle_.Get(), channel); });
}

float Linvo::GetVoltage(int channel) {
  return orOnThrow(0.0f, [&] { return linvo::latestVoltage(handle_.Get(), channel); });
}

bool Linvo::IsConnected() {
  return orOnThrow(false, [&] { return linvo::isAnswering(handle_.Get()); });
}

int64_t Linvo::GetDataAgeMs() {
  return orOnThrow(int64_t{-1}, [&] { return linvo::dataAgeMs(handle_.Get()); });
}

DeviceFaults Linvo::GetFaults() {
  return orOnThrow(DeviceFaults{},
                   [&] { return linvo::faults(handle_.Get()).value_or(DeviceFaults{}); });
}

}  // namespace korvane
