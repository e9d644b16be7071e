// The receiving socket over Winsock.

#include "DsReceiver.h"

#include <winsock2.h>

#include <algorithm>

namespace korvane::test {

using Clock = std::chrono::steady_clock;

DsReceiver::DsReceiver() {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return;
  SOCKET s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (s == INVALID_SOCKET) return;
  BOOL exclusive = TRUE;
  ::setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
               sizeof exclusive);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(1110);
  local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    ::closesocket(s);
    return;
  }
  socket_ = static_cast<intptr_t>(s);
}

DsReceiver::~DsReceiver() {
  if (socket_ >= 0) ::closesocket(static_cast<SOCKET>(socket_));
  WSACleanup();
}

std::optional<DsPacket> DsReceiver::receive(std::chrono::milliseconds timeout) {
  if (socket_ < 0) return std::nullopt;
  const SOCKET s = static_cast<SOCKET>(socket_);
  auto deadline = Clock::now() + timeout;
  while (true) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    WSAPOLLFD entry{s, POLLRDNORM, 0};
    int ready = WSAPoll(&entry, 1, static_cast<int>(std::max<int64_t>(left.count(), 0)));
    if (ready <= 0) return std::nullopt;
    uint8_t buffer[64];
    sockaddr_in from{};
    int size = sizeof from;
    int n = ::recvfrom(s, reinterpret_cast<char*>(buffer), sizeof buffer, 0,
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
