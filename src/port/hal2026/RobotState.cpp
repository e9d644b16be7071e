// The robot's state through WPILib 2026's HAL.

#include "port/RobotState.h"

#include "hal/HALBase.h"

namespace korvane::port {

// The controller's "system active": outputs enabled. Its status says nothing the caller uses.
bool outputsEnabled() {
  int32_t status = 0;
  return HAL_GetSystemActive(&status);
}

bool isSimulation() {
  return HAL_GetRuntimeType() == HAL_Runtime_Simulation;
}

}  // namespace korvane::port
