#include "DsReceiver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace korvane::test {

using Clock = std::chrono::steady_clock;

DsReceiver::DsReceiver() {
  int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(1110);
  local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    ::close(fd);
    return;
  }
  fd_ = fd;
}

DsReceiver::~DsReceiver() {
  if (fd_ >= 0) ::close(fd_);
}

std::optional<DsPacket> DsReceiver::receive(std::chrono::milliseconds timeout) {
  if (fd_ < 0) return std::nullopt;
  auto deadline = Clock::now() + timeout;
  while (true) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    pollfd pfd{fd_, POLLIN, 0};
    int ready = ::poll(&pfd, 1, static_cast<int>(std::max<int64_t>(left.count(), 0)));
    if (ready <= 0) return std::nullopt;
    uint8_t buffer[64];
    sockaddr_in from{};
    socklen_t size = sizeof from;
    ssize_t n =
        ::recvfrom(fd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &size);
    if (n < 0) continue;
    DsPacket packet;
    packet.bytes.assign(buffer, buffer + n);
    packet.sourcePort = ntohs(from.sin_port);
    packet.receivedAt = Clock::now();
    return packet;
  }
}

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
