#pragma once

// The device-path choice of KorvaneSerial::FindDevicePath over any directory, so that tests can
// list a directory of their own instead of /dev.

#include <string>

namespace korvane_serial {

// Candidates are directory + "/" + name for every entry named ttyUSB* or ttyACM*.
std::string findDevicePathIn(const std::string& directory, int index);

}  // namespace korvane_serial
