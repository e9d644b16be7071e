#include "sim/pty/DeviceLinks.h"

namespace korvane::sim {

std::string linkInNewFolder(const std::string&, const std::string&) {
  return "";
}

void removeLinkFolder(const std::string&, const std::string&) {}

}  // namespace korvane::sim
