// Every open device as a WPILib simulated device, read back through WPILib's own simulation data:
// listed with its values while open, its values following what its simulator sends, gone after
// close.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "Wait.h"
#include "hal/HALBase.h"
#include "hal/SimDevice.h"
#include "hal/simulation/DriverStationData.h"
#include "hal/simulation/SimDeviceData.h"
#include "korvane/Dystan.h"
#include "korvane/Kromel.h"
#include "korvane/Lidar.h"
#include "korvane/LidarMini.h"
#include "korvane/Linvo.h"
#include "korvane/Torqa.h"
#include "korvane/sim/Serial.h"
#include "sim/dystan/DystanCanSim.h"
#include "sim/dystan/DystanUsbSim.h"
#include "sim/kromel/KromelCanSim.h"
#include "sim/kromel/KromelUsbSim.h"
#include "sim/lidar/LidarRoomSim.h"
#include "sim/lidarmini/LidarMiniSim.h"
#include "sim/linvo/LinvoSim.h"
#include "sim/torqa/TorqaSim.h"

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

// In the order the device created them.
Names valueNames(const std::string& device) {
  Names names;
  HALSIM_EnumerateSimValues(HALSIM_GetSimDeviceHandle(device.c_str()), &names,
                            [](const char* name, void* param, HAL_SimValueHandle, int32_t,
                               const HAL_Value*) { static_cast<Names*>(param)->push_back(name); });
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
  static void SetUpTestSuite() { ASSERT_TRUE(HAL_Initialize(500, 0)); }
  void SetUp() override { HALSIM_SetDriverStationEnabled(false); }
  void TearDown() override {
    HALSIM_SetDriverStationEnabled(false);
    korvane::sim::resetSerial();
  }
};

// ---- Registration and close: the simulated device exists exactly while the device is open.

TEST_F(SimDevicesTest, TorqaIsListedPerDeviceNumberWhileOpen) {
  korvane::Torqa first(5, 1000);
  korvane::Torqa second(6, 1000);
  ASSERT_TRUE(first.IsOpen());
  ASSERT_TRUE(second.IsOpen());
  EXPECT_EQ(devicesNamed("Torqa"), (Names{"Torqa[5]", "Torqa[6]"}));
  EXPECT_EQ(valueNames("Torqa[5]"), (Names{"Output 0", "RPM 0", "Output 1", "RPM 1", "Output 2",
                                           "RPM 2", "Output 3", "RPM 3", "Enabled"}));

  // A second controller on a device number already shown is shown on its own, numbered; each
  // close takes its own device away and leaves the other's.
  korvane::Torqa again(5, 1000);
  ASSERT_TRUE(again.IsOpen());
  ASSERT_NE(again.GetHandle(), first.GetHandle());
  EXPECT_EQ(devicesNamed("Torqa"), (Names{"Torqa[5]", "Torqa[5] #2", "Torqa[6]"}));
  again.SetSpeed(1, 0.5);
  EXPECT_DOUBLE_EQ(doubleOf("Torqa[5] #2", "Output 1"), 0.5);
  EXPECT_DOUBLE_EQ(doubleOf("Torqa[5]", "Output 1"), 0.0);
  first.Close();
  EXPECT_EQ(devicesNamed("Torqa"), (Names{"Torqa[5] #2", "Torqa[6]"}));
  again.Close();
  EXPECT_EQ(devicesNamed("Torqa"), (Names{"Torqa[6]"}));
  second.Close();
  EXPECT_EQ(devicesNamed("Torqa"), Names{});
  // A device number freed is shown again when opened again.
  korvane::Torqa reopened(5, 1000);
  EXPECT_EQ(devicesNamed("Torqa"), (Names{"Torqa[5]"}));
}

