#pragma once

// A fresh folder holding one link to an emulated device, standing in for /dev so that a driver
// choosing its device by number finds the emulator (Linux: pseudo-terminals have no Windows
// counterpart, so there no folder is made).

#include <string>

namespace korvane::sim {

// The new folder, holding `name` linked to target; empty when none could be made.
std::string linkInNewFolder(const std::string& target, const std::string& name);
// Removes the link and the folder.
void removeLinkFolder(const std::string& folder, const std::string& name);

}  // namespace korvane::sim
