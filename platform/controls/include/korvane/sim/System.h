#pragma once

// Simulation controls of the robot's system state. Thread-safe.

namespace korvane::sim {

// "Outputs enabled", as HAL_GetSystemActive reports it. False at load time.
//
// Over WPILib's simulation HAL this is its simulated driver station's enabled state
// (HALSIM_SetDriverStationEnabled / HALSIM_GetDriverStationEnabled), the one its GUI switches:
// setSystemActive also publishes it as new driver-station data, so the robot program's
// DriverStation agrees with what the devices see.
void setSystemActive(bool active);
bool systemActive();

// Whether HAL_GetRuntimeType reports a real robot (a roboRIO 2, or Systemcore with WPILib 2027)
// instead of a simulation. False at load time. Over WPILib's simulation HAL this is
// HALSIM_SetRuntimeType.
void setRealRobot(bool real);
bool realRobot();

}  // namespace korvane::sim