TEST_F(SimDevicesTest, TorqaShowsCommandedOutputsAndTheHeartbeatsEnabledState) {
  korvane::Torqa torqa(9, 1000);
  ASSERT_TRUE(torqa.IsOpen());
  torqa.SetSpeed(1, -0.25);
  torqa.SetSpeed(2, 7.0);  // sent as full forward
  torqa.SetSpeed(4, 0.5);  // refused: nothing sent, nothing shown
  EXPECT_EQ(doubleOf("Torqa[9]", "Output 0"), 0.0);
  EXPECT_EQ(doubleOf("Torqa[9]", "Output 1"), -0.25);
  EXPECT_EQ(doubleOf("Torqa[9]", "Output 2"), 1.0);
  torqa.DisableMotor(2);
  EXPECT_EQ(doubleOf("Torqa[9]", "Output 2"), 0.0);

  // The heartbeat tells what WPILib's simulated driver station says.
  EXPECT_FALSE(booleanOf("Torqa[9]", "Enabled"));
  HALSIM_SetDriverStationEnabled(true);
  EXPECT_TRUE(waitUntil([] { return booleanOf("Torqa[9]", "Enabled"); }));
  HALSIM_SetDriverStationEnabled(false);
  EXPECT_TRUE(waitUntil([] { return !booleanOf("Torqa[9]", "Enabled"); }));
}

TEST_F(SimDevicesTest, CanSensorsAreListedByCanIdWhileOpen) {
  korvane::Kromel kromel(7);
  korvane::Dystan dystan(3);
  ASSERT_TRUE(kromel.IsOpen());
  ASSERT_TRUE(dystan.IsOpen());
  EXPECT_EQ(devicesNamed("Kromel"), (Names{"Kromel[7]"}));
  EXPECT_EQ(valueNames("Kromel[7]"), (Names{"X", "Y", "Z", "Sequence"}));
  EXPECT_EQ(devicesNamed("Dystan"), (Names{"Dystan[3]"}));
  EXPECT_EQ(valueNames("Dystan[3]"), (Names{"Nearest (mm)", "Sequence"}));
  EXPECT_EQ(intOf("Dystan[3]", "Nearest (mm)"), -1);
  kromel.Close();
  dystan.Close();
  EXPECT_EQ(devicesNamed("Kromel"), Names{});
  EXPECT_EQ(devicesNamed("Dystan"), Names{});
}

TEST_F(SimDevicesTest, LineSensorIsListedByItsI2cPortWhileTheBusIsOpen) {
  testing::internal::CaptureStdout();  // the connection check's line
  korvane::Linvo first(3.3f);
  korvane::Linvo second(3.3f);  // opening again (it replaces the first) keeps the one device
  testing::internal::GetCapturedStdout();
  EXPECT_FALSE(first.IsOpen());
  EXPECT_TRUE(second.IsOpen());
  EXPECT_EQ(devicesNamed("Linvo"), (Names{"Linvo[1]"}));
  EXPECT_EQ(valueNames("Linvo[1]"), (Names{"Voltage 0", "Voltage 1", "Voltage 2", "Voltage 3"}));
  first.Close();
  EXPECT_EQ(devicesNamed("Linvo"), (Names{"Linvo[1]"})) << "the replaced one closes nothing";
  second.Close();
  EXPECT_EQ(devicesNamed("Linvo"), Names{});
}

TEST_F(SimDevicesTest, LidarIsListedByItsPortFromCreateToDestroy) {
  auto first = korvane::sim::LidarRoomSim::start(1, false);
  auto second = korvane::sim::LidarRoomSim::start(2, false);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  korvane::sim::mapSerialPort(2, first->path());
  korvane::sim::mapSerialPort(3, second->path());
  testing::internal::CaptureStderr();  // where serial ports are stubs, the port does not open
  korvane::Lidar firstLidar(korvane::SerialPort::kUSB1);
  EXPECT_EQ(devicesNamed("Lidar["), (Names{"Lidar[2]"}));
  EXPECT_EQ(valueNames("Lidar[2]"), (Names{"Valid slots", "Nearest (mm)"}));
  // Opening on another port replaces the LiDAR shown.
  korvane::Lidar secondLidar(korvane::SerialPort::kUSB2);
  EXPECT_EQ(devicesNamed("Lidar["), (Names{"Lidar[3]"}));
  firstLidar.Close();
  EXPECT_EQ(devicesNamed("Lidar["), (Names{"Lidar[3]"})) << "the replaced one closes nothing";
  secondLidar.Stop();
  secondLidar.Close();
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(devicesNamed("Lidar["), Names{});
}

// ---- Values that follow the device's simulator.

