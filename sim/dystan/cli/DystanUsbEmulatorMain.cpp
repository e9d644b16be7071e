// dystan_usb_emulator: a simulated Dystan distance sensor on a pseudo-terminal, for pointing a
// robot program at it by hand. Prints the path to open, then serves it until interrupted.
//
// Usage: dystan_usb_emulator [output rate, scans a second (default 10; 0 = the line rate)]

#include <cstdlib>
#include <iostream>

#include "sim/cli/EmulatorProgram.h"
#include "sim/dystan/DystanUsbSim.h"

int main(int argc, char** argv) {
  const korvane::sim::StopSignals stopSignals;
  korvane::sim::DystanUsbSim::Options options;
  if (argc > 1) options.outputRate = std::atoi(argv[1]);
  auto sensor = korvane::sim::DystanUsbSim::start(options);
  if (!sensor) {
    std::cerr << "dystan_usb_emulator: no pseudo-terminal could be made" << std::endl;
    return 1;
  }
  korvane::sim::announce("Dystan distance sensor", sensor->path());
  size_t shown = 0;
  stopSignals.wait([&] { korvane::sim::showReceived(sensor->commands(), shown); });
  sensor->hangUp();
  return 0;
}
