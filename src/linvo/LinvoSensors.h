#pragma once

// The line sensors: the one open sensor object, owned by the driver and filed in a
// one-per-process table under a serial handle (never reused), the handle of korvane::Linvo. Opening
// replaces the sensor opened before (from C++ or Java). The LinvoJNI statics act on whichever
// sensor is open; a handle acts on its own sensor only while it is the open one, and finds nothing
// once replaced or closed (readings 0, health empty).
//
// Threading: any thread; opens and closes take effect one at a time.

#include <cstdint>
#include <optional>

#include "DeviceFaults.h"

namespace korvane::linvo {

// Opens the sensor as LinvoJNI::c_initializeI2C describes: its handle (never 0). answered tells
// whether the converter answered the check (a status line is printed either way).
int64_t open(float vRef, bool* answered);
// Opens the sensor as open does and starts its sampler at once, so that the first readings of a
// robot loop find samples: its handle (never 0).
int64_t openSampling(float vRef);
// Ends the sensor under the handle while it is the open one (its sampler joined, the bus closed);
// nothing once it has been replaced.
void close(int64_t handle);
// The handle of the open sensor; 0 when there is none.
int64_t openHandle();

// As the LinvoJNI statics of the same names, for the sensor under the handle only (faults:
// nothing when it is not the open one).
int latestRawValue(int64_t handle, int channel);
float latestVoltage(int64_t handle, int channel);
bool isAnswering(int64_t handle);
int64_t dataAgeMs(int64_t handle);
std::optional<DeviceFaults> faults(int64_t handle);

}  // namespace korvane::linvo
