// The LiDAR over WPILib's simulation HAL, whose serial ports are stubs: its port is a tty mapped
// as on the stand-in, here a pseudo-terminal served by the room emulator.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "LidarJNI.h"
#include "ReportLog.h"
#include "Wait.h"
#include "hal/SerialPort.h"
#include "korvane/sim/Serial.h"
#include "sim/lidar/LidarRoomSim.h"

using namespace korvane;
using sim::LidarRoomSim;
using sim::SerialCall;

namespace {

bool everySlotFilled() {
  auto data = LidarJNI::c_Lidar_getData();
  for (int k = 0; k < LidarJNI::kSlots; ++k) {
    if (data[LidarJNI::kSlots + k] <= 0) return false;
  }
  return true;
}

// The walls straight ahead, left, behind and right of the LiDAR in the emulator's room.
void expectTheRoom() {
  auto data = LidarJNI::c_Lidar_getData();
  EXPECT_NEAR(data[LidarJNI::kSlots + 0], 4000, 10);
  EXPECT_NEAR(data[LidarJNI::kSlots + 90], 2500, 10);
  EXPECT_NEAR(data[LidarJNI::kSlots + 180], 2000, 10);
  EXPECT_NEAR(data[LidarJNI::kSlots + 270], 1500, 10);
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
    unsetenv("KORVANE_SIM_SERIAL_PORT_1");
    sim::resetSerial();
  }
  std::unique_ptr<LidarRoomSim> room;
};

TEST_F(LidarSerialTest, FillsItsTableFromTheRoomOnAMappedPort) {
  // WPILib's own port is no port (and its status does not say so): the driver would read nothing.
  int32_t status = 0;
  EXPECT_EQ(HAL_InitializeSerialPort(HAL_SerialPort_USB1, &status), HAL_kInvalidHandle);
  EXPECT_EQ(status, 0);

  ASSERT_TRUE(sim::mapSerialPort(HAL_SerialPort_USB1, room->path()));
  LidarJNI::c_Lidar_create(HAL_SerialPort_USB1);
  ASSERT_TRUE(test::waitUntil(everySlotFilled));
  expectTheRoom();

  // The port the driver opened is the terminal, set up as the LiDAR needs.
  int32_t handle = 0;
  for (const auto& call : sim::serialCalls()) {
    if (call.call == SerialCall::Initialize && call.port == HAL_SerialPort_USB1) {
      handle = call.handle;
    }
  }
  ASSERT_NE(handle, 0);
  sim::SerialSettings settings = sim::serialSettings(handle);
  ASSERT_TRUE(settings.valid);
  EXPECT_EQ(settings.path, room->path());
  EXPECT_EQ(settings.baudRate, 115200);
  EXPECT_EQ(settings.timeoutSeconds, 1.0);

  LidarJNI::c_Lidar_stop();
  EXPECT_EQ(sim::openSerialHandles(), 0);
}

TEST_F(LidarSerialTest, TheEnvironmentMapsAPortAsOnTheStandIn) {
  // As a robot program run beside the virtual robot finds its LiDAR.
  ASSERT_EQ(setenv("KORVANE_SIM_SERIAL_PORT_1", room->path().c_str(), 1), 0);
  sim::resetSerial();
  EXPECT_EQ(sim::serialPortPath(HAL_SerialPort_MXP), room->path());
  LidarJNI::c_Lidar_create(HAL_SerialPort_MXP);
  ASSERT_TRUE(test::waitUntil(everySlotFilled));
  expectTheRoom();
}

TEST_F(LidarSerialTest, APortThatDoesNotOpenIsReported) {
  sim::mapSerialPort(HAL_SerialPort_USB2, "/nonexistent/ttyKorvane");
  testing::internal::CaptureStderr();
  LidarJNI::c_Lidar_create(HAL_SerialPort_USB2);
  EXPECT_EQ(korvane::test::withoutReports(testing::internal::GetCapturedStderr()),
            "Error initializing serial port: -2\n");
  EXPECT_EQ(sim::openSerialHandles(), 0);
}

}  // namespace
