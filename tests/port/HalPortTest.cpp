// The platform port's "hal" family (the C HAL and the operating system), which the Windows builds'
// and the WPILib 2027 builds' drivers use: built here on its own beside the stand-in's HAL (with
// WPILib 2026's C clock, which the stand-in mirrors), on Linux as under Wine.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "DsReceiver.h"
#include "hal/HALBase.h"
#include "port/Clock.h"
#include "port/ErrorStream.h"
#include "port/UdpSender.h"

using namespace std::chrono_literals;

namespace {

struct Logged {
  unsigned int level;
  std::string file;
  std::string message;
};
std::vector<Logged> g_logged;

void collect(unsigned int level, const char* file, unsigned int, const char* message) {
  g_logged.push_back({level, file ? file : "", message ? message : ""});
}

TEST(HalPort, TheFpgaClockIsTheHalsMicroseconds) {
  int32_t status = -1;
  int64_t hal = static_cast<int64_t>(HAL_GetFPGATime(&status));
  int64_t before = korvane::port::fpgaMicros();
  EXPECT_EQ(status, 0);
  EXPECT_GE(before, hal);
  std::this_thread::sleep_for(20ms);
  int64_t after = korvane::port::fpgaMicros();
  EXPECT_GE(after - before, 19000) << "microseconds, monotonic";
  EXPECT_LT(after - before, 10'000'000);
}

TEST(HalPort, TheUdpSenderDeliversEachDatagramWhole) {
  korvane::test::DsReceiver receiver;
  ASSERT_TRUE(receiver.bound()) << "UDP 127.0.0.1:1110 is taken";
  g_logged.clear();
  korvane::port::UdpSender sender(collect);
  ASSERT_EQ(sender.start(), 0);
  const uint8_t packet[] = {0x12, 0x34, 0x01, 0x06, 0x10, 0x00};
  for (int i = 0; i < 3; ++i) ASSERT_EQ(sender.send(packet, "127.0.0.1", 1110), 6);
  for (int i = 0; i < 3; ++i) {
    auto received = receiver.receive(5s);
    ASSERT_TRUE(received.has_value());
    EXPECT_EQ(received->bytes, std::vector<uint8_t>(packet, packet + 6));
    EXPECT_NE(received->sourcePort, 0);
  }
  EXPECT_TRUE(g_logged.empty());
}

TEST(HalPort, TheUdpSenderLogsEachFailureAtErrorLevel) {
  g_logged.clear();
  korvane::port::UdpSender sender(collect);
  const uint8_t packet[] = {1, 2, 3};
  EXPECT_EQ(sender.send(packet, "127.0.0.1", 1110), -1) << "not started";
  ASSERT_EQ(sender.start(), 0);
  EXPECT_EQ(sender.send(packet, "localhost", 1110), -1) << "only dotted addresses";
  EXPECT_EQ(sender.send(packet, "127.0.0.1.5.6.7.8.9", 1110), -1);
  sender.shutdown();
  EXPECT_EQ(sender.send(packet, "127.0.0.1", 1110), -1) << "shut down";
  ASSERT_EQ(g_logged.size(), 4u);
  for (const Logged& entry : g_logged) {
    EXPECT_EQ(entry.level, korvane::port::kLogError);
    EXPECT_EQ(entry.file, "UdpSender.cpp");
  }
  EXPECT_EQ(g_logged[1].message, "could not resolve localhost address");
}

TEST(HalPort, TheErrorStreamIsStandardErrorByteForByte) {
  testing::internal::CaptureStderr();
  korvane::port::writeError("DS: one\n", 8);
  korvane::port::writeError("DS: two\n", 8);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "DS: one\nDS: two\n");
}

}  // namespace
