// The LiDAR's and the mini LiDAR's health on either HAL, with their emulators on
// pseudo-terminals: heard from while they stream, silent or hung up, and back. The LiDAR on a
// HAL serial port comes back by itself when its port reappears, and at once on start(); racing
// creates, starts and stops leave no port open after stop.

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "LidarJNI.h"
#include "ReportLog.h"
#include "Wait.h"
#include "common/DriverStationReport.h"
#include "korvane/LidarMini.h"
#include "korvane/sim/Serial.h"
#include "lidar/LidarImpl.h"
#include "sim/lidar/LidarRoomSim.h"
#include "sim/lidarmini/LidarMiniSim.h"

using namespace korvane;
using namespace std::chrono_literals;
namespace code = korvane::report_code;

namespace {

// The HAL's serial ports USB1 and USB2 (HAL_SerialPort_USB1, HAL_SerialPort_USB2).
constexpr int kUsb1 = 2;
constexpr int kUsb2 = 3;
constexpr int kPort = kUsb1;
constexpr const char* kLidar = "Lidar[2]";

class LidarHealthTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The LiDAR as at load: none made yet, its port closed.
    LidarJNI::c_Lidar_stop();
    LidarJNI::pImpl.reset();
    sim::resetSerial();
    room_ = sim::LidarRoomSim::start();
    ASSERT_TRUE(room_);
    ASSERT_TRUE(sim::mapSerialPort(kPort, room_->path()));
  }
  void TearDown() override {
    LidarJNI::c_Lidar_stop();
    LidarJNI::pImpl.reset();
    sim::resetSerial();
  }

  // The LiDAR unplugged, and plugged in again as a new device on another terminal.
  void unplug() { room_->hangUp(); }
  void plugInAgain() {
    room_ = sim::LidarRoomSim::start(2);
    ASSERT_TRUE(room_);
    ASSERT_TRUE(sim::mapSerialPort(kPort, room_->path()));
  }

  test::ReportLog reports_;
  std::unique_ptr<sim::LidarRoomSim> room_;
};

TEST_F(LidarHealthTest, HeardWhileItStreamsSilentWhileItDoesNotAndBackByItself) {
  EXPECT_FALSE(LidarJNI::c_Lidar_isConnected());
  LidarJNI::c_Lidar_create(kPort);
  ASSERT_TRUE(test::waitUntil([] { return LidarJNI::c_Lidar_isConnected(); }));

  room_->setStreaming(false);
  ASSERT_TRUE(test::waitUntil([] { return !LidarJNI::c_Lidar_isConnected(); }));
  const int64_t age = LidarJNI::c_Lidar_getDataAgeMs();
  EXPECT_GT(age, 500);
  EXPECT_TRUE(test::waitUntil([&] { return LidarJNI::c_Lidar_getDataAgeMs() > age; }));
  EXPECT_TRUE(reports_.waitFor(code::kSilent, kLidar)) << reports_.text();

  room_->setStreaming(true);
  EXPECT_TRUE(test::waitUntil([] { return LidarJNI::c_Lidar_isConnected(); }));
  EXPECT_TRUE(reports_.waitFor(code::kHeardAgain, kLidar)) << reports_.text();
  EXPECT_EQ(reports_.count(code::kSilent, kLidar), 1u) << reports_.text();
}

