// Every open device as a WPILib 2027 simulated device, read back through WPILib's own simulation
// data: listed with its values while open (a CAN device on a bus other than 0 with its bus in its
// name), its values following what it reads, gone after close.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Wait.h"
#include "korvane/Dystan.h"
#include "korvane/Kromel.h"
#include "korvane/Lidar.h"
#include "korvane/Linvo.h"
#include "korvane/Torqa.h"
#include "korvane/sim/Serial.h"
#include "korvane/sim/System.h"
#include "sim/kromel/KromelCanSim.h"
#include "sim/lidar/LidarRoomSim.h"
#include "sim/linvo/LinvoSim.h"
#include "sim/torqa/TorqaSim.h"
#include "wpi/hal/HAL.h"
#include "wpi/hal/SimDevice.h"
#include "wpi/hal/simulation/SimDeviceData.h"

namespace {

using korvane::test::waitUntil;
using Names = std::vector<std::string>;

Names devicesNamed(const char* prefix) {
  Names names;
  HALSIM_EnumerateSimDevices(prefix, &names,
                             [](const char* name, void* param, HAL_SimDeviceHandle) {
                               static_cast<Names*>(param)->push_back(name);
                             });
  std::sort(names.begin(), names.end());
  return names;
}

// HAL_UNASSIGNED when the device or the value is not there.
HAL_Value valueOf(const std::string& device, const char* name) {
  HAL_Value value{};
  value.type = HAL_UNASSIGNED;
  const HAL_SimDeviceHandle handle = HALSIM_GetSimDeviceHandle(device.c_str());
  if (handle == 0) return value;
  const HAL_SimValueHandle valueHandle = HALSIM_GetSimValueHandle(handle, name);
  if (valueHandle == 0) return value;
  HAL_GetSimValue(valueHandle, &value);
  return value;
}

double doubleOf(const std::string& device, const char* name) {
  const HAL_Value value = valueOf(device, name);
  EXPECT_EQ(value.type, HAL_DOUBLE) << device << " " << name;
  return value.type == HAL_DOUBLE ? value.data.v_double : -12345.0;
}

int intOf(const std::string& device, const char* name) {
  const HAL_Value value = valueOf(device, name);
  EXPECT_EQ(value.type, HAL_INT) << device << " " << name;
  return value.type == HAL_INT ? value.data.v_int : -12345;
}

bool booleanOf(const std::string& device, const char* name) {
  const HAL_Value value = valueOf(device, name);
  EXPECT_EQ(value.type, HAL_BOOLEAN) << device << " " << name;
  return value.type == HAL_BOOLEAN && value.data.v_boolean != 0;
}

class SimDevicesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(HAL_Initialize()); }
  void SetUp() override { korvane::sim::setSystemActive(false); }
  void TearDown() override {
    korvane::sim::setSystemActive(false);
    korvane::sim::resetSerial();
  }
};

TEST_F(SimDevicesTest, MotorControllersAreListedPerBusAndDeviceNumberWhileOpen) {
  korvane::Torqa onZero(5, 1000);
  korvane::Torqa onTwo(2, 5, 1000);
  ASSERT_TRUE(onZero.IsOpen());
  ASSERT_TRUE(onTwo.IsOpen());
  EXPECT_EQ(devicesNamed("Torqa"), (Names{"Torqa[2/5]", "Torqa[5]"}));
  onTwo.SetSpeed(1, -0.25);
  EXPECT_EQ(doubleOf("Torqa[2/5]", "Output 1"), -0.25);
  EXPECT_EQ(doubleOf("Torqa[5]", "Output 1"), 0.0);

  // The heartbeat tells what WPILib's simulated driver station says.
  EXPECT_FALSE(booleanOf("Torqa[2/5]", "Enabled"));
  korvane::sim::setSystemActive(true);
  EXPECT_TRUE(waitUntil([] { return booleanOf("Torqa[2/5]", "Enabled"); }));
  korvane::sim::setSystemActive(false);
  EXPECT_TRUE(waitUntil([] { return !booleanOf("Torqa[2/5]", "Enabled"); }));

  onTwo.Close();
  EXPECT_EQ(devicesNamed("Torqa"), (Names{"Torqa[5]"}));
  onZero.Close();
  EXPECT_EQ(devicesNamed("Torqa"), Names{});
}

