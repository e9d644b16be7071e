// The LiDAR as robots use it: a device plugged in after the first create, create, start and stop
// racing on several threads, and a device that hangs up while the table keeps its points.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "LidarJNI.h"
#include "PseudoTerminal.h"
#include "ReportLog.h"
#include "ThreadCpu.h"
#include "Wait.h"
#include "korvane/Lidar.h"
#include "korvane/sim/Serial.h"
#include "lidar/LidarImpl.h"
#include "sim/lidar/LidarRoomSim.h"

using namespace korvane;
using namespace std::chrono_literals;

namespace {

constexpr SerialPort kPort = SerialPort::kUSB1;
constexpr SerialPort kNextPort = SerialPort::kUSB2;

int number(SerialPort port) {
  return static_cast<int>(port);
}

int validSlots(Lidar& lidar) {
  Lidar::ScanData data;
  if (!lidar.GetData(data)) return -1;
  return static_cast<int>(
      std::count_if(data.distance.begin(), data.distance.end(), [](float d) { return d >= 0; }));
}

// Whether the worker reads bytes from the one open handle: a read that returned some, after now.
bool readsThePort() {
  sim::clearSerialCalls();
  return sim::openSerialHandles() == 1 &&
         sim::waitForSerialCalls(
             [](const std::vector<sim::SerialCallRecord>& calls) {
               return std::any_of(calls.begin(), calls.end(), [&](const sim::SerialCallRecord& c) {
                 return c.call == sim::SerialCall::Read && c.result > 0;
               });
             },
             10s);
}

// The handle of the port opened last (since the call records were last cleared), or 0.
int32_t lastOpenedHandle() {
  int32_t handle = 0;
  for (const auto& call : sim::serialCalls()) {
    if (call.call == sim::SerialCall::Initialize && call.status == 0) handle = call.handle;
  }
  return handle;
}

class LidarLifecycleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The LiDAR as at load: none made yet, its port closed. (The owner frees the driver object as
    // the library's unload does; no operation finds it afterwards.)
    LidarJNI::c_Lidar_stop();
    LidarJNI::pImpl.reset();
    sim::resetSerial();
    room = sim::LidarRoomSim::start();
    ASSERT_TRUE(room);
  }
  void TearDown() override {
    lidar.reset();
    LidarJNI::c_Lidar_stop();
  }

  std::unique_ptr<sim::LidarRoomSim> room;
  std::optional<Lidar> lidar;
};

TEST_F(LidarLifecycleTest, ALidarPluggedInAfterItsFirstCreateStartsScanningOnStart) {
  ASSERT_TRUE(sim::mapSerialPort(number(kPort), "/nonexistent/ttyKorvaneLidar"));
  auto before = test::threadIds();
  testing::internal::CaptureStderr();
  lidar.emplace(kPort);
  EXPECT_EQ(korvane::test::withoutReports(testing::internal::GetCapturedStderr()),
            "Error initializing serial port: -2\n");
  EXPECT_TRUE(lidar->IsOpen()) << "opening always opens";
  EXPECT_EQ(validSlots(*lidar), 0) << "the empty table";
  EXPECT_EQ(lidar->GetDataAgeMs(), -1);

  ASSERT_TRUE(sim::mapSerialPort(number(kPort), room->path()));  // plugged in
  testing::internal::CaptureStderr();
  lidar->Start();
  EXPECT_EQ(korvane::test::withoutReports(testing::internal::GetCapturedStderr()), "");
  EXPECT_TRUE(test::waitUntil([&] { return validSlots(*lidar) >= 300; }, 10s))
      << validSlots(*lidar);
  EXPECT_EQ(test::threadsStartedSince(before).size(), 1u) << "one worker";
  EXPECT_EQ(sim::openSerialHandles(), 1);
}

