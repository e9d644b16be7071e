// kromel_usb_emulator: a simulated Kromel colour sensor on a pseudo-terminal, for pointing a
// robot program at it by hand. Prints the path to open, then serves it until interrupted.
//
// Usage: kromel_usb_emulator [sample time ms (default 20)] [x y z]

#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "kromel/KromelUsbSim.h"

namespace {

void ignore(int) {}

}  // namespace

int main(int argc, char** argv) {
  // Interrupts are taken by the main thread alone, which waits for them below. A handler is set
  // so that they arrive even when the shell started this program with them ignored.
  signal(SIGINT, ignore);
  signal(SIGTERM, ignore);
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

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
  std::cout << sensor->path() << std::endl;
  std::cerr << "Kromel colour sensor emulated on " << sensor->path() << " (Ctrl-C ends it)"
            << std::endl;
  size_t shown = 0;
  const timespec tick{0, 200 * 1000000L};
  while (sigtimedwait(&stopSignals, nullptr, &tick) < 0) {
    auto commands = sensor->commands();
    for (; shown < commands.size(); ++shown) std::cerr << "received: " << commands[shown] << "\n";
  }
  sensor->hangUp();
  return 0;
}
