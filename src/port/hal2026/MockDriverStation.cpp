#include "port/MockDriverStation.h"

namespace korvane::port {

// WPILib 2026's desktop simulation and the stand-in take the packets with a listener on the port.
const char* mockDriverStationRefusal() {
  return nullptr;
}

}  // namespace korvane::port
