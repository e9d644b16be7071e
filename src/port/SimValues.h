#pragma once

// The HAL's simulated devices and their values, which a desktop simulation shows (WPILib's
// simulation GUI, dashboards). On the robot the HAL makes none: every handle is kNone.
//
// Threading: any thread. A value may be set while its device is being freed: the HAL ignores a
// freed handle.

#include <cstdint>

namespace korvane::port::sim_values {

using Handle = int32_t;
constexpr Handle kNone = 0;

// kNone when there is no simulation or another device has the name.
Handle createDevice(const char* name);
void freeDevice(Handle device);
// A value written by the robot program and shown by the simulation, with its first value.
Handle createOutput(Handle device, const char* name, double initial);
Handle createOutput(Handle device, const char* name, int32_t initial);
Handle createOutput(Handle device, const char* name, bool initial);
void set(Handle value, double v) noexcept;
void set(Handle value, int32_t v) noexcept;
void set(Handle value, bool v) noexcept;

}  // namespace korvane::port::sim_values
