// The serial devices of a Windows build on COM ports, each served by the project's emulator on a
// pseudo-terminal that the Wine prefix maps to the port (tests/windows/run_com_port_tests.sh
// starts them and names the ports in KORVANE_COM_<DEVICE>). Through the drivers and the serial
// layer's Windows backend: opening, 8N1 at the device's speed, the reader threads blocking on the
// port and their stop event, queries with timeouts, writes, and a HAL serial port mapped to a COM
// port.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "KorvaneSerial.h"
#include "ThreadCpu.h"
#include "Wait.h"
#include "hal/SerialPort.h"
#include "korvane/Dystan.h"
#include "korvane/Kromel.h"
#include "korvane/Lidar.h"
#include "korvane/LidarMini.h"
#include "korvane/sim/Serial.h"
#include "korvane/sim/SerialDevices.h"
#include "serial/DevicePath.h"

using namespace korvane;
using namespace std::chrono_literals;

namespace {

std::string comPort(const char* device) {
  const char* port = std::getenv((std::string("KORVANE_COM_") + device).c_str());
  return port != nullptr ? port : "";
}

#define REQUIRE_PORT(port, device)                                  \
  const std::string port = comPort(device);                         \
  ASSERT_FALSE(port.empty()) << "KORVANE_COM_" device               \
                                " names no COM port: run the test " \
                                "through tests/windows/run_com_port_tests.sh"

TEST(ComPorts, AMissingPortIsOneTaggedLineAndNoDescriptor) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(KorvaneSerial::Open("COM99", 115200, "Test"), -1);
  std::string line = testing::internal::GetCapturedStderr();
  EXPECT_EQ(line.rfind("[Test] Cannot open COM99: ", 0), 0u) << line;
  EXPECT_EQ(line.find('\n'), line.size() - 1) << line;
}

TEST(ComPorts, TheSerialLayerWaitsWritesCountsAndFlushes) {
  REQUIRE_PORT(port, "QUIET");
  int fd = KorvaneSerial::Open(port, 230400, "Test");
  ASSERT_NE(fd, -1);
  unsigned char buffer[64];
  auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(KorvaneSerial::ReadWithin(fd, buffer, sizeof buffer, 100), 0) << "nothing comes";
  auto waited = std::chrono::steady_clock::now() - started;
  EXPECT_GE(waited, 90ms);
  EXPECT_LT(waited, 2s);
  EXPECT_EQ(KorvaneSerial::Read(fd, buffer, 0), 0);
  EXPECT_EQ(KorvaneSerial::Available(fd), 0);
  // The info query (A5 90) is answered with a 7-byte header and a 20-byte record.
  const unsigned char query[] = {0xA5, 0x90};
  ASSERT_TRUE(KorvaneSerial::Write(fd, query, 2));
  ASSERT_TRUE(test::waitUntil([&] { return KorvaneSerial::Available(fd) == 27; }, 5s))
      << KorvaneSerial::Available(fd);
  int got = KorvaneSerial::ReadWithin(fd, buffer, 3, 1000);
  ASSERT_EQ(got, 3) << "no more than asked for";
  EXPECT_EQ(buffer[0], 0xA5);
  EXPECT_EQ(buffer[1], 0x5A);
  EXPECT_EQ(KorvaneSerial::Available(fd), 24);
  KorvaneSerial::FlushRx(fd);
  EXPECT_EQ(KorvaneSerial::Available(fd), 0) << "flushed";
  EXPECT_EQ(KorvaneSerial::ReadWithin(fd, buffer, sizeof buffer, 50), 0);
  KorvaneSerial::Close(fd);
  KorvaneSerial::Close(-1);
  EXPECT_FALSE(KorvaneSerial::Write(-1, query, 2));
}

TEST(ComPorts, ColourSensorReadingsArriveAndCommandsAreWritten) {
  REQUIRE_PORT(port, "KROMEL");
  Kromel sensor(port, 20);
  ASSERT_TRUE(sensor.IsOpen());
  ASSERT_TRUE(test::waitUntil([&] { return sensor.GetColor().valid; }, 10s));
  uint16_t first = sensor.GetColor().sequence;
  EXPECT_TRUE(test::waitUntil([&] { return sensor.GetColor().sequence != first; }, 5s))
      << "readings keep coming";
  EXPECT_TRUE(sensor.SetSampleTimeMs(30));
  auto started = std::chrono::steady_clock::now();
  sensor.Close();
  EXPECT_LT(std::chrono::steady_clock::now() - started, 2s)
      << "the reader, blocked on the port, notices stop at once";
}

TEST(ComPorts, DistanceSensorScansArrive) {
  REQUIRE_PORT(port, "DYSTAN");
  Dystan sensor(port, 10);
  ASSERT_TRUE(sensor.IsOpen());
  EXPECT_TRUE(test::waitUntil([&] { return sensor.GetData(64).count > 0; }, 10s));
}

