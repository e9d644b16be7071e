// The LiDAR over WPILib 2027's simulation HAL, whose serial ports are stubs: its port is a tty
// mapped as on the stand-in, here a pseudo-terminal served by the room emulator.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "LidarJNI.h"
#include "ReportLog.h"
#include "Wait.h"
#include "korvane/sim/Serial.h"
#include "sim/lidar/LidarRoomSim.h"
#include "wpi/hal/SerialPort.h"

using namespace korvane;
using sim::LidarRoomSim;

namespace {

bool everySlotFilled() {
  auto data = LidarJNI::c_Lidar_getData();
  for (int k = 0; k < LidarJNI::kSlots; ++k) {
    if (data[LidarJNI::kSlots + k] <= 0) return false;
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
    LidarJNI::c_Lidar_stop();
    sim::resetSerial();
  }
  std::unique_ptr<LidarRoomSim> room;
};

TEST_F(LidarSerialTest, FillsItsTableFromTheRoomOnAMappedPort) {
  // WPILib's own port is no port (and its status does not say so).
  int32_t status = 0;
  EXPECT_EQ(HAL_InitializeSerialPort(HAL_SERIAL_PORT_USB_1, &status), HAL_INVALID_HANDLE);
  EXPECT_EQ(status, 0);

  ASSERT_TRUE(sim::mapSerialPort(HAL_SERIAL_PORT_USB_1, room->path()));
  LidarJNI::c_Lidar_create(HAL_SERIAL_PORT_USB_1);
  ASSERT_TRUE(test::waitUntil(everySlotFilled));
  auto data = LidarJNI::c_Lidar_getData();
  // The walls straight ahead and behind the LiDAR in the emulator's room.
  EXPECT_NEAR(data[LidarJNI::kSlots + 0], 4000, 10);
  EXPECT_NEAR(data[LidarJNI::kSlots + 180], 2000, 10);

  LidarJNI::c_Lidar_stop();
  EXPECT_EQ(sim::openSerialHandles(), 0);
}

TEST_F(LidarSerialTest, APortThatDoesNotOpenIsReported) {
  sim::mapSerialPort(HAL_SERIAL_PORT_USB_2, "/nonexistent/ttyKorvane");
  testing::internal::CaptureStderr();
  LidarJNI::c_Lidar_create(HAL_SERIAL_PORT_USB_2);
  EXPECT_EQ(korvane::test::withoutReports(testing::internal::GetCapturedStderr()),
            "Error initializing serial port: -2\n");
  EXPECT_EQ(sim::openSerialHandles(), 0);
}

}  // namespace
