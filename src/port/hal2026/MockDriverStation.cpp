#include "port/MockDriverStation.h"

#include "port/RobotState.h"

namespace korvane::port {

// WPILib 2026's desktop simulation and the stand-in take the packets with a listener on the port.
// On a roboRIO the robot's own communications listen there, and a mock driver station would
// enable the robot without an operator.
const char* mockDriverStationRefusal() {
  if (isSimulation()) return nullptr;
  return "not started: this is a real robot, which a mock driver station would enable without an "
         "operator";
}

}  // namespace korvane::port
