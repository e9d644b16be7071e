#include "korvane/sim/SerialDevices.h"

#include <mutex>

namespace korvane::sim {
namespace {

std::mutex g_mutex;
std::string g_directory = "/dev";

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