// The statics' own case: creates racing starts and stops of the one LiDAR from other threads, as
// Java's threads may call them (a C++ object is not replaced under its own calls).
TEST_F(LidarLifecycleTest, CreateStartAndStopFromTwoThreadsLeaveOneHandleAtMost) {
  ASSERT_TRUE(sim::mapSerialPort(number(kPort), room->path()));
  LidarJNI::c_Lidar_create(number(kPort));
  std::atomic<bool> done{false};
  std::atomic<int> creates{0};
  testing::internal::CaptureStderr();  // many "already scanning" lines
  std::thread starter([&] {
    while (!done.load()) {
      LidarJNI::c_Lidar_start();
      LidarJNI::c_Lidar_stop();
    }
  });
  std::thread creator([&] {
    while (!done.load()) {
      LidarJNI::c_Lidar_create(number(kPort));
      ++creates;
      LidarJNI::c_Lidar_stop();
      LidarJNI::c_Lidar_start();
    }
  });
  std::this_thread::sleep_for(5s);
  done.store(true);
  starter.join();
  creator.join();
  korvane::test::withoutReports(testing::internal::GetCapturedStderr());
  EXPECT_GT(creates.load(), 0);
  EXPECT_LE(sim::openSerialHandles(), 1);
  // Scanning exactly while a handle is open: a start is refused then, and opens one otherwise.
  const bool open = sim::openSerialHandles() == 1;
  testing::internal::CaptureStderr();
  LidarJNI::c_Lidar_start();
  EXPECT_EQ(korvane::test::withoutReports(testing::internal::GetCapturedStderr()),
            open ? "Lidar sensor is already scanning\n" : "");
  EXPECT_EQ(sim::openSerialHandles(), 1);

  LidarJNI::c_Lidar_stop();
  EXPECT_EQ(sim::openSerialHandles(), 0);
  LidarJNI::c_Lidar_start();
  EXPECT_EQ(sim::openSerialHandles(), 1);
  EXPECT_TRUE(readsThePort()) << "a final start scans";
}

TEST_F(LidarLifecycleTest, AHungUpLidarKeepsItsTableButItsAgeGrows) {
  // The port is a link that goes with the device, as a USB adapter's does: the LiDAR tries to open
  // it again, and the terminal's number, once free, may be another program's terminal.
  const std::string port =
      testing::TempDir() + "korvane-lidar-hangup-" + std::to_string(::getpid());
  ::unlink(port.c_str());
  ASSERT_EQ(::symlink(room->path().c_str(), port.c_str()), 0);
  ASSERT_TRUE(sim::mapSerialPort(number(kPort), port));
  lidar.emplace(kPort);
  ASSERT_TRUE(test::waitUntil([&] { return validSlots(*lidar) >= 300; }, 10s));
  // About seven turns a second, each sent in many packets: a streaming LiDAR stays young.
  ASSERT_TRUE(test::waitUntil([&] {
    int64_t age = lidar->GetDataAgeMs();
    return age >= 0 && age < 200;
  }));
  ::unlink(port.c_str());
  room->hangUp();
  EXPECT_TRUE(test::waitUntil([&] { return lidar->GetDataAgeMs() >= 1000; }, 10s));
  EXPECT_GE(validSlots(*lidar), 300) << "the last points stay";
}

// The worker an opening replaces ends without touching the port opened for its successor: it used
// to read the new, not yet configured handle and hold the opening for that port's whole default
// timeout (5 s) when the old port was silent.
TEST_F(LidarLifecycleTest, AnOpeningReplacingALidarOnASilentPortDoesNotWaitOutTheNewPort) {
  test::PseudoTerminal silent;
  ASSERT_TRUE(silent.ok());
  sim::mapSerialPort(number(kPort), silent.path());
  lidar.emplace(kPort);
  ASSERT_EQ(sim::openSerialHandles(), 1);
  std::this_thread::sleep_for(200ms);  // the worker is waiting in a read of the silent port
  test::PseudoTerminal next;
  ASSERT_TRUE(next.ok());
  sim::mapSerialPort(number(kNextPort), next.path());
  auto start = std::chrono::steady_clock::now();
  Lidar replacing(kNextPort);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
  EXPECT_FALSE(lidar->IsOpen()) << "replaced";
  EXPECT_TRUE(replacing.IsOpen());
  EXPECT_EQ(sim::openSerialHandles(), 1);
  EXPECT_EQ(sim::serialSettings(lastOpenedHandle()).path, next.path());
}

}  // namespace
