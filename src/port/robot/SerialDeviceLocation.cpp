#include "port/SerialDeviceLocation.h"

namespace korvane::port {

std::string serialDeviceLocation() {
  return "/dev";
}

}  // namespace korvane::port
