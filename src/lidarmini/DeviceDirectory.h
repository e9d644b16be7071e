#pragma once

// Where the mini LiDAR looks for its USB serial device: "/dev" on the robot; on the simulated
// platform, the folder its simulation controls name ("/dev" unless a simulation changes it).

#include <string>

#if __has_include(<korvane/sim/SerialDevices.h>)
#include <korvane/sim/SerialDevices.h>
#define LIDARMINI_SIMULATED_DEVICES 1
#endif

namespace lidarmini {

inline std::string deviceDirectory() {
#ifdef LIDARMINI_SIMULATED_DEVICES
  return korvane::sim::serialDeviceDirectory();
#else
  return "/dev";
#endif
}

}  // namespace lidarmini
