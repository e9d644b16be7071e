// The wpiutil stand-in: UDP client over a real socket, its errors through the logger, the
// logger's level filter and errs().

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "wpi/Logger.h"
#include "wpi/raw_ostream.h"
#include "wpinet/UDPClient.h"

namespace {

struct Logged {
  unsigned int level;
  std::string file;
  std::string message;
};

class UdpClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    logger.SetLogger([this](unsigned int level, const char* file, unsigned int, const char* msg) {
      logged.push_back({level, file, msg});
    });
    receiver = ::socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(receiver, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(receiver, reinterpret_cast<sockaddr*>(&local), sizeof local), 0);
    socklen_t size = sizeof local;
    ::getsockname(receiver, reinterpret_cast<sockaddr*>(&local), &size);
    port = ntohs(local.sin_port);
  }
  void TearDown() override { ::close(receiver); }

  // The next datagram, or nothing within the deadline.
  std::vector<uint8_t> receive() {
    pollfd fd{receiver, POLLIN, 0};
    if (::poll(&fd, 1, 5000) != 1) return {};
    uint8_t buffer[256];
    ssize_t n = ::recv(receiver, buffer, sizeof buffer, 0);
    return n > 0 ? std::vector<uint8_t>(buffer, buffer + n) : std::vector<uint8_t>{};
  }

  wpi::Logger logger;
  std::vector<Logged> logged;
  int receiver = -1;
  int port = 0;
};

TEST_F(UdpClientTest, SendsOneDatagramPerCall) {
  wpi::UDPClient client(logger);
  ASSERT_EQ(client.start(), 0);
  EXPECT_EQ(client.start(), 0);  // already started
  const uint8_t first[] = {0x00, 0x01, 0x01, 0x06, 0x10, 0x00};
  EXPECT_EQ(client.send(first, "127.0.0.1", port), 6);
  std::string host = "127.0.0.1";
  std::vector<uint8_t> second{9, 8, 7};
  EXPECT_EQ(client.send(second, host, port), 3);
  EXPECT_EQ(receive(), std::vector<uint8_t>(first, first + 6));
  EXPECT_EQ(receive(), second);
  EXPECT_TRUE(logged.empty());
  client.shutdown();
  EXPECT_EQ(client.send(second, "127.0.0.1", port), -1);
}

TEST_F(UdpClientTest, ErrorsAreLoggedAtErrorLevel) {
  wpi::UDPClient unstarted(logger);
  const uint8_t data[] = {1};
  EXPECT_EQ(unstarted.send(data, "127.0.0.1", port), -1);

  wpi::UDPClient client(logger);
  ASSERT_EQ(client.start(), 0);
  EXPECT_EQ(client.send(data, "localhost", port), -1);  // not a resolved address
  EXPECT_EQ(client.send(data, std::string_view("127.0.0.999 and more", 11), port), -1);

  wpi::UDPClient taken("127.0.0.1", logger);
  EXPECT_EQ(taken.start(port), -1);  // the receiver holds the port

  ASSERT_EQ(logged.size(), 4u);
  for (const auto& entry : logged) {
    EXPECT_EQ(entry.level, static_cast<unsigned int>(wpi::WPI_LOG_ERROR));
    EXPECT_EQ(entry.file, "UDPClient.cpp");
  }
  EXPECT_EQ(logged[1].message, "could not resolve localhost address");
  EXPECT_EQ(logged[2].message, "could not resolve 127.0.0.999 address");
  EXPECT_NE(logged[3].message.find("bind() failed"), std::string::npos);
}

TEST(LoggerTest, PassesMessagesAtOrAboveTheMinimumLevel) {
  std::vector<unsigned int> levels;
  wpi::Logger logger(
      [&](unsigned int level, const char*, unsigned int, const char*) { levels.push_back(level); });
  EXPECT_EQ(logger.min_level(), 20u);
  for (unsigned int level : {10u, 19u, 20u, 30u, 55u}) logger.DoLog(level, "f", 1, "m");
  EXPECT_EQ(levels, (std::vector<unsigned int>{20, 30, 55}));
  logger.set_min_level(40);
  logger.DoLog(30, "f", 1, "m");
  EXPECT_EQ(levels.size(), 3u);
  wpi::Logger silent;
  silent.DoLog(50, "f", 1, "m");  // no log function: nothing happens
}

TEST(RawOstreamTest, ErrsWritesToStandardErrorAtOnce) {
  testing::internal::CaptureStderr();
  wpi::errs() << "n=" << 42 << ' ' << std::string("text") << -7 << 3000000000u << "\n";
  wpi::errs().write("abc", 3);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "n=42 text-73000000000\nabc");
}

}  // namespace
