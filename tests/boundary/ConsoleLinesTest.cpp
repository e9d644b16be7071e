// Console lines printed by several drivers on several threads at once each come out whole.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <thread>

#include "DystanJNI.h"
#include "LidarJNI.h"
#include "hal/SerialPort.h"
#include "korvane/sim/Serial.h"

using namespace korvane;

namespace {

TEST(ConsoleLines, LinesFromTwoThreadsNeverMix) {
  const std::string missing = "/nonexistent/ttyKorvaneConsole";
  sim::resetSerial();
  ASSERT_TRUE(sim::mapSerialPort(HAL_SerialPort_USB2, missing));
  const std::string lidarLine = "Error initializing serial port: -2";
  const std::string dystanLine = "[Dystan] Cannot open " + missing + ": No such file or directory";
  // The HAL prints the LiDAR's driver-station report of the port as a line of its own.
  const std::string reportLine =
      "Error at Lidar[3]: Lidar[3]: its port cannot be opened (status -2) [HAL serial port 3 "
      "(USB2)]";
  constexpr int kLines = 2000;

  testing::internal::CaptureStderr();
  std::thread lidar([] {
    for (int i = 0; i < kLines; ++i) LidarJNI::c_Lidar_create(HAL_SerialPort_USB2);
  });
  for (int i = 0; i < kLines; ++i)
    EXPECT_EQ(DystanJNI::c_Dystan_createUsb(missing.c_str(), 0), nullptr);
  lidar.join();
  std::istringstream printed(testing::internal::GetCapturedStderr());

  int lidarLines = 0, dystanLines = 0, others = 0;
  std::string example;
  for (std::string line; std::getline(printed, line);) {
    if (line == lidarLine) {
      ++lidarLines;
    } else if (line == dystanLine) {
      ++dystanLines;
    } else if (line == reportLine) {
      continue;
    } else if (others++ == 0) {
      example = line;
    }
  }
  EXPECT_EQ(others, 0) << "for example \"" << example << "\"";
  EXPECT_EQ(lidarLines, kLines);
  EXPECT_EQ(dystanLines, kLines);
}

}  // namespace