TEST_F(SimDevicesTest, KromelOnUsbShowsItsReadingsUntilDestroyed) {
  auto sensor = korvane::sim::KromelUsbSim::start(10);
  ASSERT_NE(sensor, nullptr);
  sensor->setColor(0.25f, 0.5f, 0.75f);
  testing::internal::CaptureStdout();
  korvane::Kromel kromel(sensor->path(), 0);
  testing::internal::GetCapturedStdout();
  ASSERT_TRUE(kromel.IsOpen());
  const std::string name = "Kromel[" + sensor->path() + "]";
  EXPECT_EQ(devicesNamed("Kromel"), (Names{name}));
  ASSERT_TRUE(waitUntil([&] { return intOf(name, "Sequence") > 0; }));
  EXPECT_FLOAT_EQ(doubleOf(name, "X"), 0.25);
  EXPECT_FLOAT_EQ(doubleOf(name, "Y"), 0.5);
  EXPECT_FLOAT_EQ(doubleOf(name, "Z"), 0.75);
  sensor->setColor(0.125f, 0.5f, 0.75f);
  EXPECT_TRUE(waitUntil([&] { return doubleOf(name, "X") == 0.125; }));
  kromel.Close();
  EXPECT_EQ(devicesNamed("Kromel"), Names{});
}

TEST_F(SimDevicesTest, DystanOnUsbShowsTheNearestDistanceAndTheSequence) {
  auto sensor = korvane::sim::DystanUsbSim::start();
  ASSERT_NE(sensor, nullptr);
  sensor->setDistances({900, 0, 450, -1, 1200});  // 0: nothing measured there
  testing::internal::CaptureStdout();
  korvane::Dystan dystan(sensor->path(), 0);
  testing::internal::GetCapturedStdout();
  ASSERT_TRUE(dystan.IsOpen());
  const std::string name = "Dystan[" + sensor->path() + "]";
  EXPECT_EQ(devicesNamed("Dystan"), (Names{name}));
  ASSERT_TRUE(waitUntil([&] { return intOf(name, "Nearest (mm)") == 450; }));
  // The sequence shown is the newest scan's: it moves on with the scans.
  ASSERT_TRUE(waitUntil([&] {
    const int shown = intOf(name, "Sequence");
    return dystan.GetData(64).sequence == shown;
  }));
  const int sequence = intOf(name, "Sequence");
  EXPECT_TRUE(waitUntil([&] { return intOf(name, "Sequence") != sequence; }));
  sensor->setDistances({900, 800});
  EXPECT_TRUE(waitUntil([&] { return intOf(name, "Nearest (mm)") == 800; }));
  dystan.Close();
  EXPECT_EQ(devicesNamed("Dystan"), Names{});
}

TEST_F(SimDevicesTest, LidarMiniShowsThePointsOfItsLastRevolution) {
  auto device = korvane::sim::LidarMiniSim::start();
  ASSERT_NE(device, nullptr);
  ASSERT_TRUE(device->plugIn());
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  korvane::LidarMini lidar(korvane::SerialPort::kOnboard);
  ASSERT_TRUE(lidar.IsOpen());
  EXPECT_EQ(devicesNamed("LidarMini"), (Names{"LidarMini[0]"}));
  EXPECT_EQ(intOf("LidarMini[0]", "Points per revolution"), 0);
  lidar.Start();
  // Shown as each revolution is published: the same count getData gives.
  EXPECT_TRUE(waitUntil([&] {
    const size_t points = lidar.GetData().points.size();
    return points > 100 && intOf("LidarMini[0]", "Points per revolution") == int(points);
  }));
  lidar.Stop();
  EXPECT_EQ(intOf("LidarMini[0]", "Points per revolution"), 0);
  lidar.Close();
  testing::internal::GetCapturedStderr();
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(devicesNamed("LidarMini"), Names{});
}

// The devices on WPILib's CAN and I2C simulation callbacks and on a pseudo-terminal behind a HAL
// serial port.

TEST_F(SimDevicesTest, TorqaShowsTheSpeedItReadsFromItsStatusFrames) {
  auto controller = korvane::sim::TorqaSim::attach(11);
  korvane::Torqa torqa(11, 1000);
  ASSERT_TRUE(torqa.IsOpen());
  HALSIM_SetDriverStationEnabled(true);
  torqa.SetSpeed(3, 0.5);
  double rpm = 0.0;
  EXPECT_TRUE(waitUntil([&] {
    rpm = torqa.GetRPM(3);
    return rpm > 1000.0;
  }));
  EXPECT_EQ(doubleOf("Torqa[11]", "RPM 3"), rpm);
  EXPECT_EQ(doubleOf("Torqa[11]", "RPM 0"), 0.0);
  torqa.Close();
  controller->detach();
}