TEST(ComPorts, MiniLidarFoundByNumberAnswersAndScans) {
  REQUIRE_PORT(port, "LIDARMINI");
  // A folder holding an entry named after the port stands in for the system's list of ports.
  std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("korvane-comports-" + std::to_string(std::rand()));
  std::filesystem::create_directories(folder);
  std::FILE* entry = std::fopen((folder / port).string().c_str(), "w");
  ASSERT_NE(entry, nullptr);
  std::fclose(entry);
  EXPECT_EQ(serial::findDevicePathIn(folder.string(), 0), port);
  const std::string systemPorts = sim::serialDeviceDirectory();
  sim::setSerialDeviceDirectory(folder.string());
  LidarMini lidar(SerialPort::kOnboard);
  sim::setSerialDeviceDirectory(systemPorts);
  std::filesystem::remove_all(folder);
  ASSERT_TRUE(lidar.IsOpen());
  LidarMini::LidarInfo info = lidar.GetInfo();
  EXPECT_NE(info.model, 0) << "the info query was answered";
  lidar.Start();
  EXPECT_TRUE(test::waitUntil([&] { return !lidar.GetData().points.empty(); }, 10s));
  lidar.Stop();
}

TEST(ComPorts, LidarOnAHalSerialPortMappedToAComPortFillsItsTable) {
  REQUIRE_PORT(port, "LIDAR");
  ASSERT_TRUE(sim::mapSerialPort(HAL_SerialPort_USB1, port));
  Lidar lidar(SerialPort::kUSB1);
  ASSERT_TRUE(lidar.IsOpen());
  EXPECT_TRUE(test::waitUntil(
      [&] {
        auto data = lidar.GetData();
        if (!data) return false;
        for (float distance : data->distance) {
          if (distance > 0) return true;
        }
        return false;
      },
      10s));
  sim::SerialSettings settings;
  for (const sim::SerialCallRecord& call : sim::serialCalls()) {
    if (call.call == sim::SerialCall::Initialize && call.handle != 0) {
      settings = sim::serialSettings(call.handle);
    }
  }
  ASSERT_TRUE(settings.valid);
  EXPECT_EQ(settings.path, port);
  EXPECT_GE(lidar.GetDataAgeMs(), 0) << "a point was filed";
  bool bytesRead = false;
  for (const sim::SerialCallRecord& call : sim::serialCalls()) {
    if (call.call == sim::SerialCall::Read && call.result > 0) bytesRead = true;
  }
  EXPECT_TRUE(bytesRead) << "the HAL serial port read the LiDAR's bytes from " << port;
  EXPECT_EQ(settings.dataBits, 8);
  EXPECT_EQ(settings.parity, 0);
  EXPECT_EQ(settings.stopBits, 10);
  lidar.Stop();
}

TEST(ComPorts, AColourSensorThatIsUnpluggedCostsNoCpuAndClosesAtOnce) {
  REQUIRE_PORT(port, "HANGUP");
  const char* request = std::getenv("KORVANE_HANGUP_REQUEST");
  ASSERT_NE(request, nullptr);
  const auto before = test::threadIds();
  Kromel sensor(port, 20);
  ASSERT_TRUE(sensor.IsOpen());
  ASSERT_TRUE(test::waitUntil([&] { return sensor.GetColor().valid; }, 10s));
  const auto started = test::threadsStartedSince(before);
  ASSERT_FALSE(started.empty()) << "the reader thread";
  // The emulator ends when the request file appears (its Linux path, through the Z: drive).
  std::string windowsPath = std::string("Z:") + request;
  for (char& c : windowsPath) c = c == '/' ? '\\' : c;
  std::FILE* hangUp = std::fopen(windowsPath.c_str(), "w");
  ASSERT_NE(hangUp, nullptr) << windowsPath;
  std::fclose(hangUp);
  uint16_t last = sensor.GetColor().sequence;
  EXPECT_TRUE(test::waitUntil(
      [&] {
        uint16_t now = sensor.GetColor().sequence;
        bool still = now == last;
        last = now;
        std::this_thread::sleep_for(300ms);
        return still && sensor.GetColor().sequence == now;
      },
      10s))
      << "readings stop once the device is gone";
  double cpuBefore = test::threadCpuSeconds(started);
  std::this_thread::sleep_for(1s);
  EXPECT_LT(test::threadCpuSeconds(started) - cpuBefore, 0.05)
      << "a gone device is given up, not polled";
  auto closing = std::chrono::steady_clock::now();
  sensor.Close();
  EXPECT_LT(std::chrono::steady_clock::now() - closing, 2s);
}

TEST(ComPorts, TheSystemListIsComPortsInNumberOrder) {
  std::vector<std::string> ports = serial::listDevices("/dev");
  int previous = 0;
  for (const std::string& name : ports) {
    ASSERT_EQ(name.rfind("COM", 0), 0u) << name;
    int number = std::atoi(name.c_str() + 3);
    EXPECT_GT(number, previous) << name;
    previous = number;
  }
  EXPECT_EQ(serial::findDevicePathIn(std::filesystem::temp_directory_path().string() + "\\none", 3),
            "COM2");
}

}  // namespace
