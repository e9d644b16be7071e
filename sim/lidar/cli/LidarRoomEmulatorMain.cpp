// lidar_room_emulator: a simulated LiDAR in a 6 m x 4 m room with a box, on a pseudo-terminal,
// for pointing a robot program at it by hand (map a HAL serial port to the printed path, e.g.
// com.korvane.frc.sim.SimSerial.mapPort(2, path)). Serves it until interrupted.
//
// Usage: lidar_room_emulator [noise sigma mm (default 0)] [dropout fraction (default 0)]

#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "lidar/LidarRoomSim.h"

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

  auto lidar = korvane::sim::LidarRoomSim::start();
  if (!lidar) {
    std::cerr << "lidar_room_emulator: no pseudo-terminal could be made" << std::endl;
    return 1;
  }
  if (argc > 1) lidar->setNoise(std::strtod(argv[1], nullptr));
  if (argc > 2) lidar->setDropoutRate(std::strtod(argv[2], nullptr));
  std::cout << lidar->path() << std::endl;
  std::cerr << "LiDAR emulated on " << lidar->path() << " (Ctrl-C ends it)" << std::endl;
  int signal = 0;
  while (sigwait(&stopSignals, &signal) != 0) {
  }
  std::cerr << lidar->revolutions() << " revolutions sent" << std::endl;
  lidar->hangUp();
  return 0;
}
