#pragma once

// Simulation controls of the robot's system state. Thread-safe.

namespace korvane::sim {

// "Outputs enabled", as HAL_GetSystemActive reports it. False at load time.
void setSystemActive(bool active);
bool systemActive();

}  // namespace korvane::sim
