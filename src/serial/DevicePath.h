#pragma once

// The choice of a USB serial device path, shared by every driver that opens its device by number,
// over any location so that tests can list a folder of their own instead of the system's.

#include <string>
#include <vector>

#include "port/SerialDeviceLocation.h"

namespace korvane::serial {

// Where USB serial devices appear (see port/SerialDeviceLocation.h).
inline std::string deviceDirectory() {
  return korvane::port::serialDeviceLocation();
}

// Which name stands in when no device is listed: the first ttyACM (the sensors' CDC devices) or
// ttyUSB (the mini LiDAR's adapter) on Linux; COM1 and COM2 on Windows.
enum class Fallback { Acm, Usb };

// The USB serial devices at a location, in the order drivers number them. Linux: the entries of
// the folder named ttyUSB* or ttyACM*, as folder + "/" + name, sorted byte-wise. Windows: the
// serial ports the system lists ("COM5", in number order) for "/dev", the system's location;
// for any other folder, its entries named COM<n>.
std::vector<std::string> listDevices(const std::string& location);
// The name used when the list has no device for index (0 for the first, 1 for the second).
std::string fallbackDevice(Fallback fallback, int second);

// The first listed device, or the second for index 3; without one, the fallback ("/dev/ttyACM0",
// or "/dev/ttyACM1" for index 3, on Linux).
std::string findDevicePathIn(const std::string& directory, int index,
                             Fallback fallback = Fallback::Acm);

}  // namespace korvane::serial
