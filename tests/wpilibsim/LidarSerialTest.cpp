// The LiDAR over WPILib's simulation HAL, whose serial ports are stubs: its port is a tty mapped
// as on the stand-in, here a pseudo-terminal served by the room emulator.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

#include "ReportLog.h"
#include "Wait.h"
#include "hal/SerialPort.h"
#include "korvane/Lidar.h"
#include "korvane/sim/Serial.h"
#include "sim/lidar/LidarRoomSim.h"

using namespace korvane;
using sim::LidarRoomSim;
using sim::SerialCall;

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
// The walls straight ahead, left, behind and right of the LiDAR in the emulator's room.
void expectTheRoom(Lidar& lidar) {
  const Lidar::ScanData data = tableOf(lidar);
  EXPECT_NEAR(data.distance[0], 4000, 10);
  EXPECT_NEAR(data.distance[90], 2500, 10);
  EXPECT_NEAR(data.distance[180], 2000, 10);
  EXPECT_NEAR(data.distance[270], 1500, 10);
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
    unsetenv("KORVANE_SIM_SERIAL_PORT_1");
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
  // WPILib's own port is no port (and its status does not say so): the driver would read nothing.
  int32_t status = 0;
  EXPECT_EQ(HAL_InitializeSerialPort(HAL_SerialPort_USB1, &status), HAL_kInvalidHandle);
  EXPECT_EQ(status, 0);

  ASSERT_TRUE(sim::mapSerialPort(HAL_SerialPort_USB1, room->path()));
  Lidar& lidar = open(SerialPort::kUSB1);
  ASSERT_TRUE(test::waitUntil([&] { return everySlotFilled(lidar); }));
  expectTheRoom(lidar);

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

  lidar.Stop();
  EXPECT_EQ(sim::openSerialHandles(), 0);
}

TEST_F(LidarSerialTest, TheEnvironmentMapsAPortAsOnTheStandIn) {
  // As a robot program run beside the virtual robot finds its LiDAR.
  ASSERT_EQ(setenv("KORVANE_SIM_SERIAL_PORT_1", room->path().c_str(), 1), 0);
  sim::resetSerial();
  EXPECT_EQ(sim::serialPortPath(HAL_SerialPort_MXP), room->path());
  Lidar& lidar = open(SerialPort::kMXP);
  ASSERT_TRUE(test::waitUntil([&] { return everySlotFilled(lidar); }));
  expectTheRoom(lidar);
}

TEST_F(LidarSerialTest, APortThatDoesNotOpenIsReported) {
  sim::mapSerialPort(HAL_SerialPort_USB2, "/nonexistent/ttyKorvane");
  testing::internal::CaptureStderr();
  Lidar& lidar = open(SerialPort::kUSB2);
  EXPECT_EQ(korvane::test::withoutReports(testing::internal::GetCapturedStderr()),
            "Error initializing serial port: -2\n");
  EXPECT_EQ(sim::openSerialHandles(), 0);
  EXPECT_TRUE(lidar.IsOpen()) << "opening always opens";
  EXPECT_FALSE(lidar.IsConnected());
}

}  // namespace
