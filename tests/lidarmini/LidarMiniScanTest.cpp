// Scanning on a real pseudo-terminal: revolutions published when the next one begins, queries
// refused while scanning, a runaway revolution without start packets, starting twice, destroy
// while scanning, and a device that hangs up or falls silent.

#include <dirent.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <set>

#include "LidarMiniFixture.h"
#include "PacketBytes.h"
#include "ReportLog.h"
#include "ThreadCpu.h"
#include "Wait.h"

using namespace korvane::test::lidarmini;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
namespace test = korvane::test;

namespace {

int64_t nowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
      .count();
}

// Descriptors of this process open on the path.
int descriptorsOpenOn(const std::string& path) {
  int count = 0;
  DIR* dir = opendir("/proc/self/fd");
  while (dirent* entry = dir ? readdir(dir) : nullptr) {
    char target[PATH_MAX];
    std::string link = std::string("/proc/self/fd/") + entry->d_name;
    ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
    if (n > 0 && std::string(target, static_cast<size_t>(n)) == path) ++count;
  }
  if (dir) closedir(dir);
  return count;
}

class LidarMiniScanTest : public LidarMiniTest {
 protected:
  // Starts scanning and waits until the worker reads what is written: start packets are sent
  // until one revolution of a single point (0.999 m) is published, so bytes sent before the
  // worker dropped what came ahead of it cannot be lost to the test.
  std::vector<pid_t> startScanning(LidarMiniJNI& lidar) {
    auto before = test::threadIds();
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    lidar.c_LidarMini_start();
    korvane::test::withoutReports(testing::internal::GetCapturedStderr());
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(device_.readAtLeast(2), "\xA5\x60");
    EXPECT_TRUE(lidar.isScanning());
    auto worker = test::threadsStartedSince(before);
    LidarMiniJNI::ScanData scan = lidar.c_LidarMini_getData();
    EXPECT_EQ(scan.timestampNs, 0) << "nothing before the second start packet";
    EXPECT_TRUE(scan.points.empty());
    bool reading = false;
    for (int attempt = 0; attempt < 50 && !reading; ++attempt) {
      EXPECT_TRUE(device_.write(startPacket(999)));
      reading =
          test::waitUntil([&] { return lidar.c_LidarMini_getData().timestampNs != 0; }, 100ms);
    }
    EXPECT_TRUE(reading);
    return worker;
  }
  bool waitForPoints(LidarMiniJNI& lidar, size_t count) {
    return test::waitUntil([&] { return lidar.c_LidarMini_getData().points.size() == count; });
  }
};

