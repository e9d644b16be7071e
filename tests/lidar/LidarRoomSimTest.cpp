// The simulated LiDAR: its room geometry, its packets as the driver decodes them, and the
// driver reading the room from it through the serial-port stand-in.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "LidarJNI.h"
#include "Wait.h"
#include "korvane/Lidar.h"
#include "korvane/sim/Serial.h"
#include "lidar/LidarPackets.h"
#include "sim/lidar/LidarRoomSim.h"

using korvane::sim::LidarRoomSim;

namespace {

TEST(LidarRoomSim, RaysMeetTheWallsAndTheBox) {
  LidarRoomSim::Room room;
  EXPECT_NEAR(LidarRoomSim::distanceAt(room, 0), 4000, 1e-6);
  EXPECT_NEAR(LidarRoomSim::distanceAt(room, 90), 2500, 1e-6);
  EXPECT_NEAR(LidarRoomSim::distanceAt(room, 180), 2000, 1e-6);
  EXPECT_NEAR(LidarRoomSim::distanceAt(room, 270), 1500, 1e-6);
  // Towards the box's near face (x = 3500) at 30 degrees: 1500 / cos 30.
  EXPECT_NEAR(LidarRoomSim::distanceAt(room, 30), 1500 / std::cos(M_PI / 6), 1e-6);
  // Just above the box: the back wall.
  EXPECT_NEAR(LidarRoomSim::distanceAt(room, 60), 2500 / std::sin(M_PI / 3), 1e-6);
}

TEST(LidarRoomSim, ARevolutionDecodesIntoTheRoom) {
  auto sim = LidarRoomSim::start();
  ASSERT_TRUE(sim);
  sim->setStreaming(false);
  std::string bytes = sim->revolution();
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  std::vector<LidarJNI::DataPoint> points;
  size_t position = 0, packets = 0;
  while (true) {
    korvane::lidar::Cut cut = korvane::lidar::findPacket(data + position, bytes.size() - position);
    ASSERT_EQ(cut.start, 0u) << "bytes between packets";
    if (cut.length == 0) break;
    const int scanStart = data[position + 2] & 1;
    EXPECT_EQ(scanStart, packets == 0 ? 1 : 0) << "only a revolution's first packet opens a scan";
    EXPECT_LE(data[position + 3], LidarRoomSim::kSamplesPerPacket);
    korvane::lidar::decodePacket(data + position, cut.length, {}, points);
    position += cut.length;
    ++packets;
  }
  EXPECT_EQ(position, bytes.size());
  EXPECT_EQ(packets, 1u + 18u);
  ASSERT_EQ(points.size(), static_cast<size_t>(LidarRoomSim::kSamplesPerRevolution));
  // Filed at the angle the driver computes, each distance is the room's at that angle (a few
  // samples at the box's corners may disagree).
  size_t agreeing = 0;
  for (const auto& p : points) {
    if (std::fabs(p.distance - LidarRoomSim::distanceAt({}, p.angle)) < 5.0) ++agreeing;
  }
  EXPECT_GE(agreeing, points.size() * 98 / 100);
}

TEST(LidarRoomSim, DropoutsAndNoiseReachThePackets) {
  auto sim = LidarRoomSim::start(7);
  ASSERT_TRUE(sim);
  sim->setStreaming(false);
  sim->setDropoutRate(1.0);
  std::string bytes = sim->revolution();
  std::vector<LidarJNI::DataPoint> points;
  korvane::lidar::decodePacket(reinterpret_cast<const uint8_t*>(bytes.data()), 12, {}, points);
  ASSERT_EQ(points.size(), 1u);
  EXPECT_EQ(points[0].distance, -1.0f);

  sim->setDropoutRate(0);
  sim->setNoise(50);
  bytes = sim->revolution();
  points.clear();
  korvane::lidar::decodePacket(reinterpret_cast<const uint8_t*>(bytes.data()) + 12, 90, {}, points);
  double spread = 0;
  for (const auto& p : points)
    spread += std::fabs(p.distance - LidarRoomSim::distanceAt({}, p.angle));
  EXPECT_GT(spread / points.size(), 10.0);
}

TEST(LidarRoomSim, TheDriverSeesTheRoom) {
  korvane::sim::resetSerial();
  auto sim = LidarRoomSim::start();
  ASSERT_TRUE(sim);
  ASSERT_TRUE(
      korvane::sim::mapSerialPort(static_cast<int>(korvane::SerialPort::kMXP), sim->path()));
  korvane::Lidar lidar(korvane::SerialPort::kMXP);
  korvane::Lidar::ScanData data;
  auto near = [&](int k, float mm) {
    return lidar.GetData(data) && std::fabs(data.distance[k] - mm) < 10.0f;
  };
  auto everySlotFilled = [&] {
    if (!lidar.GetData(data)) return false;
    for (int k = 0; k < korvane::Lidar::kSlots; ++k) {
      if (data.distance[k] <= 0) return false;
    }
    return true;
  };
  ASSERT_TRUE(korvane::test::waitUntil(everySlotFilled));
  EXPECT_TRUE(near(0, 4000));
  EXPECT_TRUE(near(90, 2500));
  EXPECT_TRUE(near(180, 2000));
  EXPECT_TRUE(near(270, 1500));
  lidar.Stop();
}

}  // namespace
