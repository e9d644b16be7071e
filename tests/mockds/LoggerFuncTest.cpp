// The mock driver station's log function and its use by the platform port's UDP sender (WPILib's
// UDP client where the port takes WPILib's C++, a socket of ours elsewhere).

#include <gtest/gtest.h>

#include <string>

#include "mockds/MockDSImpl.h"
#include "port/UdpSender.h"

namespace {

std::string logged(unsigned int level, const char* file, unsigned int line, const char* msg) {
  testing::internal::CaptureStderr();
  MockDSJNI::Impl::LoggerFunc(level, file, line, msg);
  return testing::internal::GetCapturedStderr();
}

TEST(LoggerFuncTest, FormatsByLevel) {
  EXPECT_EQ(logged(20, "F", 12, "M"), "DS: M\n");
  EXPECT_EQ(logged(40, "F", 12, "M"), "DS: ERROR: M (F:12)\n");
  EXPECT_EQ(logged(49, "F", 12, "M"), "DS: ERROR: M (F:12)\n");
  EXPECT_EQ(logged(55, "F", 12, "M"), "DS: CRITICAL: M (F:12)\n");
  EXPECT_EQ(logged(50, "F", 7, "M"), "DS: CRITICAL: M (F:7)\n");
  EXPECT_EQ(logged(30, "F", 4294967295u, "M"), "DS: WARNING: M (F:4294967295)\n");
  EXPECT_EQ(logged(25, "F", 12, "M"), "");
  EXPECT_EQ(logged(10, "F", 12, "M"), "");
}

TEST(LoggerFuncTest, NullTextsAreEmptyAndLongLinesAreWhole) {
  EXPECT_EQ(logged(40, nullptr, 3, nullptr), "DS: ERROR:  (:3)\n");
  EXPECT_EQ(logged(20, nullptr, 3, nullptr), "DS: \n");
  std::string message(300, 'x');
  std::string file(100, 'f');
  EXPECT_EQ(logged(40, file.c_str(), 9, message.c_str()),
            "DS: ERROR: " + message + " (" + file + ":9)\n");
}

TEST(LoggerFuncTest, UdpSenderErrorsReachStandardErrorThroughIt) {
  korvane::port::UdpSender client(MockDSJNI::Impl::LoggerFunc);
  ASSERT_EQ(client.start(), 0);
  const uint8_t packet[] = {0, 0, 1, 0, 16, 0};
  testing::internal::CaptureStderr();
  EXPECT_EQ(client.send(packet, "localhost", 1110), -1);
  std::string line = testing::internal::GetCapturedStderr();
  EXPECT_EQ(line.rfind("DS: ERROR: could not resolve localhost address (", 0), 0u) << line;
  EXPECT_NE(line.find(".cpp:"), std::string::npos) << line;
  EXPECT_EQ(line.back(), '\n');
}

TEST(LoggerFuncTest, UdpSenderSendsOnlyWhileStarted) {
  korvane::port::UdpSender client(MockDSJNI::Impl::LoggerFunc);
  ASSERT_EQ(client.start(), 0);
  ASSERT_EQ(client.start(), 0) << "starting a started sender does nothing";
  const uint8_t packet[] = {0, 7, 1, 6, 16, 0};
  testing::internal::CaptureStderr();
  EXPECT_EQ(client.send(packet, "127.0.0.1", 9), 6);
  client.shutdown();
  EXPECT_EQ(client.send(packet, "127.0.0.1", 9), -1) << "a shut-down sender sends nothing";
  std::string line = testing::internal::GetCapturedStderr();
  EXPECT_EQ(line.rfind("DS: ERROR: ", 0), 0u) << line;
}

}  // namespace
