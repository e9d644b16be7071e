#pragma once

// The choice of a USB serial device path, shared by every driver that opens its device by number,
// over any directory so that tests can list a directory of their own instead of /dev.

#include <string>

#if __has_include(<korvane/sim/SerialDevices.h>)
#include <korvane/sim/SerialDevices.h>
#define KORVANE_SIMULATED_SERIAL_DEVICES 1
#endif

namespace korvane::serial {

// Where USB serial devices appear: "/dev" on the robot; on the simulated platform, the folder its
// simulation controls name ("/dev" unless a simulation changes it).
inline std::string deviceDirectory() {
#ifdef KORVANE_SIMULATED_SERIAL_DEVICES
  return korvane::sim::serialDeviceDirectory();
#else
  return "/dev";
#endif
}

// Candidates are directory + "/" + name for every entry named ttyUSB* or ttyACM*, sorted
// byte-wise: the first, or the second for index 3. Without such a candidate, the fallback prefix
// followed by "0", or "1" for index 3.
std::string findDevicePathIn(const std::string& directory, int index,
                             const std::string& fallbackPrefix = "/dev/ttyACM");

}  // namespace korvane::serial
