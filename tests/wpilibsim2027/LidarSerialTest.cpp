// The LiDAR over WPILib 2027's simulation HAL, whose serial ports are stubs: its port is a tty
// mapped as on the stand-in, here a pseudo-terminal served by the room emulator.

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "ReportLog.h"
#include "Wait.h"
#include "korvane/Lidar.h"
#include "korvane/sim/Serial.h"
#include "sim/lidar/LidarRoomSim.h"
#include "wpi/hal/SerialPort.h"

using namespace korvane;
using sim::LidarRoomSim;

namespace {

// The open LiDAR's table; one with nothing in it when the object holds no LiDAR.
Lidar::ScanData tableOf(Lidar& lidar) {
  Lidar::ScanData data;
  data.distance.fill(-1.0f);
  lidar.GetData(data);
  return data;
}

bool everySlotFilled(Lidar& lidar) {
  const Lidar::ScanData data = tableOf(lidar);
  for (float distance : data.distance) {
    if (distance <= 0) return false;
  }
  return true;
}
class LidarSerialTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::resetSerial();
    room = LidarRoomSim::start();
    ASSERT_TRUE(room);
  }
  void TearDown() override {
    lidar.reset();
    sim::resetSerial();
  }
  // Opens the LiDAR, replacing the one before as a robot program's new Lidar does.
  Lidar& open(SerialPort port) {
    Lidar next(port);
    lidar = std::move(next);
    return *lidar;
  }

  std::unique_ptr<LidarRoomSim> room;
  std::optional<Lidar> lidar;
};

TEST_F(LidarSerialTest, FillsItsTableFromTheRoomOnAMappedPort) {
  // WPILib's own port is no port (and its status does not say so).
  int32_t status = 0;
  EXPECT_EQ(HAL_InitializeSerialPort(HAL_SERIAL_PORT_USB_1, &status), HAL_INVALID_HANDLE);
  EXPECT_EQ(status, 0);

  ASSERT_TRUE(sim::mapSerialPort(HAL_SERIAL_PORT_USB_1, room->path()));
  Lidar& lidar = open(SerialPort::kUSB1);
  ASSERT_TRUE(test::waitUntil([&] { return everySlotFilled(lidar); }));
  const Lidar::ScanData data = tableOf(lidar);
  // The walls straight ahead and behind the LiDAR in the emulator's room.
  EXPECT_NEAR(data.distance[0], 4000, 10);
  EXPECT_NEAR(data.distance[180], 2000, 10);

  lidar.Stop();
  EXPECT_EQ(sim::openSerialHandles(), 0);
}

TEST_F(LidarSerialTest, APortThatDoesNotOpenIsReported) {
  sim::mapSerialPort(HAL_SERIAL_PORT_USB_2, "/nonexistent/ttyKorvane");
  testing::internal::CaptureStderr();
  Lidar& lidar = open(SerialPort::kUSB2);
  EXPECT_EQ(korvane::test::withoutReports(testing::internal::GetCapturedStderr()),
            "Error initializing serial port: -2\n");
  EXPECT_EQ(sim::openSerialHandles(), 0);
  EXPECT_TRUE(lidar.IsOpen()) << "opening always opens";
  EXPECT_FALSE(lidar.IsConnected());
}

}  // namespace
