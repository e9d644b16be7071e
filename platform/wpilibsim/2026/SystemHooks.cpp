// The system state over WPILib 2026's simulation HAL: "outputs enabled" is its simulated driver
// station's enabled state, which its HAL_GetSystemActive returns.

#include "WpilibHal.h"
#include "hal/HALBase.h"
#include "hal/simulation/DriverStationData.h"
#include "hal/simulation/MockHooks.h"
#include "korvane/sim/System.h"

namespace korvane::sim {

void setSystemActive(bool active) {
  platform::ensureWpilibHal();
  HALSIM_SetDriverStationEnabled(active);
  // HAL_GetSystemActive reads the simulated state at once; the robot program's DriverStation
  // sees it with the next driver-station data, as it sees a change made in WPILib's GUI.
  HALSIM_NotifyDriverStationNewData();
}

bool systemActive() {
  platform::ensureWpilibHal();
  return HALSIM_GetDriverStationEnabled();
}

void setRealRobot(bool real) {
  platform::ensureWpilibHal();
  HALSIM_SetRuntimeType(real ? HAL_Runtime_RoboRIO2 : HAL_Runtime_Simulation);
}

bool realRobot() {
  platform::ensureWpilibHal();
  return HAL_GetRuntimeType() != HAL_Runtime_Simulation;
}

}  // namespace korvane::sim
