#include "port/MockDriverStation.h"

namespace korvane::port {

// WPILib 2027 enables Systemcore through its own driver station with a protocol of its own, and
// its desktop simulation listens on no UDP port for the roboRIO's packets (its simulated driver
// station is set through the simulation GUI or HALSIM_SetDriverStationEnabled).
const char* mockDriverStationRefusal() {
  return "not started: WPILib 2027 takes no roboRIO driver-station packets (Systemcore and its "
         "simulation are enabled from their own driver station or the simulation GUI)";
}

}  // namespace korvane::port
