// lidar_room_emulator: a simulated LiDAR in a 6 m x 4 m room with a box, on a pseudo-terminal,
// for pointing a robot program at it by hand (map a HAL serial port to the printed path, e.g.
// com.korvane.frc.sim.SimSerial.mapPort(2, path)). Serves it until interrupted.
//
// Usage: lidar_room_emulator [noise sigma mm (default 0)] [dropout fraction (default 0)]

#include <cstdlib>
#include <iostream>

#include "sim/cli/EmulatorProgram.h"
#include "sim/lidar/LidarRoomSim.h"

int main(int argc, char** argv) {
  const korvane::sim::StopSignals stopSignals;
  auto lidar = korvane::sim::LidarRoomSim::start();
  if (!lidar) {
    std::cerr << "lidar_room_emulator: no pseudo-terminal could be made" << std::endl;
    return 1;
  }
  if (argc > 1) lidar->setNoise(std::strtod(argv[1], nullptr));
  if (argc > 2) lidar->setDropoutRate(std::strtod(argv[2], nullptr));
  korvane::sim::announce("LiDAR", lidar->path());
  stopSignals.wait();
  std::cerr << lidar->revolutions() << " revolutions sent" << std::endl;
  lidar->hangUp();
  return 0;
}
