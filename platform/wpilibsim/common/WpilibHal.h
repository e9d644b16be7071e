#pragma once

namespace korvane::platform {

// WPILib's simulation data, and with it every simulation hook, exists only once its HAL is
// initialized. A robot program initializes it first thing; a test or a tool that uses only our
// controls may not. Called before any hook is registered: initializes the HAL once, as the robot
// program's own HAL_Initialize would (a second HAL_Initialize returns at once).
void ensureWpilibHal();

}  // namespace korvane::platform
