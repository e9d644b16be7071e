#pragma once

// How a CAN device is named to the team (its simulated device, its driver-station reports): its
// CAN ID or device number, with the bus before it on a bus other than 0 ("5", "2/5").

#include <string>

namespace korvane {

inline std::string canDeviceId(int bus, int id) {
  if (bus == 0) return std::to_string(id);
  return std::to_string(bus) + "/" + std::to_string(id);
}

}  // namespace korvane
