#include "DsReceiver.h"

#include <algorithm>

namespace korvane::test {

using Clock = std::chrono::steady_clock;

std::optional<DsPacket> DsReceiver::followNewSender(std::chrono::milliseconds timeout) {
  auto deadline = Clock::now() + timeout;
  while (Clock::now() < deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    auto packet = receive(left);
    if (!packet) return std::nullopt;
    bool known = std::find(seen_.begin(), seen_.end(), packet->sourcePort) != seen_.end();
    if (known || packet->sequence() != 0) {
      if (!known) seen_.push_back(packet->sourcePort);
      continue;
    }
    seen_.push_back(packet->sourcePort);
    followed_ = packet->sourcePort;
    return packet;
  }
  return std::nullopt;
}

std::optional<DsPacket> DsReceiver::next(std::chrono::milliseconds timeout) {
  auto deadline = Clock::now() + timeout;
  while (Clock::now() < deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    auto packet = receive(left);
    if (!packet) return std::nullopt;
    if (packet->sourcePort == followed_) return packet;
  }
  return std::nullopt;
}

}  // namespace korvane::test
