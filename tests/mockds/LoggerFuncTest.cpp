// The mock driver station's log function and its use by the UDP client.

#include <gtest/gtest.h>

#include <string>

#include "mockds/MockDSImpl.h"
#include "wpi/Logger.h"
#include "wpinet/UDPClient.h"

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

TEST(LoggerFuncTest, UdpClientErrorsReachStandardErrorThroughIt) {
  wpi::Logger logger(MockDSJNI::Impl::LoggerFunc);
  wpi::UDPClient client(logger);
  ASSERT_EQ(client.start(), 0);
  const uint8_t packet[] = {0, 0, 1, 0, 16, 0};
  testing::internal::CaptureStderr();
  EXPECT_EQ(client.send(packet, "localhost", 1110), -1);
  std::string line = testing::internal::GetCapturedStderr();
  EXPECT_EQ(line.rfind("DS: ERROR: could not resolve localhost address (UDPClient.cpp:", 0), 0u)
      << line;
  EXPECT_EQ(line.back(), '\n');
}

}  // namespace
