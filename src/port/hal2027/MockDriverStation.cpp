#include "port/MockDriverStation.h"

#include "port/RobotState.h"

namespace korvane::port {

// WPILib 2027 enables Systemcore through its own driver station with a protocol of its own, and
// its desktop simulation listens on no UDP port for the roboRIO's packets (its simulated driver
// station is set through the simulation GUI or HALSIM_SetDriverStationEnabled).
const char* mockDriverStationRefusal() {
  if (!isSimulation()) {
    return "not started: this is a real robot, which a mock driver station would enable without "
           "an operator";
  }
  return "not started: WPILib 2027 takes no roboRIO driver-station packets (Systemcore and its "
         "simulation are enabled from their own driver station or the simulation GUI)";
}

}  // namespace korvane::port