TEST_F(SimDevicesTest, MotorControllersShowTheSpeedTheyRead) {
  auto controller = korvane::sim::TorqaSim::attach(11, 1);
  korvane::Torqa torqa(1, 11, 1000);
  ASSERT_TRUE(torqa.IsOpen());
  korvane::sim::setSystemActive(true);
  torqa.SetSpeed(3, 0.5);
  double rpm = 0.0;
  EXPECT_TRUE(waitUntil([&] {
    rpm = torqa.GetRPM(3);
    return rpm > 1000.0;
  }));
  EXPECT_EQ(doubleOf("Torqa[1/11]", "RPM 3"), rpm);
  torqa.Close();
  controller->detach();
}

TEST_F(SimDevicesTest, CanSensorsAreListedByBusAndCanIdAndShowWhatTheyRead) {
  auto colour = korvane::sim::KromelCanSim::attach(true, 3);
  colour->setColor(0.5f, 0.25f, 0.125f);
  korvane::Kromel kromel(3, 8);
  korvane::Dystan dystan(4);
  korvane::Dystan dystanOnOne(1, 4);
  ASSERT_TRUE(kromel.IsOpen());
  ASSERT_TRUE(dystan.IsOpen());
  ASSERT_TRUE(dystanOnOne.IsOpen());
  EXPECT_EQ(devicesNamed("Kromel"), (Names{"Kromel[3/8]"}));
  EXPECT_EQ(devicesNamed("Dystan"), (Names{"Dystan[1/4]", "Dystan[4]"}));
  korvane::Kromel::ColorData reading;
  EXPECT_TRUE(waitUntil([&] { return (reading = kromel.GetColor()).valid; }));
  EXPECT_EQ(intOf("Kromel[3/8]", "Sequence"), reading.sequence);
  EXPECT_FLOAT_EQ(doubleOf("Kromel[3/8]", "X"), 0.5);
  kromel.Close();
  dystan.Close();
  dystanOnOne.Close();
  EXPECT_EQ(devicesNamed("Kromel"), Names{});
  EXPECT_EQ(devicesNamed("Dystan"), Names{});
  colour->detach();
}

TEST_F(SimDevicesTest, TheLineSensorShowsTheVoltagesItReads) {
  auto converter = korvane::sim::LinvoSim::attach();
  converter->setVoltage(2, 1.5);
  testing::internal::CaptureStdout();
  korvane::Linvo linvo(2.048f);
  testing::internal::GetCapturedStdout();
  ASSERT_TRUE(linvo.IsOpen());
  EXPECT_EQ(devicesNamed("Linvo"), (Names{"Linvo[1]"}));
  // The readings are the sampling thread's: the first comes within a few samples.
  float volts = 0.0f;
  EXPECT_TRUE(waitUntil([&] { return (volts = linvo.GetVoltage(2)) > 0.0f; }));
  EXPECT_NEAR(volts, 1.5, 0.01);
  EXPECT_EQ(doubleOf("Linvo[1]", "Voltage 2"), volts);
  linvo.Close();
  EXPECT_EQ(devicesNamed("Linvo"), Names{});
  converter->detach();
}

TEST_F(SimDevicesTest, TheLidarShowsItsTable) {
  auto room = korvane::sim::LidarRoomSim::start();
  ASSERT_NE(room, nullptr);
  room->setNoise(0.0);
  room->setDropoutRate(0.0);
  ASSERT_TRUE(korvane::sim::mapSerialPort(1, room->path()));
  korvane::Lidar lidar(korvane::SerialPort::kMXP);
  EXPECT_EQ(devicesNamed("Lidar["), (Names{"Lidar[1]"}));
  EXPECT_TRUE(waitUntil([&] { return intOf("Lidar[1]", "Valid slots") > 300; }));
  lidar.Stop();
  lidar.Close();
  EXPECT_EQ(devicesNamed("Lidar["), Names{});
}

}  // namespace
