#include <dirent.h>

#include <algorithm>
#include <cstring>

#include "serial/DevicePath.h"

namespace korvane::serial {

std::vector<std::string> listDevices(const std::string& location) {
  std::vector<std::string> candidates;
  if (DIR* dir = opendir(location.c_str())) {
    while (dirent* entry = readdir(dir)) {
      const char* name = entry->d_name;
      if (std::strncmp(name, "ttyUSB", 6) == 0 || std::strncmp(name, "ttyACM", 6) == 0) {
        candidates.push_back(location + "/" + name);
      }
    }
    closedir(dir);
  }
  std::sort(candidates.begin(), candidates.end());
  return candidates;
}

std::string fallbackDevice(Fallback fallback, int second) {
  return std::string(fallback == Fallback::Usb ? "/dev/ttyUSB" : "/dev/ttyACM") +
         (second ? "1" : "0");
}

}  // namespace korvane::serial
