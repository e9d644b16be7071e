#pragma once

// The robot's end of the driver-station link for tests: a real UDP socket on 127.0.0.1:1110.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvane::test {

struct DsPacket {
  std::vector<uint8_t> bytes;
  uint16_t sourcePort = 0;  // tells the workers of successive creates apart
  std::chrono::steady_clock::time_point receivedAt;

  int sequence() const { return bytes.size() >= 2 ? bytes[0] << 8 | bytes[1] : -1; }
  int control() const { return bytes.size() >= 4 ? bytes[3] : -1; }
};

class DsReceiver {
 public:
  DsReceiver();  // binds; bound() tells whether it could
  ~DsReceiver();
  DsReceiver(const DsReceiver&) = delete;
  DsReceiver& operator=(const DsReceiver&) = delete;

  bool bound() const { return socket_ >= 0; }
  // The socket: a descriptor, or a SOCKET on Windows.
  intptr_t native() const { return socket_; }

  // The next packet from anyone, or nothing within the timeout.
  std::optional<DsPacket> receive(std::chrono::milliseconds timeout = std::chrono::seconds(5));
  // Waits for the first packet (sequence 0) of a sender not seen before and follows it.
  std::optional<DsPacket> followNewSender(
      std::chrono::milliseconds timeout = std::chrono::seconds(5));
  // The next packet of the followed sender; other senders' packets are skipped.
  std::optional<DsPacket> next(std::chrono::milliseconds timeout = std::chrono::seconds(5));
  uint16_t followedPort() const { return followed_; }

 private:
  intptr_t socket_ = -1;
  uint16_t followed_ = 0;
  std::vector<uint16_t> seen_;
};

}  // namespace korvane::test
