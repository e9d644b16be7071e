#include "sim/pty/DeviceLinks.h"

#include <stdlib.h>
#include <unistd.h>

namespace korvane::sim {

std::string linkInNewFolder(const std::string& target, const std::string& name) {
  char folder[] = "/tmp/korvane-devices-XXXXXX";
  if (mkdtemp(folder) == nullptr) return "";
  std::string link = std::string(folder) + "/" + name;
  if (symlink(target.c_str(), link.c_str()) != 0) {
    rmdir(folder);
    return "";
  }
  return folder;
}

void removeLinkFolder(const std::string& folder, const std::string& name) {
  unlink((folder + "/" + name).c_str());
  rmdir(folder.c_str());
}

}  // namespace korvane::sim
