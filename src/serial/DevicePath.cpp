#include "serial/DevicePath.h"

namespace korvane::serial {

std::string findDevicePathIn(const std::string& directory, int index, Fallback fallback) {
  std::vector<std::string> candidates = listDevices(directory);
  size_t position = index == 3 ? 1 : 0;
  if (candidates.size() > position) return candidates[position];
  return fallbackDevice(fallback, index == 3 ? 1 : 0);
}

}  // namespace korvane::serial
