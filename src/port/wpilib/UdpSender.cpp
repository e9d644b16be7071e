// WPILib's UDP client and logger, where our compiler shares WPILib's C++ ABI.

#include "port/UdpSender.h"

#include "wpi/Logger.h"
#include "wpinet/UDPClient.h"

namespace korvane::port {

struct UdpSender::Impl {
  explicit Impl(LogFunction log) : logger(log), client(logger) {}
  wpi::Logger logger;  // before the client, which refers to it
  wpi::UDPClient client;
};

UdpSender::UdpSender(LogFunction log) : impl_(std::make_unique<Impl>(log)) {}
UdpSender::~UdpSender() = default;

int UdpSender::start() {
  return impl_->client.start();
}

int UdpSender::send(std::span<const uint8_t> data, std::string_view host, int port) {
  return impl_->client.send(data, host, port);
}

void UdpSender::shutdown() {
  impl_->client.shutdown();
}

}  // namespace korvane::port
