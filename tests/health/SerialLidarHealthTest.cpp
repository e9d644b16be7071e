// The LiDAR's and the mini LiDAR's health on either HAL, with their emulators on
// pseudo-terminals: heard from while they stream, silent or hung up, and back. The LiDAR on a
// HAL serial port comes back by itself when its port reappears, and at once on Start(); racing
// openings (or the natives' creates), starts and stops leave no port open once closed.

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "LidarJNI.h"
#include "ReportLog.h"
#include "Wait.h"
#include "common/DriverStationReport.h"
#include "korvane/Lidar.h"
#include "korvane/LidarMini.h"
#include "korvane/sim/Serial.h"
#include "lidar/LidarImpl.h"
#include "sim/lidar/LidarRoomSim.h"
#include "sim/lidarmini/LidarMiniSim.h"

using namespace korvane;
using namespace std::chrono_literals;
namespace code = korvane::report_code;

namespace {

constexpr SerialPort kLidarPort = SerialPort::kUSB1;
constexpr SerialPort kMissingPort = SerialPort::kUSB2;
constexpr int kPort = static_cast<int>(kLidarPort);
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
    ASSERT_TRUE(linkPortTo(room_->path()));
    ASSERT_TRUE(sim::mapSerialPort(kPort, port_));
  }
  void TearDown() override {
    lidar_.reset();
    LidarJNI::c_Lidar_stop();
    LidarJNI::pImpl.reset();
    sim::resetSerial();
    ::unlink(port_.c_str());
  }

  // Opens the LiDAR on its port, replacing the one before as a robot program's new Lidar does.
  void open(SerialPort port = kLidarPort) {
    Lidar next(port);
    lidar_ = std::move(next);
  }
  bool connected() { return lidar_->IsConnected(); }
  // The table's age, from a copy of it.
  int64_t tableAge() {
    Lidar::ScanData data;
    EXPECT_TRUE(lidar_->GetData(data));
    return data.ageMs;
  }

  // The LiDAR unplugged, and plugged in again as a new device on another terminal. The port is a
  // link to the terminal that goes with it, as a USB adapter's device goes: the freed terminal's
  // number may be taken at once by another program's terminal, which the port must not reach.
  void unplug() {
    room_->hangUp();
    ::unlink(port_.c_str());
  }
  void plugInAgain() {
    room_ = sim::LidarRoomSim::start(2);
    ASSERT_TRUE(room_);
    ASSERT_TRUE(linkPortTo(room_->path()));
  }
  bool linkPortTo(const std::string& terminal) {
    ::unlink(port_.c_str());
    return ::symlink(terminal.c_str(), port_.c_str()) == 0;
  }

  const std::string port_ = testing::TempDir() + "korvane-lidar-port-" + std::to_string(::getpid());

  test::ReportLog reports_;
  std::unique_ptr<sim::LidarRoomSim> room_;
  std::optional<Lidar> lidar_;
};

TEST_F(LidarHealthTest, HeardWhileItStreamsSilentWhileItDoesNotAndBackByItself) {
  // The statics' health before any opening.
  EXPECT_FALSE(LidarJNI::c_Lidar_isConnected());
  open();
  ASSERT_TRUE(test::waitUntil([&] { return connected(); }));

  room_->setStreaming(false);
  ASSERT_TRUE(test::waitUntil([&] { return !connected(); }));
  const int64_t age = lidar_->GetDataAgeMs();
  EXPECT_GT(age, 500);
  EXPECT_TRUE(test::waitUntil([&] { return lidar_->GetDataAgeMs() > age; }));
  EXPECT_TRUE(reports_.waitFor(code::kSilent, kLidar)) << reports_.text();

  room_->setStreaming(true);
  EXPECT_TRUE(test::waitUntil([&] { return connected(); }));
  EXPECT_TRUE(reports_.waitFor(code::kHeardAgain, kLidar)) << reports_.text();
  EXPECT_EQ(reports_.count(code::kSilent, kLidar), 1u) << reports_.text();
}

TEST_F(LidarHealthTest, UnpluggedAndPluggedInAgainItComesBackByItself) {
  open();
  ASSERT_TRUE(test::waitUntil([&] { return connected(); }));
  unplug();
  EXPECT_TRUE(reports_.waitFor(code::kHungUp, kLidar)) << reports_.text();
  EXPECT_FALSE(connected());
  EXPECT_EQ(sim::openSerialHandles(), 0) << "the failed port is closed";
  // It tries to open the port again while the device is away.
  ASSERT_TRUE(test::waitUntil([&] { return lidar_->GetFaults().openFailures >= 1; }));

  // Its table stays, and ages as its health does: the two count from one stamp.
  const int64_t tableAgeBefore = tableAge();
  const int64_t dataAge = lidar_->GetFaults().dataAgeMs;
  EXPECT_LE(0, tableAgeBefore);
  EXPECT_LE(tableAgeBefore, dataAge);
  EXPECT_LE(dataAge, tableAge());

  plugInAgain();  // nobody calls anything
  EXPECT_TRUE(test::waitUntil([&] { return connected(); }, 10s));
  // The worker publishes the table again: fresh points.
  EXPECT_TRUE(test::waitUntil([&] { return tableAge() < LidarJNI::kSilenceMs; }));
  EXPECT_EQ(sim::openSerialHandles(), 1);
  EXPECT_TRUE(reports_.waitFor(code::kHeardAgain, kLidar)) << reports_.text();
  const DeviceFaults faults = lidar_->GetFaults();
  EXPECT_TRUE(faults.connected);
  EXPECT_GE(faults.receiveFailures, 1u);
}

