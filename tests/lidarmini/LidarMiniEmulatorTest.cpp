// The driver against the simulated T-mini Plus: identity and health, whole revolutions of the
// virtual room at 6 and 12 Hz, garbage in the stream, and a silent device.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <string>

#include "LidarMiniJNI.h"
#include "ReportLog.h"
#include "Wait.h"
#include "sim/lidarmini/LidarMiniSim.h"

using korvane::sim::LidarMiniSim;
using namespace std::chrono_literals;
namespace test = korvane::test;

namespace {

struct LidarDeleter {
  void operator()(LidarMiniJNI* lidar) const { LidarMiniJNI::c_LidarMini_destroy(lidar); }
};
using Lidar = std::unique_ptr<LidarMiniJNI, LidarDeleter>;

class LidarMiniEmulatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    emulator_ = LidarMiniSim::start();
    ASSERT_NE(emulator_, nullptr);
    ASSERT_TRUE(emulator_->plugIn());
    testing::internal::CaptureStdout();
    lidar_.reset(LidarMiniJNI::c_LidarMini_create(0));
    testing::internal::GetCapturedStdout();
    ASSERT_NE(lidar_, nullptr);
  }
  void TearDown() override {
    lidar_.reset();
    if (emulator_) emulator_->hangUp();
  }
  // Waits for a published revolution of exactly this many points.
  bool waitForRevolutionOf(size_t points) {
    return test::waitUntil([&] { return lidar_->c_LidarMini_getData().points.size() == points; },
                           10s);
  }

  std::unique_ptr<LidarMiniSim> emulator_;
  Lidar lidar_;
};

TEST_F(LidarMiniEmulatorTest, IdentityAndHealthAreTheEmulatorsSettings) {
  emulator_->setInfo(150, 0x010A, 2, "0123456789ABCDEF");
  emulator_->setHealth(2, 0x0105);
  LidarMiniJNI::LidarInfo info = lidar_->c_LidarMini_getInfo();
  EXPECT_EQ(info.model, 150);
  EXPECT_EQ(info.firmwareVersion, 266);
  EXPECT_EQ(info.hardwareVersion, 2);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(info.serialNumber), 16), "0123456789ABCDEF");
  LidarMiniJNI::LidarHealth health = lidar_->c_LidarMini_getHealth();
  EXPECT_EQ(health.status, 2);
  EXPECT_EQ(health.errorCode, 261);
}

TEST_F(LidarMiniEmulatorTest, WholeRevolutionsOfTheRoomArriveAndFollowTheFrequency) {
  testing::internal::CaptureStdout();
  lidar_->c_LidarMini_start();
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("[LidarMini] Confirmed: "), std::string::npos) << out;
  EXPECT_TRUE(emulator_->scanning());
  ASSERT_TRUE(waitForRevolutionOf(static_cast<size_t>(emulator_->pointsPerRevolution())));
  LidarMiniJNI::ScanData scan = lidar_->c_LidarMini_getData();
  EXPECT_EQ(scan.points.size(), 666u) << "4000 samples a second at 6 Hz";
  EXPECT_NEAR(scan.points.front().angle, 0.0f, 0.01f);
  EXPECT_NEAR(scan.points.front().distance, 2.5f, 0.002f) << "the wall ahead";
  EXPECT_NEAR(scan.points[scan.points.size() / 2].distance, 3.5f, 0.01f) << "the wall behind";
  for (size_t i = 1; i < scan.points.size(); ++i) {
    ASSERT_GT(scan.points[i].angle, scan.points[i - 1].angle) << "in order around the circle";
  }

  for (int i = 0; i < 6; ++i) lidar_->c_LidarMini_increaseFrequency(true);
  EXPECT_FLOAT_EQ(lidar_->scanFrequency(), 12.0f);
  ASSERT_TRUE(test::waitUntil([&] { return emulator_->frequencyTenthsHz() == 120; }));
  ASSERT_TRUE(waitForRevolutionOf(333u)) << "4000 samples a second at 12 Hz";

  lidar_->c_LidarMini_stop();
  EXPECT_TRUE(test::waitUntil([&] { return !emulator_->scanning(); }));
}

TEST_F(LidarMiniEmulatorTest, GarbageBetweenPacketsCostsNoPoints) {
  emulator_->setGarbage(true);
  lidar_->c_LidarMini_start();
  uint64_t sent = emulator_->revolutionsSent();
  ASSERT_TRUE(test::waitUntil([&] { return emulator_->revolutionsSent() >= sent + 4; }, 10s));
  EXPECT_EQ(lidar_->c_LidarMini_getData().points.size(), 666u);
}

TEST_F(LidarMiniEmulatorTest, ASilentDeviceIsReportedAtStartAndGivesNothing) {
  emulator_->setSilent(true);
  testing::internal::CaptureStderr();
  testing::internal::CaptureStdout();
  lidar_->c_LidarMini_start();
  std::string out = testing::internal::GetCapturedStdout();
  std::string err = korvane::test::withoutReports(testing::internal::GetCapturedStderr());
  EXPECT_NE(err.find("[LidarMini] WARNING: 0 bytes 300 ms after scan start."), std::string::npos);
  EXPECT_EQ(out, "[LidarMini] Scanning started\n");
  EXPECT_TRUE(lidar_->c_LidarMini_getData().points.empty());
}

TEST(LidarMiniEmulatorAloneTest, FrequencyStepsStayWithinSixToTwelveHertz) {
  auto emulator = LidarMiniSim::start();
  ASSERT_NE(emulator, nullptr);
  int port = ::open(emulator->path().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(port, 0);
  auto command = [&](const char* bytes, int times) {
    for (int i = 0; i < times; ++i) ASSERT_EQ(::write(port, bytes, 2), 2);
  };
  command("\xA5\x0B", 7);
  command("\xA5\x09", 1);
  ASSERT_TRUE(emulator->waitForCommands(8, 5s));
  EXPECT_EQ(emulator->frequencyTenthsHz(), 120) << "at most 12 Hz";
  command("\xA5\x0A", 2);
  ASSERT_TRUE(emulator->waitForCommands(10, 5s));
  EXPECT_EQ(emulator->frequencyTenthsHz(), 118);
  command("\xA5\x0C", 7);
  ASSERT_TRUE(emulator->waitForCommands(17, 5s));
  EXPECT_EQ(emulator->frequencyTenthsHz(), 60) << "at least 6 Hz";
  EXPECT_EQ(emulator->pointsPerRevolution(), 666);
  ::close(port);
}

}  // namespace
