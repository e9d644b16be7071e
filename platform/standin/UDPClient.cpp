// wpi::UDPClient over a real UDP socket.

#include "wpinet/UDPClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "wpi/Logger.h"

namespace wpi {
namespace {

constexpr const char* kSourceFile = "UDPClient.cpp";

// Error paths only: composing the message may allocate.
void logError(Logger& logger, unsigned int line, const std::string& message) {
  logger.DoLog(WPI_LOG_ERROR, kSourceFile, line, message.c_str());
}

std::string errnoText() {
  return std::strerror(errno);
}

// Copies a dotted IPv4 address into `out` without allocating.
bool parseAddress(std::string_view text, in_addr* out) {
  char buffer[INET_ADDRSTRLEN + 1];
  if (text.size() >= sizeof buffer) return false;
  std::memcpy(buffer, text.data(), text.size());
  buffer[text.size()] = '\0';
  return inet_pton(AF_INET, buffer, out) == 1;
}

}  // namespace

UDPClient::UDPClient(Logger& logger) : logger_(&logger) {}

UDPClient::UDPClient(std::string_view address, Logger& logger)
    : address_(address), logger_(&logger) {}

UDPClient::UDPClient(UDPClient&& other)
    : fd_(other.fd_), address_(std::move(other.address_)), logger_(other.logger_) {
  other.fd_ = -1;
}

UDPClient& UDPClient::operator=(UDPClient&& other) {
  if (this != &other) {
    shutdown();
    fd_ = other.fd_;
    address_ = std::move(other.address_);
    logger_ = other.logger_;
    other.fd_ = -1;
  }
  return *this;
}

UDPClient::~UDPClient() {
  shutdown();
}

int UDPClient::start() {
  return start(0);
}

int UDPClient::start(int port) {
  if (fd_ >= 0) return 0;
  int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    logError(*logger_, __LINE__, "could not create socket: " + errnoText());
    return -1;
  }
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(static_cast<uint16_t>(port));
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  if (!address_.empty() && inet_pton(AF_INET, address_.c_str(), &local.sin_addr) != 1) {
    logError(*logger_, __LINE__, "could not resolve " + address_ + " address");
    ::close(fd);
    return -1;
  }
  if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    logError(*logger_, __LINE__, "bind() failed: " + errnoText());
    ::close(fd);
    return -1;
  }
  fd_ = fd;
  return 0;
}

void UDPClient::shutdown() {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
}

int UDPClient::send(std::span<const uint8_t> data, std::string_view server, int port) {
  if (fd_ < 0) {
    logError(*logger_, __LINE__, "send() on a client that is not started");
    return -1;
  }
  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_port = htons(static_cast<uint16_t>(port));
  if (!parseAddress(server, &remote.sin_addr)) {
    logError(*logger_, __LINE__, "could not resolve " + std::string(server) + " address");
    return -1;
  }
  ssize_t sent;
  do {
    sent = ::sendto(fd_, data.data(), data.size(), 0, reinterpret_cast<sockaddr*>(&remote),
                    sizeof remote);
  } while (sent < 0 && errno == EINTR);
  if (sent < 0) {
    logError(*logger_, __LINE__, "sendto() failed: " + errnoText());
    return -1;
  }
  return static_cast<int>(sent);
}

int UDPClient::send(std::string_view data, std::string_view server, int port) {
  return send(std::span(reinterpret_cast<const uint8_t*>(data.data()), data.size()), server, port);
}

}  // namespace wpi