TEST_F(LidarHealthTest, UnpluggedAndPluggedInAgainItComesBackByItself) {
  LidarJNI::c_Lidar_create(kPort);
  ASSERT_TRUE(test::waitUntil([] { return LidarJNI::c_Lidar_isConnected(); }));
  unplug();
  EXPECT_TRUE(reports_.waitFor(code::kHungUp, kLidar)) << reports_.text();
  EXPECT_FALSE(LidarJNI::c_Lidar_isConnected());
  EXPECT_EQ(sim::openSerialHandles(), 0) << "the failed port is closed";
  // It tries to open the port again while the device is away.
  ASSERT_TRUE(test::waitUntil([] { return LidarJNI::c_Lidar_getFaults().openFailures >= 1; }));

  // Its table stays, and ages as its health does: the two count from one stamp.
  std::array<float, LidarJNI::kSlots> angles{}, distances{};
  const int64_t tableAge = LidarJNI::c_Lidar_readData(angles.data(), distances.data());
  const int64_t dataAge = LidarJNI::c_Lidar_getFaults().dataAgeMs;
  EXPECT_LE(0, tableAge);
  EXPECT_LE(tableAge, dataAge);
  EXPECT_LE(dataAge, LidarJNI::c_Lidar_readData(angles.data(), distances.data()));

  plugInAgain();  // nobody calls anything
  EXPECT_TRUE(test::waitUntil([] { return LidarJNI::c_Lidar_isConnected(); }, 10s));
  // The worker publishes the table again: fresh points.
  EXPECT_TRUE(test::waitUntil([&] {
    return LidarJNI::c_Lidar_readData(angles.data(), distances.data()) < LidarJNI::kSilenceMs;
  }));
  EXPECT_EQ(sim::openSerialHandles(), 1);
  EXPECT_TRUE(reports_.waitFor(code::kHeardAgain, kLidar)) << reports_.text();
  const DeviceFaults faults = LidarJNI::c_Lidar_getFaults();
  EXPECT_TRUE(faults.connected);
  EXPECT_GE(faults.receiveFailures, 1u);
}

TEST_F(LidarHealthTest, AStartAfterAHangUpOpensThePortAtOnce) {
  LidarJNI::c_Lidar_create(kPort);
  ASSERT_TRUE(test::waitUntil([] { return LidarJNI::c_Lidar_isConnected(); }));
  unplug();
  ASSERT_TRUE(test::waitUntil([] { return !LidarJNI::c_Lidar_isConnected(); }));
  plugInAgain();
  testing::internal::CaptureStderr();
  LidarJNI::c_Lidar_start();
  const std::string said = test::withoutReports(testing::internal::GetCapturedStderr());
  EXPECT_EQ(said.find("already scanning"), std::string::npos) << said;
  EXPECT_EQ(sim::openSerialHandles(), 1);
  EXPECT_TRUE(test::waitUntil([] { return LidarJNI::c_Lidar_isConnected(); }));

  // One that scans is left alone.
  testing::internal::CaptureStderr();
  LidarJNI::c_Lidar_start();
  EXPECT_EQ(test::withoutReports(testing::internal::GetCapturedStderr()),
            "Lidar sensor is already scanning\n");
}

// A create on a port that does not open leaves the LiDAR on its own port, with its table and the
// time of its newest point: the table's age and the health's stay one count.
TEST_F(LidarHealthTest, ACreateThatFailsElsewhereKeepsTheAgeOfTheTable) {
  constexpr int kMissingPort = kUsb2;
  ASSERT_TRUE(sim::mapSerialPort(kMissingPort, "/nonexistent/ttyKorvaneLidarHealth"));
  LidarJNI::c_Lidar_create(kPort);
  ASSERT_TRUE(test::waitUntil([] { return LidarJNI::c_Lidar_isConnected(); }));
  room_->setStreaming(false);
  ASSERT_TRUE(test::waitUntil([] { return !LidarJNI::c_Lidar_isConnected(); }));
  testing::internal::CaptureStderr();
  LidarJNI::c_Lidar_create(kMissingPort);
  testing::internal::GetCapturedStderr();
  std::array<float, LidarJNI::kSlots> angles{}, distances{};
  const int64_t tableAge = LidarJNI::c_Lidar_readData(angles.data(), distances.data());
  const int64_t dataAge = LidarJNI::c_Lidar_getFaults().dataAgeMs;
  EXPECT_GT(tableAge, 0);
  EXPECT_LE(tableAge, dataAge) << "the health forgot the table's points";
  EXPECT_LE(dataAge, LidarJNI::c_Lidar_readData(angles.data(), distances.data()));
  EXPECT_EQ(sim::openSerialHandles(), 1) << "back on its own port";
}

TEST_F(LidarHealthTest, AStoppedLidarIsNotConnectedAndNotReported) {
  LidarJNI::c_Lidar_create(kPort);
  ASSERT_TRUE(test::waitUntil([] { return LidarJNI::c_Lidar_isConnected(); }));
  LidarJNI::c_Lidar_stop();
  EXPECT_TRUE(test::waitUntil([] { return !LidarJNI::c_Lidar_isConnected(); }));
  std::this_thread::sleep_for(1200ms);  // past the timeout and the worker's one-second read
  EXPECT_EQ(reports_.count(code::kSilent, kLidar), 0u) << reports_.text();
  LidarJNI::c_Lidar_start();
  EXPECT_TRUE(test::waitUntil([] { return LidarJNI::c_Lidar_isConnected(); }));
}

