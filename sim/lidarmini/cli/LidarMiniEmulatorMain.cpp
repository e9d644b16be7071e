// lidarmini_emulator: a simulated T-mini Plus mini LiDAR on a pseudo-terminal, for pointing a
// robot program at it by hand. Prints the path to open, then serves it until interrupted.
//
// Usage: lidarmini_emulator [folder]
// With a folder, the terminal is also linked there as ttyUSB0, so that a driver looking for USB
// serial devices in that folder finds it as port 0.

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "sim/cli/EmulatorProgram.h"
#include "sim/lidarmini/LidarMiniSim.h"

int main(int argc, char** argv) {
  const korvane::sim::StopSignals stopSignals;
  auto lidar = korvane::sim::LidarMiniSim::start();
  if (!lidar) {
    std::cerr << "lidarmini_emulator: no pseudo-terminal could be made" << std::endl;
    return 1;
  }
  std::string link;
  if (argc > 1) {
    link = std::string(argv[1]) + "/ttyUSB0";
    if (symlink(lidar->path().c_str(), link.c_str()) != 0) {
      std::perror(("lidarmini_emulator: cannot link " + link).c_str());
      return 1;
    }
  }
  korvane::sim::announce("T-mini Plus", lidar->path(),
                         link.empty() ? "" : " (linked as " + link + ")");
  size_t shown = 0;
  stopSignals.wait([&] {
    auto commands = lidar->commands();
    for (; shown < commands.size(); ++shown) {
      std::fprintf(stderr, "received: A5 %02X\n", commands[shown]);
    }
  });
  lidar->hangUp();
  if (!link.empty()) unlink(link.c_str());
  return 0;
}
