// The UDP sender over a Winsock socket.

#include "port/UdpSender.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstring>
#include <string>

namespace korvane::port {
namespace {

constexpr const char* kSourceFile = "UdpSender.cpp";

std::string socketErrorText() {
  return "Winsock error " + std::to_string(WSAGetLastError());
}

}  // namespace

struct UdpSender::Impl {
  explicit Impl(LogFunction log) : log(log) {
    WSADATA data;
    winsockReady = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~Impl() {
    if (winsockReady) WSACleanup();
  }
  // Error paths only: composing the message may allocate.
  void error(unsigned int line, const std::string& message) const {
    if (log != nullptr) log(kLogError, kSourceFile, line, message.c_str());
  }
  LogFunction log;
  bool winsockReady = false;
  SOCKET socket = INVALID_SOCKET;
};

UdpSender::UdpSender(LogFunction log) : impl_(std::make_unique<Impl>(log)) {}

UdpSender::~UdpSender() {
  shutdown();
}

int UdpSender::start() {
  if (impl_->socket != INVALID_SOCKET) return 0;
  if (!impl_->winsockReady) {
    impl_->error(__LINE__, "could not create socket: Winsock did not start");
    return -1;
  }
  SOCKET s = ::WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
  if (s == INVALID_SOCKET) {
    impl_->error(__LINE__, "could not create socket: " + socketErrorText());
    return -1;
  }
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  if (::bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    impl_->error(__LINE__, "bind() failed: " + socketErrorText());
    ::closesocket(s);
    return -1;
  }
  impl_->socket = s;
  return 0;
}

int UdpSender::send(std::span<const uint8_t> data, std::string_view host, int port) {
  if (impl_->socket == INVALID_SOCKET) {
    impl_->error(__LINE__, "send() on a sender that is not started");
    return -1;
  }
  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_port = htons(static_cast<uint16_t>(port));
  char text[INET_ADDRSTRLEN + 1];
  if (host.size() >= sizeof text) {
    impl_->error(__LINE__, "could not resolve " + std::string(host) + " address");
    return -1;
  }
  std::memcpy(text, host.data(), host.size());
  text[host.size()] = '\0';
  if (inet_pton(AF_INET, text, &remote.sin_addr) != 1) {
    impl_->error(__LINE__, "could not resolve " + std::string(host) + " address");
    return -1;
  }
  int sent = ::sendto(impl_->socket, reinterpret_cast<const char*>(data.data()),
                      static_cast<int>(data.size()), 0, reinterpret_cast<sockaddr*>(&remote),
                      sizeof remote);
  if (sent == SOCKET_ERROR) {
    impl_->error(__LINE__, "sendto() failed: " + socketErrorText());
    return -1;
  }
  return sent;
}

void UdpSender::shutdown() {
  if (impl_->socket == INVALID_SOCKET) return;
  ::closesocket(impl_->socket);
  impl_->socket = INVALID_SOCKET;
}

}  // namespace korvane::port