// Two threads race creates and starts against stops; then stop and a close (stop, destroy) as a
// Java program's leave no port open, and a start opens exactly one.
TEST_F(LidarHealthTest, RacingCreatesStartsAndStopsLeaveNoPortOpenAfterStop) {
  testing::internal::CaptureStderr();  // "already scanning" lines
  std::atomic<bool> done{false};
  std::thread creator([&] {
    while (!done.load()) {
      LidarJNI::c_Lidar_create(kPort);
      LidarJNI::c_Lidar_start();
    }
  });
  std::thread starter([&] {
    while (!done.load()) {
      LidarJNI::c_Lidar_start();
      LidarJNI::c_Lidar_stop();
    }
  });
  std::this_thread::sleep_for(3s);
  done.store(true);
  creator.join();
  starter.join();
  testing::internal::GetCapturedStderr();
  LidarJNI::c_Lidar_stop();
  LidarJNI::c_Lidar_destroy();
  EXPECT_EQ(sim::openSerialHandles(), 0);
  std::this_thread::sleep_for(1200ms);  // a worker that would open the port again has done so
  EXPECT_EQ(sim::openSerialHandles(), 0);
  LidarJNI::c_Lidar_start();
  EXPECT_EQ(sim::openSerialHandles(), 1);
  EXPECT_TRUE(test::waitUntil([] { return LidarJNI::c_Lidar_isConnected(); }));
}

class LidarMiniHealthTest : public ::testing::Test {
 protected:
  void SetUp() override {
    device_ = sim::LidarMiniSim::start();
    ASSERT_TRUE(device_);
    ASSERT_TRUE(device_->plugIn());
  }
  void TearDown() override { lidar_.reset(); }

  test::ReportLog reports_;
  std::unique_ptr<sim::LidarMiniSim> device_;
  std::unique_ptr<korvane::LidarMini> lidar_;
};

TEST_F(LidarMiniHealthTest, HeardWhileScanningSilentAndBackThenHungUp) {
  lidar_ = std::make_unique<korvane::LidarMini>(korvane::SerialPort::kUSB1);
  ASSERT_TRUE(lidar_->IsOpen());
  EXPECT_FALSE(lidar_->IsConnected());
  lidar_->Start();
  ASSERT_TRUE(test::waitUntil([&] { return lidar_->IsConnected(); }));

  device_->setSilent(true);
  ASSERT_TRUE(test::waitUntil([&] { return !lidar_->IsConnected(); }));
  const int64_t age = lidar_->GetDataAgeMs();
  EXPECT_TRUE(test::waitUntil([&] { return lidar_->GetDataAgeMs() > age; }));
  EXPECT_TRUE(reports_.waitFor(code::kSilent, "LidarMini[2]")) << reports_.text();
  device_->setSilent(false);
  EXPECT_TRUE(test::waitUntil([&] { return lidar_->IsConnected(); }));
  EXPECT_TRUE(reports_.waitFor(code::kHeardAgain, "LidarMini[2]")) << reports_.text();

  device_->hangUp();
  EXPECT_TRUE(reports_.waitFor(code::kHungUp, "LidarMini[2]")) << reports_.text();
  EXPECT_FALSE(lidar_->IsConnected());
}

TEST_F(LidarMiniHealthTest, StoppedItFallsQuietWithoutAReport) {
  lidar_ = std::make_unique<korvane::LidarMini>(korvane::SerialPort::kUSB1);
  ASSERT_TRUE(lidar_->IsOpen());
  lidar_->Start();
  ASSERT_TRUE(test::waitUntil([&] { return lidar_->IsConnected(); }));
  lidar_->Stop();
  EXPECT_TRUE(test::waitUntil([&] { return !lidar_->IsConnected(); }));
  std::this_thread::sleep_for(700ms);
  EXPECT_EQ(reports_.count(code::kSilent, "LidarMini[2]"), 0u) << reports_.text();
  // An answer to a query is the device heard.
  lidar_->GetHealth();
  EXPECT_TRUE(lidar_->IsConnected());
}

}  // namespace