TEST_F(LidarHealthTest, AStartAfterAHangUpOpensThePortAtOnce) {
  open();
  ASSERT_TRUE(test::waitUntil([&] { return connected(); }));
  unplug();
  ASSERT_TRUE(test::waitUntil([&] { return !connected(); }));
  plugInAgain();
  testing::internal::CaptureStderr();
  lidar_->Start();
  const std::string said = test::withoutReports(testing::internal::GetCapturedStderr());
  EXPECT_EQ(said.find("already scanning"), std::string::npos) << said;
  EXPECT_EQ(sim::openSerialHandles(), 1);
  EXPECT_TRUE(test::waitUntil([&] { return connected(); }));

  // One that scans is left alone.
  testing::internal::CaptureStderr();
  lidar_->Start();
  EXPECT_EQ(test::withoutReports(testing::internal::GetCapturedStderr()),
            "Lidar sensor is already scanning\n");
}

// An opening on a port that does not open leaves the LiDAR on its own port, with its table and
// the time of its newest point: the table's age and the health's stay one count.
TEST_F(LidarHealthTest, AnOpeningThatFailsElsewhereKeepsTheAgeOfTheTable) {
  ASSERT_TRUE(
      sim::mapSerialPort(static_cast<int>(kMissingPort), "/nonexistent/ttyKorvaneLidarHealth"));
  open();
  ASSERT_TRUE(test::waitUntil([&] { return connected(); }));
  room_->setStreaming(false);
  ASSERT_TRUE(test::waitUntil([&] { return !connected(); }));
  testing::internal::CaptureStderr();
  open(kMissingPort);
  testing::internal::GetCapturedStderr();
  ASSERT_TRUE(lidar_->IsOpen()) << "opening always opens";
  const int64_t tableAgeBefore = tableAge();
  const int64_t dataAge = lidar_->GetFaults().dataAgeMs;
  EXPECT_GT(tableAgeBefore, 0);
  EXPECT_LE(tableAgeBefore, dataAge) << "the health forgot the table's points";
  EXPECT_LE(dataAge, tableAge());
  EXPECT_EQ(sim::openSerialHandles(), 1) << "back on its own port";
}

TEST_F(LidarHealthTest, AStoppedLidarIsNotConnectedAndNotReported) {
  open();
  ASSERT_TRUE(test::waitUntil([&] { return connected(); }));
  lidar_->Stop();
  EXPECT_TRUE(test::waitUntil([&] { return !connected(); }));
  std::this_thread::sleep_for(1200ms);  // past the timeout and the worker's one-second read
  EXPECT_EQ(reports_.count(code::kSilent, kLidar), 0u) << reports_.text();
  lidar_->Start();
  EXPECT_TRUE(test::waitUntil([&] { return connected(); }));
}

// The natives a Java program calls, racing one another: two threads race creates and starts
// against stops; then stop and a close (stop, destroy) as a Java program's leave no port open,
// and a start opens exactly one.
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

// Racing openings and their objects' starts and stops, as two threads of a C++ program: once the
// last object is closed no port is open, and a new one opens exactly one.
TEST_F(LidarHealthTest, RacingOpeningsStartsAndStopsLeaveNoPortOpenAfterClose) {
  testing::internal::CaptureStderr();  // "already scanning" lines
  std::atomic<bool> done{false};
  auto race = [&](bool stops) {
    while (!done.load()) {
      Lidar lidar(kLidarPort);
      lidar.Start();
      if (stops) lidar.Stop();
    }
  };
  std::thread opener(race, false);
  std::thread stopper(race, true);
  std::this_thread::sleep_for(3s);
  done.store(true);
  opener.join();
  stopper.join();
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(sim::openSerialHandles(), 0);
  std::this_thread::sleep_for(1200ms);  // a worker that would open the port again has done so
  EXPECT_EQ(sim::openSerialHandles(), 0);
  open();
  EXPECT_EQ(sim::openSerialHandles(), 1);
  EXPECT_TRUE(test::waitUntil([&] { return connected(); }));
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
