#pragma once

// A UDP socket that sends datagrams to an IPv4 address, reporting its failures through a log
// function with the robot utility library's log levels, as WPILib's UDP client does.
//
// Threading: one thread at a time per sender.

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

namespace korvane::port {

// WPILib's logger levels.
enum LogLevel : unsigned int {
  kLogCritical = 50,
  kLogError = 40,
  kLogWarning = 30,
  kLogInfo = 20,
  kLogDebug = 10,
};

// Receives the messages at kLogInfo and above.
using LogFunction = void (*)(unsigned int level, const char* file, unsigned int line,
                             const char* message);

class UdpSender {
 public:
  explicit UdpSender(LogFunction log);
  ~UdpSender();
  UdpSender(const UdpSender&) = delete;
  UdpSender& operator=(const UdpSender&) = delete;

  // Opens the socket on an ephemeral port: 0, or -1 after a logged error. Starting a started
  // sender does nothing.
  int start();
  // One datagram to host, a dotted IPv4 address: the bytes sent, or -1 after a logged error.
  // Allocates nothing unless it fails.
  int send(std::span<const uint8_t> data, std::string_view host, int port);
  void shutdown();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace korvane::port