TEST_F(LidarMiniScanTest, ARevolutionIsPublishedWhenTheNextOneStarts) {
  Lidar lidar = open();
  ASSERT_NE(lidar, nullptr);
  EXPECT_EQ(lidar->c_LidarMini_getData().timestampNs, 0) << "not scanning";
  startScanning(*lidar);

  int64_t primer = lidar->c_LidarMini_getData().timestampNs;
  int64_t beforeFirst = nowNs();
  ASSERT_TRUE(device_.write(startPacket(1000)));
  ASSERT_TRUE(device_.write(packet(false, 10, 12, samples(3, 1100))));
  ASSERT_TRUE(device_.write(packet(false, 20, 22, samples(3, 1200))));
  // The first start packet publishes the primer's last revolution once more.
  ASSERT_TRUE(test::waitUntil([&] { return lidar->c_LidarMini_getData().timestampNs != primer; }));
  int64_t afterFirst = nowNs();
  LidarMiniJNI::ScanData earlier = lidar->c_LidarMini_getData();
  ASSERT_EQ(earlier.points.size(), 1u) << "still the revolution before";
  EXPECT_FLOAT_EQ(earlier.points[0].distance, 0.999f);
  EXPECT_LT(earlier.timestampNs, beforeFirst);

  ASSERT_TRUE(device_.write(startPacket(2000)));
  ASSERT_TRUE(waitForPoints(*lidar, 7));
  LidarMiniJNI::ScanData first = lidar->c_LidarMini_getData();
  EXPECT_GE(first.timestampNs, beforeFirst);
  EXPECT_LE(first.timestampNs, afterFirst) << "the time its start packet was decoded";
  const float distances[] = {1.0f, 1.1f, 1.101f, 1.102f, 1.2f, 1.201f, 1.202f};
  const float angles[] = {0.0078125f,  10.0078125f, 11.0078125f, 12.0078125f,
                          20.0078125f, 21.0078125f, 22.0078125f};
  for (size_t i = 0; i < 7; ++i) {
    EXPECT_FLOAT_EQ(first.points[i].distance, distances[i]) << i;
    EXPECT_FLOAT_EQ(first.points[i].angle, angles[i]) << i;
  }

  ASSERT_TRUE(device_.write(packet(false, 30, 31, samples(2, 2100)) + startPacket(3000)));
  ASSERT_TRUE(waitForPoints(*lidar, 3));
  LidarMiniJNI::ScanData second = lidar->c_LidarMini_getData();
  EXPECT_GT(second.timestampNs, afterFirst);
  EXPECT_FLOAT_EQ(second.points[0].distance, 2.0f);
  EXPECT_FLOAT_EQ(second.points[2].distance, 2.101f);

  testing::internal::CaptureStdout();
  lidar->c_LidarMini_stop();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "[LidarMini] Scanning stopped\n");
  LidarMiniJNI::ScanData stopped = lidar->c_LidarMini_getData();
  EXPECT_EQ(stopped.timestampNs, 0);
  EXPECT_TRUE(stopped.points.empty());
}

TEST_F(LidarMiniScanTest, QueriesWhileScanningReturnZerosAtOnceWithoutTouchingThePort) {
  Lidar lidar = open();
  ASSERT_NE(lidar, nullptr);
  startScanning(*lidar);
  ASSERT_TRUE(device_.write(startPacket(1000) + packet(false, 10, 11, samples(2, 500))));

  testing::internal::CaptureStderr();
  auto start = Clock::now();
  LidarMiniJNI::LidarInfo info = lidar->c_LidarMini_getInfo();
  LidarMiniJNI::LidarHealth health = lidar->c_LidarMini_getHealth();
  auto took = Clock::now() - start;
  EXPECT_EQ(korvane::test::withoutReports(testing::internal::GetCapturedStderr()),
            "[LidarMini] getInfo needs scanning stopped: its answer would be lost in the scan "
            "stream\n"
            "[LidarMini] getHealth needs scanning stopped: its answer would be lost in the scan "
            "stream\n");
  EXPECT_LT(took, 1s) << "no waiting for an answer";
  EXPECT_EQ(info.model, 0);
  EXPECT_EQ(health.status, 0);
  EXPECT_EQ(device_.readUntilQuiet(), "") << "no query sent";

  // The scan stream was not disturbed: the revolution arrives whole.
  ASSERT_TRUE(device_.write(startPacket(1500)));
  ASSERT_TRUE(waitForPoints(*lidar, 3));
}

TEST_F(LidarMiniScanTest, ARunawayRevolutionIsDroppedInsteadOfPublished) {
  Lidar lidar = open();
  ASSERT_NE(lidar, nullptr);
  startScanning(*lidar);
  ASSERT_TRUE(
      device_.write(startPacket(1000) + packet(false, 1, 5, samples(5, 600)) + startPacket(1000)));
  ASSERT_TRUE(waitForPoints(*lidar, 6));
  int64_t published = lidar->c_LidarMini_getData().timestampNs;

  // No start packet for far more points than a revolution holds, then one.
  std::string runaway;
  for (size_t sent = 0; sent <= LidarMiniJNI::kMaxRevolutionPoints; sent += 40) {
    runaway += packet(false, 10, 50, samples(40, 3000));
  }
  ASSERT_TRUE(device_.write(runaway + startPacket(1000)));
  ASSERT_TRUE(test::waitUntil([&] { return device_.pendingInput() == 0; }));
  EXPECT_FALSE(
      test::waitUntil([&] { return lidar->c_LidarMini_getData().timestampNs != published; }, 300ms))
      << "the runaway revolution must not be published";
  EXPECT_EQ(lidar->c_LidarMini_getData().points.size(), 6u);

  // Gathering goes on with the next whole revolution.
  ASSERT_TRUE(device_.write(packet(false, 1, 2, samples(2, 700)) + startPacket(1000)));
  ASSERT_TRUE(waitForPoints(*lidar, 3));
}

