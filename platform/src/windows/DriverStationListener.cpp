// The simulated robot's driver-station link: control packets on UDP 127.0.0.1:1110 set the
// system-active state. The listener thread waits on the socket's read event and a stop event.

#include <winsock2.h>

#include <atomic>
#include <cstring>
#include <iostream>
#include <mutex>
#include <string>
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
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return fail("WSAStartup");
    winsock_ = true;
    socket_ =
        ::WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (socket_ == INVALID_SOCKET) return fail("socket");
    // Only this listener may take the port, as a bound port is taken on Linux.
    BOOL exclusive = TRUE;
    ::setsockopt(socket_, SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
                 reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(kDriverStationPort);
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(socket_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
      return fail("bind to 127.0.0.1:1110");
    }
    readable_ = WSACreateEvent();
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (readable_ == WSA_INVALID_EVENT || stop_ == nullptr ||
        WSAEventSelect(socket_, readable_, FD_READ) != 0) {
      return fail("event");
    }
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
    SetEvent(stop_);
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
  bool fail(const char* what) {
    std::cerr << "[SimDriverStation] " << what << " failed: Winsock error " << WSAGetLastError()
              << std::endl;
    closeAll();
    return false;
  }

  void closeAll() {
    if (socket_ != INVALID_SOCKET) ::closesocket(socket_);
    socket_ = INVALID_SOCKET;
    if (readable_ != WSA_INVALID_EVENT) WSACloseEvent(readable_);
    readable_ = WSA_INVALID_EVENT;
    if (stop_ != nullptr) CloseHandle(stop_);
    stop_ = nullptr;
    if (winsock_) WSACleanup();
    winsock_ = false;
  }

  // Blocks until a packet, the stop request or the link timeout.
  void run() {
    bool linked = false;
    HANDLE waits[2] = {stop_, readable_};
    const DWORD timeoutMs = static_cast<DWORD>(kDriverStationTimeout.count());
    while (true) {
      DWORD woken = WaitForMultipleObjects(2, waits, FALSE, linked ? timeoutMs : INFINITE);
      if (woken == WAIT_OBJECT_0) return;
      if (woken == WAIT_TIMEOUT) {
        // The driver station went quiet: the robot disables itself.
        linked = false;
        setSystemActive(false);
        continue;
      }
      if (woken != WAIT_OBJECT_0 + 1) return;
      WSAResetEvent(readable_);
      // The socket is non-blocking once selected: take every packet waiting.
      while (true) {
        uint8_t packet[64];
        int size = ::recv(socket_, reinterpret_cast<char*>(packet), sizeof packet, 0);
        if (size == SOCKET_ERROR) {
          int error = WSAGetLastError();
          if (error == WSAEMSGSIZE || error == WSAECONNRESET) continue;
          break;
        }
        if (size <= static_cast<int>(kControlByte)) continue;
        linked = true;
        received_.fetch_add(1);
        lastControl_.store(packet[kControlByte]);
        setSystemActive((packet[kControlByte] & kEnabledBit) != 0);
      }
    }
  }

  std::mutex mutex_;
  std::thread thread_;
  bool winsock_ = false;
  SOCKET socket_ = INVALID_SOCKET;
  WSAEVENT readable_ = WSA_INVALID_EVENT;
  HANDLE stop_ = nullptr;
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
