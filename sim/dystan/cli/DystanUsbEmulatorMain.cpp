// dystan_usb_emulator: a simulated Dystan distance sensor on a pseudo-terminal, for pointing a
// robot program at it by hand. Prints the path to open, then serves it until interrupted.
//
// Usage: dystan_usb_emulator [output rate, scans a second (default 10; 0 = the line rate)]

#include <signal.h>

#include <cstdlib>
#include <iostream>

#include "dystan/DystanUsbSim.h"

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

  korvane::sim::DystanUsbSim::Options options;
  if (argc > 1) options.outputRate = std::atoi(argv[1]);
  auto sensor = korvane::sim::DystanUsbSim::start(options);
  if (!sensor) {
    std::cerr << "dystan_usb_emulator: no pseudo-terminal could be made" << std::endl;
    return 1;
  }
  std::cout << sensor->path() << std::endl;
  std::cerr << "Dystan distance sensor emulated on " << sensor->path() << " (Ctrl-C ends it)"
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
