// Console lines printed by several drivers on several threads at once each come out whole.

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <thread>

#include "ReportLog.h"
#include "korvane/Dystan.h"
#include "korvane/Lidar.h"
#include "korvane/sim/Serial.h"

using namespace korvane;

namespace {

TEST(ConsoleLines, LinesFromTwoThreadsNeverMix) {
  const std::string missing = "/nonexistent/ttyKorvaneConsole";
  sim::resetSerial();
  ASSERT_TRUE(sim::mapSerialPort(static_cast<int>(SerialPort::kUSB2), missing));
  // Each driver's line, printed alone first (the system's words for a missing file differ). The
  // HAL prints the LiDAR's driver-station report of its port as a line of its own, left out here.
  auto alone = [](const std::function<void()>& print) {
    testing::internal::CaptureStderr();
    print();
    std::string line = test::withoutReports(testing::internal::GetCapturedStderr());
    if (!line.empty() && line.back() == '\n') line.pop_back();
    return line;
  };
  const std::string lidarLine = alone([] { Lidar lidar(SerialPort::kUSB2); });
  const std::string dystanLine = alone([&] { EXPECT_FALSE(Dystan(missing, 0).IsOpen()); });
  EXPECT_EQ(lidarLine.rfind("Error initializing serial port: -", 0), 0u) << lidarLine;
  EXPECT_EQ(dystanLine.rfind("[Dystan] Cannot open " + missing + ": ", 0), 0u) << dystanLine;
  EXPECT_EQ(dystanLine.find('\n'), std::string::npos) << dystanLine;
  constexpr int kLines = 2000;

  testing::internal::CaptureStderr();
  std::thread lidar([] {
    for (int i = 0; i < kLines; ++i) Lidar lidar(SerialPort::kUSB2);
  });
  for (int i = 0; i < kLines; ++i) EXPECT_FALSE(Dystan(missing, 0).IsOpen());
  lidar.join();
  // A line mixed with a report line would go with it, and leave a count short.
  std::istringstream printed(test::withoutReports(testing::internal::GetCapturedStderr()));

  int lidarLines = 0, dystanLines = 0, others = 0;
  std::string example;
  for (std::string line; std::getline(printed, line);) {
    if (line == lidarLine) {
      ++lidarLines;
    } else if (line == dystanLine) {
      ++dystanLines;
    } else if (others++ == 0) {
      example = line;
    }
  }
  EXPECT_EQ(others, 0) << "for example \"" << example << "\"";
  EXPECT_EQ(lidarLines, kLines);
  EXPECT_EQ(dystanLines, kLines);
}

}  // namespace
