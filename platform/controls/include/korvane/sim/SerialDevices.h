#pragma once

// The folder in which drivers look for USB serial devices (ttyACM*, ttyUSB*): "/dev" on the
// robot. A simulation can point it at a folder of links to emulated devices' pseudo-terminals,
// so that a driver choosing its device by number finds them. Thread-safe.

#include <string>

namespace korvane::sim {

void setSerialDeviceDirectory(const std::string& directory);
// KORVANE_SIM_SERIAL_DEVICE_DIR from the environment, else "/dev", until set.
std::string serialDeviceDirectory();

}  // namespace korvane::sim
