// korvane_virtual_robot: every serial device a robot program may use, emulated at once on
// pseudo-terminals of this desktop (a Kromel colour sensor and a Dystan distance sensor over USB,
// a LiDAR in a 6 m x 4 m room, a T-mini Plus mini LiDAR), for running a robot program of one's
// own against them. Prints each device's path and the settings the robot program needs, then
// serves the devices until Ctrl-C (SIGINT) or SIGTERM.
//
// Usage: korvane_virtual_robot

#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "sim/dystan/DystanUsbSim.h"
#include "sim/kromel/KromelUsbSim.h"
#include "sim/lidar/LidarRoomSim.h"
#include "sim/lidarmini/LidarMiniSim.h"

namespace {

// The HAL serial port a robot program opens the LiDAR on (the first USB adapter).
constexpr int kLidarPort = 2;

void ignore(int) {}

// A folder holding one link, ttyUSB0, to the mini LiDAR's terminal: drivers looking for USB
// serial devices there find the mini LiDAR as device 0. Removed when this object goes.
class DeviceFolder {
 public:
  bool make(const std::string& target) {
    char folder[] = "/tmp/korvane-virtual-robot-XXXXXX";
    if (mkdtemp(folder) == nullptr) return false;
    folder_ = folder;
    if (symlink(target.c_str(), link().c_str()) != 0) {
      rmdir(folder_.c_str());
      folder_.clear();
      return false;
    }
    return true;
  }
  ~DeviceFolder() {
    if (folder_.empty()) return;
    unlink(link().c_str());
    rmdir(folder_.c_str());
  }
  const std::string& path() const { return folder_; }
  std::string link() const { return folder_ + "/ttyUSB0"; }

 private:
  std::string folder_;
};

int fail(const std::string& what) {
  std::cerr << "korvane_virtual_robot: " << what << std::endl;
  return 1;
}

}  // namespace

int main() {
  // Interrupts are taken by the main thread alone, which waits for them below. A handler is set
  // so that they arrive even when the shell started this program with them ignored.
  signal(SIGINT, ignore);
  signal(SIGTERM, ignore);
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  using namespace korvane::sim;
  auto colour = KromelUsbSim::start();
  auto distance = DystanUsbSim::start();
  auto lidar = LidarRoomSim::start();
  auto mini = LidarMiniSim::start();
  if (!colour || !distance || !lidar || !mini) return fail("no pseudo-terminal could be made");
  DeviceFolder devices;
  if (!devices.make(mini->path())) {
    return fail(std::string("cannot link the mini LiDAR in a folder under /tmp: ") +
                std::strerror(errno));
  }

  std::cout << "colour sensor (Kromel, USB): " << colour->path() << "\n"
            << "distance sensor (Dystan, USB): " << distance->path() << "\n"
            << "LiDAR (room): " << lidar->path() << "\n"
            << "mini LiDAR (T-mini Plus): " << mini->path() << " (linked as " << devices.link()
            << ")\n"
            << "\n"
            << "Robot program settings:\n"
            << "  open the colour sensor and the distance sensor over USB at their paths above\n"
            << "  export KORVANE_SIM_SERIAL_PORT_" << kLidarPort << "=" << lidar->path()
            << "    # the LiDAR on HAL serial port " << kLidarPort
            << " (the first USB adapter); or in Java SimSerial.mapPort(" << kLidarPort << ", \""
            << lidar->path() << "\")\n"
            << "  export KORVANE_SIM_SERIAL_DEVICE_DIR=" << devices.path()
            << "    # the mini LiDAR as USB serial device 0\n"
            << "Serving the four devices; Ctrl-C stops them." << std::endl;

  int signal = 0;
  while (sigwait(&stopSignals, &signal) != 0) {
  }
  colour->hangUp();
  distance->hangUp();
  lidar->hangUp();
  mini->hangUp();
  std::cout << "Virtual robot stopped." << std::endl;
  return 0;
}
