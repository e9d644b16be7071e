#include "common/SimulatedDevice.h"

#include <cstdio>
#include <exception>
#include <string>

#include "hal/HALBase.h"

namespace korvane {

template <>
void SimOutput<double>::write(HAL_SimValueHandle handle, double value) noexcept {
  HAL_SetSimValueDouble(handle, value);
}

template <>
void SimOutput<int32_t>::write(HAL_SimValueHandle handle, int32_t value) noexcept {
  HAL_SetSimValueInt(handle, value);
}

template <>
void SimOutput<bool>::write(HAL_SimValueHandle handle, bool value) noexcept {
  HAL_SetSimValueBoolean(handle, value);
}

namespace {

// Open devices of one class and id that each get a device of their own.
constexpr int kMaxSameName = 16;

bool isShowing() {
  return HAL_GetRuntimeType() == HAL_Runtime_Simulation;
}

HAL_Value initialValue(double value) {
  return HAL_MakeDouble(value);
}
HAL_Value initialValue(int32_t value) {
  return HAL_MakeInt(value);
}
HAL_Value initialValue(bool value) {
  return HAL_MakeBoolean(value);
}

}  // namespace

bool SimulatedDevice::open(std::string_view className, std::string_view id) noexcept {
  close();
  try {
    std::string name(className);
    name += '[';
    name += id;
    name += ']';
    handle_ = HAL_CreateSimDevice(name.c_str());
    // The simulation takes a name once; another open device of the same class and id is
    // numbered. A HAL without a simulation refuses the first name already, and is not asked again.
    for (int n = 2; handle_ == HAL_kInvalidHandle && n <= kMaxSameName && isShowing(); ++n) {
      handle_ = HAL_CreateSimDevice((name + " #" + std::to_string(n)).c_str());
    }
  } catch (const std::exception&) {
    handle_ = HAL_kInvalidHandle;  // no room for the name: the device goes unshown
  }
  return handle_ != HAL_kInvalidHandle;
}

bool SimulatedDevice::open(std::string_view className, int id) noexcept {
  char digits[16];
  const int length = std::snprintf(digits, sizeof digits, "%d", id);
  return open(className, std::string_view(digits, static_cast<size_t>(length)));
}

template <typename T>
void SimulatedDevice::add(SimOutput<T>& value, const char* name, T initial) noexcept {
  if (handle_ == HAL_kInvalidHandle) return;
  try {
    values_.reserve(values_.size() + 1);
  } catch (const std::exception&) {
    return;  // a value that could not be remembered for close() is not created
  }
  const HAL_Value first = initialValue(initial);
  // Written by the driver, shown by the simulation: an output from the robot program's side.
  value.handle_.store(HAL_CreateSimValue(handle_, name, HAL_SimValueOutput, &first),
                      std::memory_order_relaxed);
  values_.push_back(&value.handle_);
}

template void SimulatedDevice::add(SimOutput<double>&, const char*, double) noexcept;
template void SimulatedDevice::add(SimOutput<int32_t>&, const char*, int32_t) noexcept;
template void SimulatedDevice::add(SimOutput<bool>&, const char*, bool) noexcept;

void SimulatedDevice::close() noexcept {
  if (handle_ == HAL_kInvalidHandle) return;
  for (std::atomic<HAL_SimValueHandle>* value : values_) {
    value->store(HAL_kInvalidHandle, std::memory_order_relaxed);
  }
  values_.clear();
  HAL_FreeSimDevice(handle_);
  handle_ = HAL_kInvalidHandle;
}

}  // namespace korvane
