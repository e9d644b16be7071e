// The robot's state through WPILib 2027's HAL.

#include "port/RobotState.h"

#include "wpi/hal/DriverStation.h"
#include "wpi/hal/HAL.h"

namespace korvane::port {

// What WPILib 2027 itself takes as the outputs' state: on Systemcore the controller's own (the
// driver station enabled the robot and the program keeps it fed), in the simulation the simulated
// driver station's, as the robot program last refreshed its data (HAL_RefreshDSData, every loop).
// HAL_GetSystemActive, the state 2026 reads, fails on Systemcore.
bool outputsEnabled() {
  return HAL_GetOutputsEnabled();
}

bool isSimulation() {
  return HAL_GetRuntimeType() == HAL_RUNTIME_SIMULATION;
}

}  // namespace korvane::port
