// The simulated robot's driver-station link: control packets on UDP 127.0.0.1:1110 set the
// system-active state.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <mutex>
#include <thread>

#include "korvane/sim/DriverStation.h"
#include "korvane/sim/System.h"

namespace korvane::sim {
namespace {

constexpr uint8_t kEnabledBit = 0x04;
constexpr size_t kControlByte = 3;

class Listener {
 public:
  bool start() {
    std::lock_guard lock(mutex_);
    if (thread_.joinable()) return true;
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return fail("socket", -1);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(kDriverStationPort);
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
      return fail("bind to 127.0.0.1:1110", fd);
    }
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC) != 0) return fail("pipe", fd);
    socket_ = fd;
    wakeRead_ = wake[0];
    wakeWrite_ = wake[1];
    received_.store(0);
    lastControl_.store(-1);
    try {
      thread_ = std::thread(&Listener::run, this);
    } catch (const std::exception&) {
      closeAll();
      std::cerr << "[SimDriverStation] could not start the listener thread" << std::endl;
      return false;
    }
    return true;
  }

  void stop() {
    std::lock_guard lock(mutex_);
    if (!thread_.joinable()) return;
    char byte = 1;
    while (::write(wakeWrite_, &byte, 1) < 0 && errno == EINTR) {
    }
    thread_.join();
    closeAll();
  }

  bool running() {
    std::lock_guard lock(mutex_);
    return thread_.joinable();
  }

  uint64_t received() const { return received_.load(); }
  int lastControl() const { return lastControl_.load(); }

 private:
  bool fail(const char* what, int fd) {
    std::cerr << "[SimDriverStation] " << what << " failed: " << std::strerror(errno) << std::endl;
    if (fd >= 0) ::close(fd);
    return false;
  }

  void closeAll() {
    for (int* fd : {&socket_, &wakeRead_, &wakeWrite_}) {
      if (*fd >= 0) ::close(*fd);
      *fd = -1;
    }
  }

  // Blocks in poll until a packet, the stop request or the link timeout.
  void run() {
    bool linked = false;
    pollfd fds[2] = {{socket_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
    const int timeoutMs = static_cast<int>(kDriverStationTimeout.count());
    while (true) {
      int ready = ::poll(fds, 2, linked ? timeoutMs : -1);
      if (ready < 0) {
        if (errno == EINTR) continue;
        return;
      }
      if (fds[1].revents != 0) return;
      if (ready == 0) {
        // The driver station went quiet: the robot disables itself.
        linked = false;
        setSystemActive(false);
        continue;
      }
      uint8_t packet[64];
      ssize_t size = ::recv(socket_, packet, sizeof packet, 0);
      if (size <= static_cast<ssize_t>(kControlByte)) continue;
      linked = true;
      received_.fetch_add(1);
      lastControl_.store(packet[kControlByte]);
      setSystemActive((packet[kControlByte] & kEnabledBit) != 0);
    }
  }

  std::mutex mutex_;
  std::thread thread_;
  int socket_ = -1;
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  std::atomic<uint64_t> received_{0};
  std::atomic<int> lastControl_{-1};
};

// Never destroyed: a listener still running at exit simply ends with the process.
Listener& listener() {
  static Listener* instance = new Listener;
  return *instance;
}

}  // namespace

bool startDriverStationListener() {
  return listener().start();
}
void stopDriverStationListener() {
  listener().stop();
}
bool driverStationListenerRunning() {
  return listener().running();
}
uint64_t driverStationPacketsReceived() {
  return listener().received();
}
int lastDriverStationControl() {
  return listener().lastControl();
}

}  // namespace korvane::sim
