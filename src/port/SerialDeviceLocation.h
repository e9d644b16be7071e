#pragma once

// Where drivers look for USB serial devices: "/dev" on the robot. On a desktop with our platform
// library, the place its simulation controls name (the system's own devices unless a simulation
// points elsewhere, see korvane/sim/SerialDevices.h).
//
// Threading: any thread.

#include <string>

namespace korvane::port {

std::string serialDeviceLocation();

}  // namespace korvane::port
