#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace wpi {

class Logger;

// A UDP socket that sends datagrams to IPv4 addresses. Errors are reported through the logger
// at error level.
//
// Threading: one thread at a time per client.
class UDPClient {
 public:
  explicit UDPClient(Logger& logger);
  // Binds to this local IPv4 address when started (any address when empty).
  UDPClient(std::string_view address, Logger& logger);
  UDPClient(const UDPClient& other) = delete;
  UDPClient(UDPClient&& other);
  ~UDPClient();

  UDPClient& operator=(const UDPClient& other) = delete;
  UDPClient& operator=(UDPClient&& other);

  // Opens the socket bound to an ephemeral port (or to `port`); 0 on success, -1 on failure.
  // Starting a started client does nothing.
  int start();
  int start(int port);
  void shutdown();
  // One datagram to `server`, which must be an IPv4 address in dotted form. Bytes sent, or -1.
  int send(std::span<const uint8_t> data, std::string_view server, int port);
  int send(std::string_view data, std::string_view server, int port);

 private:
  int fd_ = -1;
  std::string address_;
  Logger* logger_;
};

}  // namespace wpi
