// kromel_usb_emulator: a simulated Kromel colour sensor on a pseudo-terminal, for pointing a
// robot program at it by hand. Prints the path to open, then serves it until interrupted.
//
// Usage: kromel_usb_emulator [sample time ms (default 20)] [x y z]

#include <cstdlib>
#include <iostream>

#include "sim/cli/EmulatorProgram.h"
#include "sim/kromel/KromelUsbSim.h"

int main(int argc, char** argv) {
  const korvane::sim::StopSignals stopSignals;
  int sampleTimeMs = argc > 1 ? std::atoi(argv[1]) : 20;
  auto sensor = korvane::sim::KromelUsbSim::start(sampleTimeMs);
  if (!sensor) {
    std::cerr << "kromel_usb_emulator: no pseudo-terminal could be made" << std::endl;
    return 1;
  }
  if (argc > 4) {
    sensor->setColor(std::strtof(argv[2], nullptr), std::strtof(argv[3], nullptr),
                     std::strtof(argv[4], nullptr));
  }
  korvane::sim::announce("Kromel colour sensor", sensor->path());
  size_t shown = 0;
  stopSignals.wait([&] { korvane::sim::showReceived(sensor->commands(), shown); });
  sensor->hangUp();
  return 0;
}