TEST_F(SimDevicesTest, CanSensorsShowWhatTheyRead) {
  auto colour = korvane::sim::KromelCanSim::attach();
  colour->setColor(0.5f, 0.25f, 0.125f);
  auto distance = korvane::sim::DystanCanSim::attach(4);
  distance->setDistances({700, 350, 1000});
  korvane::Kromel kromel(8);
  korvane::Dystan dystan(4);
  ASSERT_TRUE(kromel.IsOpen());
  ASSERT_TRUE(dystan.IsOpen());

  korvane::Kromel::ColorData reading;
  EXPECT_TRUE(waitUntil([&] { return (reading = kromel.GetColor()).valid; }));
  EXPECT_EQ(intOf("Kromel[8]", "Sequence"), reading.sequence);
  EXPECT_FLOAT_EQ(doubleOf("Kromel[8]", "X"), 0.5);
  EXPECT_FLOAT_EQ(doubleOf("Kromel[8]", "Z"), 0.125);

  korvane::Dystan::ScanData scan;
  EXPECT_TRUE(waitUntil([&] { return (scan = dystan.GetData(64)).count > 0; }));
  EXPECT_EQ(intOf("Dystan[4]", "Nearest (mm)"), 350);
  EXPECT_EQ(intOf("Dystan[4]", "Sequence"), scan.sequence);

  kromel.Close();
  dystan.Close();
  colour->detach();
  distance->detach();
}

TEST_F(SimDevicesTest, LineSensorShowsTheVoltagesItReads) {
  auto converter = korvane::sim::LinvoSim::attach();
  converter->setVoltage(2, 1.5);
  testing::internal::CaptureStdout();
  // With a reference of the converter's full scale, the driver's volts are the input's.
  korvane::Linvo linvo(2.048f);
  testing::internal::GetCapturedStdout();
  ASSERT_TRUE(linvo.IsOpen());
  // The readings are the sampling thread's: the first comes within a few samples.
  float volts = 0.0f;
  EXPECT_TRUE(waitUntil([&] { return (volts = linvo.GetVoltage(2)) > 0.0f; }));
  EXPECT_NEAR(volts, 1.5, 0.01);
  EXPECT_EQ(doubleOf("Linvo[1]", "Voltage 2"), volts);
  // The background samples show every channel.
  converter->setVoltage(0, 0.75);
  EXPECT_TRUE(waitUntil([&] {
    linvo.GetVoltage(0);
    return std::abs(doubleOf("Linvo[1]", "Voltage 0") - 0.75) < 0.01;
  }));
  linvo.Close();
  converter->detach();
}

TEST_F(SimDevicesTest, LidarShowsTheValidSlotsAndTheNearestDistanceOfItsTable) {
  auto room = korvane::sim::LidarRoomSim::start();
  ASSERT_NE(room, nullptr);
  room->setNoise(0.0);  // a steady table, which the values must match
  room->setDropoutRate(0.0);
  ASSERT_TRUE(korvane::sim::mapSerialPort(1, room->path()));
  korvane::Lidar lidar(korvane::SerialPort::kMXP);
  // What the table holds, as a simulation should show it.
  korvane::Lidar::ScanData data;
  auto fromTable = [&] {
    EXPECT_TRUE(lidar.GetData(data));
    int valid = 0;
    double nearest = -1.0;
    for (int k = 0; k < korvane::Lidar::kSlots; ++k) {
      const float d = data.distance[k];
      if (d < 0) continue;
      ++valid;
      if (nearest < 0 || d < nearest) nearest = d;
    }
    return std::make_pair(valid, nearest);
  };
  EXPECT_TRUE(waitUntil([&] {
    const auto [valid, nearest] = fromTable();
    return valid > 300 && intOf("Lidar[1]", "Valid slots") == valid &&
           doubleOf("Lidar[1]", "Nearest (mm)") == nearest;
  }));
  lidar.Stop();
  lidar.Close();
  EXPECT_EQ(devicesNamed("Lidar["), Names{});
}

}  // namespace