TEST_F(LidarMiniScanTest, StartingTwiceKeepsTheFirstWorker) {
  Lidar lidar = open();
  ASSERT_NE(lidar, nullptr);
  auto worker = startScanning(*lidar);
  ASSERT_EQ(worker.size(), 1u);
  auto before = test::threadIds();
  testing::internal::CaptureStderr();
  lidar->c_LidarMini_start();
  EXPECT_EQ(korvane::test::withoutReports(testing::internal::GetCapturedStderr()),
            "[LidarMini] Already scanning\n");
  EXPECT_TRUE(test::threadsStartedSince(before).empty());
  EXPECT_EQ(test::threadIds().count(worker[0]), 1u);
  EXPECT_EQ(device_.readUntilQuiet(), "") << "no second start command";
}

TEST_F(LidarMiniScanTest, StartConfirmsBytesThatArriveAfterTheStartCommand) {
  Lidar lidar = open();
  ASSERT_NE(lidar, nullptr);
  std::thread device([&] {
    device_.readAtLeast(2);
    device_.write(startPacket(1000));
  });
  testing::internal::CaptureStdout();
  lidar->c_LidarMini_start();
  device.join();
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "[LidarMini] Confirmed: 13 bytes received after scan start.\n"
            "[LidarMini] Scanning started\n");
}

TEST_F(LidarMiniScanTest, DestroyWhileScanningJoinsTheWorkerAndClosesThePortWithoutAStop) {
  Lidar lidar = open();
  ASSERT_NE(lidar, nullptr);
  auto worker = startScanning(*lidar);
  ASSERT_EQ(worker.size(), 1u);
  ASSERT_EQ(descriptorsOpenOn(device_.path()), 2) << "the driver's and the test's own";
  testing::internal::CaptureStdout();
  LidarMiniJNI::c_LidarMini_destroy(lidar.release());
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "[LidarMini] Destroyed\n");
  // A joined thread can stay listed in /proc a moment longer (most of all under qemu).
  EXPECT_TRUE(test::waitUntil([&] { return test::threadIds().count(worker[0]) == 0; }))
      << "worker joined";
  EXPECT_EQ(descriptorsOpenOn(device_.path()), 1) << "port closed";
  EXPECT_EQ(device_.readUntilQuiet(), "") << "no stop command";
}

}  // namespace

// With every descriptor taken, the worker's stop signal cannot be made: start reports it, leaves
// the LiDAR idle and tells the device to stop again; nothing is thrown to the caller.
TEST_F(LidarMiniScanTest, AWorkerThatCannotStartLeavesTheLidarIdle) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the sanitizers' own checks need free descriptors";
#endif
  Lidar lidar = open();
  ASSERT_NE(lidar, nullptr);
  testing::internal::CaptureStderr();
  testing::internal::CaptureStdout();
  std::vector<int> taken;
  for (int fd; (fd = dup(0)) >= 0;) taken.push_back(fd);
  lidar->c_LidarMini_start();
  for (int fd : taken) close(fd);
  std::string out = testing::internal::GetCapturedStdout();
  std::string err = korvane::test::withoutReports(testing::internal::GetCapturedStderr());
  EXPECT_FALSE(lidar->isScanning());
  EXPECT_NE(err.find("[LidarMini] Cannot start the scanning thread: "), std::string::npos) << err;
  EXPECT_EQ(out.find("Scanning started"), std::string::npos) << out;
  EXPECT_EQ(device_.readAtLeast(4), "\xA5\x60\xA5\x65");
  EXPECT_TRUE(lidar->c_LidarMini_getData().points.empty());
}
