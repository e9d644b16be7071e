// The receiving socket over POSIX sockets.

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
  socket_ = fd;
}

DsReceiver::~DsReceiver() {
  if (socket_ >= 0) ::close(static_cast<int>(socket_));
}

std::optional<DsPacket> DsReceiver::receive(std::chrono::milliseconds timeout) {
  if (socket_ < 0) return std::nullopt;
  auto deadline = Clock::now() + timeout;
  while (true) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    pollfd pfd{static_cast<int>(socket_), POLLIN, 0};
    int ready = ::poll(&pfd, 1, static_cast<int>(std::max<int64_t>(left.count(), 0)));
    if (ready <= 0) return std::nullopt;
    uint8_t buffer[64];
    sockaddr_in from{};
    socklen_t size = sizeof from;
    ssize_t n = ::recvfrom(static_cast<int>(socket_), buffer, sizeof buffer, 0,
                           reinterpret_cast<sockaddr*>(&from), &size);
    if (n < 0) continue;
    DsPacket packet;
    packet.bytes.assign(buffer, buffer + n);
    packet.sourcePort = ntohs(from.sin_port);
    packet.receivedAt = Clock::now();
    return packet;
  }
}

}  // namespace korvane::test
