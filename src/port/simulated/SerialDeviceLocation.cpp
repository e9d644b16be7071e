#include "port/SerialDeviceLocation.h"

#include "korvane/sim/SerialDevices.h"

namespace korvane::port {

std::string serialDeviceLocation() {
  return korvane::sim::serialDeviceDirectory();
}

}  // namespace korvane::port
