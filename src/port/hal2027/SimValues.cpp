// Simulated devices through WPILib 2027's HAL.

#include "port/SimValues.h"

#include "wpi/hal/SimDevice.h"

namespace korvane::port::sim_values {

static_assert(kNone == HAL_INVALID_HANDLE);

namespace {

// Written by the driver, shown by the simulation: an output from the robot program's side.
Handle create(Handle device, const char* name, const HAL_Value& initial) {
  return HAL_CreateSimValue(device, name, HAL_SIM_VALUE_OUTPUT, &initial);
}

}  // namespace

Handle createDevice(const char* name) {
  return HAL_CreateSimDevice(name);
}

void freeDevice(Handle device) {
  HAL_FreeSimDevice(device);
}

Handle createOutput(Handle device, const char* name, double initial) {
  return create(device, name, HAL_MakeDouble(initial));
}

Handle createOutput(Handle device, const char* name, int32_t initial) {
  return create(device, name, HAL_MakeInt(initial));
}

Handle createOutput(Handle device, const char* name, bool initial) {
  return create(device, name, HAL_MakeBoolean(initial));
}

void set(Handle value, double v) noexcept {
  HAL_SetSimValueDouble(value, v);
}

void set(Handle value, int32_t v) noexcept {
  HAL_SetSimValueInt(value, v);
}

void set(Handle value, bool v) noexcept {
  HAL_SetSimValueBoolean(value, v);
}

}  // namespace korvane::port::sim_values
