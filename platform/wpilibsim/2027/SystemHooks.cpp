// The system state over WPILib 2027's simulation HAL: "outputs enabled" is its simulated driver
// station's enabled state as its HAL_GetOutputsEnabled reports it, which the robot program's
// driver-station data holds (attached and enabled, refreshed by HAL_RefreshDSData).

#include "WpilibHal.h"
#include "korvane/sim/System.h"
#include "wpi/hal/DriverStation.h"
#include "wpi/hal/HAL.h"
#include "wpi/hal/simulation/DriverStationData.h"
#include "wpi/hal/simulation/MockHooks.h"

namespace korvane::sim {

// Acts as the driver station and then as the robot program's loop: the simulated driver station
// (attached, enabled or not) publishes its data, and the program's view of it is refreshed, so
// HAL_GetOutputsEnabled says so at once. A robot program refreshes its data every loop anyway,
// and sees a change made in WPILib's GUI the same way.
void setSystemActive(bool active) {
  platform::ensureWpilibHal();
  HALSIM_SetDriverStationDsAttached(true);
  HALSIM_SetDriverStationEnabled(active);
  HALSIM_NotifyDriverStationNewData();
  HAL_RefreshDSData();
}

bool systemActive() {
  platform::ensureWpilibHal();
  return HALSIM_GetDriverStationEnabled();
}

void setRealRobot(bool real) {
  platform::ensureWpilibHal();
  HALSIM_SetRuntimeType(real ? HAL_RUNTIME_SYSTEMCORE : HAL_RUNTIME_SIMULATION);
}

bool realRobot() {
  platform::ensureWpilibHal();
  return HAL_GetRuntimeType() != HAL_RUNTIME_SIMULATION;
}

}  // namespace korvane::sim
