#pragma once

#include <cstdint>
#include <string>

#include "wpi/ArrayRef.h"
#include "wpi/Logger.h"
#include "wpi/Twine.h"

namespace wpi {

// A UDP socket that sends datagrams to IPv4 addresses. Errors are reported through the logger
// at error level.
//
// Threading: one thread at a time per client.
class UDPClient {
 public:
  explicit UDPClient(Logger& logger);
  // Binds to this local IPv4 address when started (any address when empty).
  UDPClient(const Twine& address, Logger& logger);
  UDPClient(const UDPClient&) = delete;
  UDPClient& operator=(const UDPClient&) = delete;
  UDPClient(UDPClient&& other) noexcept;
  UDPClient& operator=(UDPClient&& other) noexcept;
  ~UDPClient();

  // Opens the socket bound to an ephemeral port (or to `port`); 0 on success, -1 on failure.
  // Starting a started client does nothing.
  int start();
  int start(int port);
  void shutdown();
  // One datagram to `server`, which must be an IPv4 address in dotted form. Bytes sent, or -1.
  int send(ArrayRef<uint8_t> data, const Twine& server, int port);

 private:
  int fd_ = -1;
  std::string address_;
  Logger* logger_;
};

}  // namespace wpi
