// korvane::Lidar against the simulated LiDAR on a mapped serial port: the room through the object,
// one LiDAR per process (a newer object replaces an older one, whose calls then reach nothing and
// whose close leaves the newer scanning), and closing, which stops scanning.

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "LidarJNI.h"
#include "Wait.h"
#include "hal/SerialPort.h"
#include "korvane/Lidar.h"
#include "korvane/sim/Serial.h"
#include "sim/lidar/LidarRoomSim.h"

using namespace korvane;
using korvane::sim::LidarRoomSim;

namespace {

class LidarObjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::resetSerial();
    device_ = LidarRoomSim::start();
    ASSERT_TRUE(device_);
    ASSERT_TRUE(sim::mapSerialPort(HAL_SerialPort_MXP, device_->path()));
  }
  void TearDown() override { LidarJNI::c_Lidar_stop(); }

  // Whether the object's table shows the room's back wall (2500 mm at 90 degrees).
  static bool seesTheRoom(Lidar& lidar) {
    return test::waitUntil([&] {
      auto data = lidar.GetData();
      return data && std::fabs(data->distance[90] - 2500.0f) < 10.0f;
    });
  }

  std::unique_ptr<LidarRoomSim> device_;
};

TEST_F(LidarObjectTest, TheRoomThroughTheObject) {
  Lidar lidar(SerialPort::kMXP);
  ASSERT_TRUE(lidar.IsOpen());
  ASSERT_TRUE(seesTheRoom(lidar));
  Lidar::ScanData into;
  ASSERT_TRUE(lidar.GetData(into));
  EXPECT_GE(into.ageMs, 0);
  EXPECT_FLOAT_EQ(into.angle[200], 200.0f) << "slot k is whole degree k";
  EXPECT_TRUE(lidar.IsConnected());
  EXPECT_GE(lidar.GetDataAgeMs(), 0);
  EXPECT_TRUE(lidar.GetFaults().connected);

  lidar.EnableFilter(Lidar::Filter::kMedian, true);
  EXPECT_TRUE(LidarJNI::medianFilterEnabled.load());
  lidar.EnableFilter(Lidar::Filter::kKalman, true);
  EXPECT_FALSE(LidarJNI::medianFilterEnabled.load()) << "one filter at a time";
  lidar.DisableFilters();
  EXPECT_FALSE(LidarJNI::kalmanFilterEnabled.load());

  lidar.Stop();
  EXPECT_FALSE(LidarJNI::scanning.load());
  lidar.Start();
  EXPECT_TRUE(LidarJNI::scanning.load());
}

TEST_F(LidarObjectTest, ANewerLidarReplacesTheOlderWhoseCloseLeavesItScanning) {
  Lidar older(SerialPort::kMXP);
  ASSERT_TRUE(seesTheRoom(older));
  Lidar newer(SerialPort::kMXP);
  EXPECT_TRUE(newer.IsOpen());
  EXPECT_FALSE(older.IsOpen()) << "replaced";
  EXPECT_FALSE(older.GetData().has_value());
  EXPECT_FALSE(older.IsConnected());
  EXPECT_EQ(older.GetDataAgeMs(), -1);
  older.Stop();  // reaches nothing
  older.EnableFilter(Lidar::Filter::kJitter, true);
  EXPECT_FALSE(LidarJNI::jitterFilterEnabled.load());

  older.Close();
  EXPECT_TRUE(LidarJNI::scanning.load()) << "the newer one scans on";
  EXPECT_NE(LidarJNI::m_portHandle.load(), 0);
  EXPECT_TRUE(seesTheRoom(newer));
}

TEST_F(LidarObjectTest, ClosingOrMovingFromStopsOnlyTheHolder) {
  Lidar first(SerialPort::kMXP);
  Lidar held = std::move(first);
  EXPECT_FALSE(first.IsOpen());  // NOLINT(bugprone-use-after-move): the point of the test
  first.Close();                 // closes nothing
  ASSERT_TRUE(seesTheRoom(held));

  held.Close();
  EXPECT_FALSE(held.IsOpen());
  EXPECT_FALSE(LidarJNI::scanning.load());
  EXPECT_EQ(LidarJNI::m_portHandle.load(), 0) << "the port is closed";
  EXPECT_FALSE(held.GetData().has_value());
}

}  // namespace
