#include "korvane/sim/SerialDevices.h"

#include <cstdlib>
#include <mutex>

namespace korvane::sim {
namespace {

// KORVANE_SIM_SERIAL_DEVICE_DIR in the environment points a robot program at the folder of links
// an emulator in another process made (the virtual robot's).
std::string initialDirectory() {
  const char* folder = std::getenv("KORVANE_SIM_SERIAL_DEVICE_DIR");
  return folder != nullptr && *folder != '\0' ? folder : "/dev";
}

std::mutex g_mutex;
std::string g_directory = initialDirectory();

}  // namespace

void setSerialDeviceDirectory(const std::string& directory) {
  std::lock_guard lock(g_mutex);
  g_directory = directory;
}

std::string serialDeviceDirectory() {
  std::lock_guard lock(g_mutex);
  return g_directory;
}

}  // namespace korvane::sim
