// The UDP sender over a POSIX socket.

#include "port/UdpSender.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace korvane::port {
namespace {

constexpr const char* kSourceFile = "UdpSender.cpp";

}  // namespace

struct UdpSender::Impl {
  explicit Impl(LogFunction log) : log(log) {}
  // Error paths only: composing the message may allocate.
  void error(unsigned int line, const std::string& message) const {
    if (log != nullptr) log(kLogError, kSourceFile, line, message.c_str());
  }
  LogFunction log;
  int fd = -1;
};

UdpSender::UdpSender(LogFunction log) : impl_(std::make_unique<Impl>(log)) {}

UdpSender::~UdpSender() {
  shutdown();
}

int UdpSender::start() {
  if (impl_->fd >= 0) return 0;
  int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    impl_->error(__LINE__, std::string("could not create socket: ") + std::strerror(errno));
    return -1;
  }
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    impl_->error(__LINE__, std::string("bind() failed: ") + std::strerror(errno));
    ::close(fd);
    return -1;
  }
  impl_->fd = fd;
  return 0;
}

int UdpSender::send(std::span<const uint8_t> data, std::string_view host, int port) {
  if (impl_->fd < 0) {
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
  ssize_t sent;
  do {
    sent = ::sendto(impl_->fd, data.data(), data.size(), 0, reinterpret_cast<sockaddr*>(&remote),
                    sizeof remote);
  } while (sent < 0 && errno == EINTR);
  if (sent < 0) {
    impl_->error(__LINE__, std::string("sendto() failed: ") + std::strerror(errno));
    return -1;
  }
  return static_cast<int>(sent);
}

void UdpSender::shutdown() {
  if (impl_->fd < 0) return;
  ::close(impl_->fd);
  impl_->fd = -1;
}

}  // namespace korvane::port
