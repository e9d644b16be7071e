// The LiDAR driver on a pseudo-terminal behind the serial-port stand-in: port set-up, packets to
// table, the singleton's life (failed create, destroy, replacement, stop and start), the error
// lines, and the filter switches.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "LidarJNI.h"
#include "LidarPacketBytes.h"
#include "PseudoTerminal.h"
#include "ReportLog.h"
#include "ThreadCpu.h"
#include "Wait.h"
#include "korvane/Lidar.h"
#include "korvane/sim/Serial.h"
#include "sim/lidar/LidarRoomSim.h"

using namespace korvane;
using sim::SerialCall;
using test::bytesOf;
using test::lidarPacket;

namespace {

constexpr SerialPort kLidarPort = SerialPort::kUSB1;
constexpr int kPort = static_cast<int>(kLidarPort);
constexpr int kOtherPort = static_cast<int>(SerialPort::kUSB2);
const std::string kExample =
    bytesOf({0xAA, 0x55, 0x00, 0x02, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0xA0, 0x0F, 0x90, 0x01});

// The statics' table, for their own cases.
float distanceAt(int k) {
  return LidarJNI::c_Lidar_getData()[LidarJNI::kSlots + k];
}

// The slot a scan-start sample at the start angle lands in, after the correction for its distance.
int slotFor(double startDegrees, double mm) {
  double corrected = startDegrees + std::atan(21.8 * (155.3 - mm) / (155.3 * mm)) * 180.0 / M_PI;
  return static_cast<int>(std::fmod(corrected + 360.0, 360.0));
}

// What the thread waits in, from the kernel ("futex_do_wait" for a lock or condition, a poll
// for a read); empty once the thread has ended.
std::string waitChannelOf(pid_t tid) {
  std::ifstream file("/proc/self/task/" + std::to_string(tid) + "/wchan");
  std::string channel;
  std::getline(file, channel);
  return channel;
}

size_t countOf(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// The handle of the port opened last (since the call records were last cleared), or 0.
int32_t lastOpenedHandle(int* port = nullptr) {
  int32_t handle = 0;
  for (const auto& call : sim::serialCalls()) {
    if (call.call != SerialCall::Initialize || call.status != 0) continue;
    handle = call.handle;
    if (port != nullptr) *port = call.port;
  }
  return handle;
}

size_t callsOf(SerialCall call, bool failedOnly = false) {
  auto calls = sim::serialCalls();
  return std::count_if(calls.begin(), calls.end(), [&](const sim::SerialCallRecord& c) {
    return c.call == call && (!failedOnly || c.status != 0);
  });
}

class LidarDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::resetSerial();
    ASSERT_TRUE(terminal.ok());
    ASSERT_TRUE(sim::mapSerialPort(kPort, terminal.path()));
  }
  void TearDown() override {
    lidar.reset();
    LidarJNI::c_Lidar_stop();
  }

  // Opens the LiDAR on the terminal (replacing the one before, as a robot program's new Lidar
  // does) and waits until its worker has configured the port.
  void openConfigured() {
    configuredAfter([&] {
      Lidar next(kLidarPort);
      lidar = std::move(next);
    });
  }
  // The same through the statics, for their own cases.
  void createConfigured() {
    configuredAfter([] { LidarJNI::c_Lidar_create(kPort); });
  }

  // The open LiDAR's table: degree k's angle and distance.
  float angle(int k) { return table().angle[static_cast<size_t>(k)]; }
  float distance(int k) { return table().distance[static_cast<size_t>(k)]; }
  Lidar::ScanData table() {
    Lidar::ScanData data;
    EXPECT_TRUE(lidar.has_value() && lidar->GetData(data));
    return data;
  }

  test::PseudoTerminal terminal;
  std::optional<Lidar> lidar;

 private:
  template <class Open>
  void configuredAfter(Open&& open) {
    sim::clearSerialCalls();
    open();
    ASSERT_TRUE(sim::waitForSerialCalls(
        [](const auto& calls) {
          return std::any_of(calls.begin(), calls.end(), [](const sim::SerialCallRecord& c) {
            return c.call == SerialCall::DisableTermination;
          });
        },
        std::chrono::seconds(5)));
  }
};

// The statics' own case: their table and settings before any create.
TEST_F(LidarDriverTest, BeforeAnyCreateTheTableIsEmptyAndConfigurationDoesNothing) {
  LidarJNI::c_Lidar_kalmanConfig(1, 1, 1);
  LidarJNI::c_Lidar_medianConfig(3);
  LidarJNI::c_Lidar_movingAverageConfig(3);
  LidarJNI::c_Lidar_jitterConfig(10);
  LidarJNI::c_Lidar_clusterConfig(10, 2);
  LidarJNI::c_Lidar_destroy();
  auto data = LidarJNI::c_Lidar_getData();
  for (int k = 0; k < LidarJNI::kSlots; ++k) {
    EXPECT_EQ(data[k], static_cast<float>(k));
    EXPECT_EQ(data[LidarJNI::kSlots + k], -1.0f);
  }
  // Cluster parameters set before create are overwritten by its defaults.
  createConfigured();
  EXPECT_EQ(LidarJNI::distanceThreshold, 50.0f);
  EXPECT_EQ(LidarJNI::minClusterSize, 5);
}

TEST_F(LidarDriverTest, CreateOpensThePortAndTheWorkerConfiguresItInOrder) {
  openConfigured();
  // The previous test's LiDAR is replaced meanwhile: the calls that end it (its last read, the
  // close of its port) may come between these.
  auto all = sim::serialCalls();
  auto open = std::find_if(all.begin(), all.end(), [](const sim::SerialCallRecord& c) {
    return c.call == SerialCall::Initialize;
  });
  ASSERT_NE(open, all.end());
  EXPECT_EQ(open->port, kPort);
  EXPECT_EQ(open->status, 0);
  const int32_t handle = open->handle;
  std::vector<sim::SerialCallRecord> calls;
  std::copy_if(all.begin(), all.end(), std::back_inserter(calls),
               [&](const sim::SerialCallRecord& c) { return c.handle == handle; });
  ASSERT_GE(calls.size(), 8u);
  const SerialCall order[] = {SerialCall::SetBaudRate,       SerialCall::SetDataBits,
                              SerialCall::SetParity,         SerialCall::SetStopBits,
                              SerialCall::SetTimeout,        SerialCall::SetWriteMode,
                              SerialCall::DisableTermination};
  const double values[] = {115200, 8, 0, 10, 1.0, 1, 0};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(calls[i + 1].call, order[i]) << "step " << i + 1;
    EXPECT_EQ(calls[i + 1].handle, handle);
    EXPECT_DOUBLE_EQ(calls[i + 1].value, values[i]) << "step " << i + 1;
  }
  sim::SerialSettings settings = sim::serialSettings(handle);
  EXPECT_EQ(settings.baudRate, 115200);
  EXPECT_EQ(settings.dataBits, 8);
  EXPECT_EQ(settings.parity, 0);
  EXPECT_EQ(settings.stopBits, 10);
  EXPECT_DOUBLE_EQ(settings.timeoutSeconds, 1.0);
  EXPECT_EQ(lastOpenedHandle(), handle);
  // Nothing is ever sent to the device.
  EXPECT_EQ(callsOf(SerialCall::Write), 0u);
}

TEST_F(LidarDriverTest, PacketsReachTheTableWhereverTheReadsCutThem) {
  openConfigured();
  ASSERT_TRUE(terminal.write(kExample));
  ASSERT_TRUE(test::waitUntil([&] { return distance(353) == 1000.0f; }));
  EXPECT_NEAR(angle(353), 353.238f, 1e-3);
  EXPECT_NEAR(angle(14), 14.439f, 1e-3);
  EXPECT_EQ(distance(14), -1.0f);

  // Garbage, then a packet whose first half the worker reads before the second half is sent.
  std::string packet = lidarPacket(0x01, 100 * 128, 100 * 128, {8000});  // 2000 mm
  ASSERT_TRUE(terminal.write(bytesOf({0x01, 0xAA, 0x13}) + packet.substr(0, 7)));
  ASSERT_TRUE(test::waitUntil([&] { return terminal.pendingInput() == 0; }));
  ASSERT_TRUE(terminal.write(packet.substr(7)));
  ASSERT_TRUE(test::waitUntil([&] { return distance(slotFor(100, 2000)) == 2000.0f; }));

  // Several packets in one write.
  ASSERT_TRUE(terminal.write(lidarPacket(0x01, 200 * 128, 200 * 128, {6000}) +
                             lidarPacket(0x01, 250 * 128, 250 * 128, {6400})));
  ASSERT_TRUE(test::waitUntil([&] { return distance(slotFor(250, 1600)) == 1600.0f; }));
  EXPECT_EQ(distance(slotFor(200, 1500)), 1500.0f);
}

TEST_F(LidarDriverTest, AnglesBeyond360NeverLeaveTheTable) {
  openConfigured();
  ASSERT_TRUE(terminal.write(bytesOf(
      {0xAA, 0x55, 0x00, 0x02, 0xC0, 0xB3, 0x80, 0xB3, 0x00, 0x00, 0x04, 0x00, 0x04, 0x00})));
  ASSERT_TRUE(test::waitUntil([&] { return std::floor(angle(86)) == 86.0f; }));
  const Lidar::ScanData data = table();
  for (int k = 0; k < Lidar::kSlots; ++k) EXPECT_EQ(std::floor(data.angle[k]), k);
}

TEST_F(LidarDriverTest, StartWhileScanningChangesNothing) {
  openConfigured();
  testing::internal::CaptureStderr();
  lidar->Start();
  EXPECT_EQ(korvane::test::withoutReports(testing::internal::GetCapturedStderr()),
            "Lidar sensor is already scanning\n");
  EXPECT_EQ(callsOf(SerialCall::Initialize), 1u);
}

// The statics' own case: a create whose port does not open, by port number.
TEST_F(LidarDriverTest, AFailedCreateLeavesThePreviousObjectReadingItsPort) {
  createConfigured();
  sim::failSerialCalls(SerialCall::Initialize, -1234, 1);
  testing::internal::CaptureStderr();
  LidarJNI::c_Lidar_create(kPort);
  EXPECT_EQ(korvane::test::withoutReports(testing::internal::GetCapturedStderr()),
            "Error initializing serial port: -1234\n");
  // Its own port, reopened and configured again.
  int reopened = -1;
  const int32_t handle = lastOpenedHandle(&reopened);
  EXPECT_EQ(reopened, kPort);
  EXPECT_EQ(sim::openSerialHandles(), 1);
  EXPECT_EQ(sim::serialSettings(handle).baudRate, 115200);
  ASSERT_TRUE(terminal.write(kExample));
  EXPECT_TRUE(test::waitUntil([] { return distanceAt(353) == 1000.0f; }));

  // A path that cannot be opened reports the open's status.
  sim::mapSerialPort(kOtherPort, "/nonexistent/ttyKorvane");
  testing::internal::CaptureStderr();
  LidarJNI::c_Lidar_create(kOtherPort);
  EXPECT_EQ(korvane::test::withoutReports(testing::internal::GetCapturedStderr()),
            "Error initializing serial port: -2\n");
  EXPECT_EQ(sim::openSerialHandles(), 1);
  // A port number the controller does not have, as Java may pass it.
  testing::internal::CaptureStderr();
  LidarJNI::c_Lidar_create(-7);
  EXPECT_EQ(korvane::test::withoutReports(testing::internal::GetCapturedStderr()),
            "Error initializing serial port: -1028\n");
  EXPECT_EQ(sim::openSerialHandles(), 1);
  EXPECT_EQ(sim::serialSettings(lastOpenedHandle()).path, terminal.path());
  ASSERT_TRUE(terminal.write(lidarPacket(0x01, 100 * 128, 100 * 128, {8000})));
  EXPECT_TRUE(test::waitUntil([] { return distanceAt(slotFor(100, 2000)) == 2000.0f; }));
}

// The statics' own case: their settings outlive a failed create.
TEST_F(LidarDriverTest, AFailedCreateAfterStopLeavesTheLidarStoppedWithItsSettings) {
  createConfigured();
  LidarJNI::c_Lidar_enableFilter(3, true);
  LidarJNI::c_Lidar_clusterConfig(80.0f, 7);
  LidarJNI::c_Lidar_stop();
  sim::mapSerialPort(kOtherPort, "/nonexistent/ttyKorvane");
  testing::internal::CaptureStderr();
  LidarJNI::c_Lidar_create(kOtherPort);
  EXPECT_EQ(korvane::test::withoutReports(testing::internal::GetCapturedStderr()),
            "Error initializing serial port: -2\n");
  EXPECT_EQ(sim::openSerialHandles(), 0);
  // The settings stay those of the LiDAR opened before.
  EXPECT_TRUE(LidarJNI::medianFilterEnabled.load());
  EXPECT_EQ(LidarJNI::distanceThreshold, 80.0f);

  // Start (not refused: the LiDAR is stopped) reopens the LiDAR's own port and its worker reads
  // it again.
  sim::clearSerialCalls();
  testing::internal::CaptureStderr();
  LidarJNI::c_Lidar_start();
  EXPECT_EQ(korvane::test::withoutReports(testing::internal::GetCapturedStderr()), "");
  int reopened = -1;
  EXPECT_NE(lastOpenedHandle(&reopened), 0);
  EXPECT_EQ(reopened, kPort);
  EXPECT_EQ(sim::openSerialHandles(), 1);
  ASSERT_TRUE(terminal.write(kExample));
  EXPECT_TRUE(test::waitUntil([] { return distanceAt(353) == 1000.0f; }));
}

// The statics' own rule: destroy does nothing.
TEST_F(LidarDriverTest, DestroyLeavesTheWorkerRunning) {
  createConfigured();
  LidarJNI::c_Lidar_destroy();
  ASSERT_TRUE(terminal.write(kExample));
  EXPECT_TRUE(test::waitUntil([] { return distanceAt(353) == 1000.0f; }));
}

TEST_F(LidarDriverTest, ReplacementJoinsTheOldWorkerAndClosesItsPort) {
  auto before = test::threadIds();
  openConfigured();
  auto first = test::threadsStartedSince(before);
  ASSERT_EQ(first.size(), 1u);
  ASSERT_TRUE(terminal.write(kExample));
  ASSERT_TRUE(test::waitUntil([&] { return distance(353) == 1000.0f; }));

  // The old worker sits in a read of a silent port; the new opening still returns.
  auto start = std::chrono::steady_clock::now();
  openConfigured();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  // The old worker is joined; its /proc entry can outlive the join a moment (most of all under
  // qemu).
  std::vector<pid_t> now;
  ASSERT_TRUE(test::waitUntil([&] {
    now = test::threadsStartedSince(before);
    return now.size() == 1;
  })) << now.size()
      << " workers";
  EXPECT_NE(now[0], first[0]);
  EXPECT_EQ(sim::openSerialHandles(), 1);
  EXPECT_EQ(distance(353), -1.0f);  // a fresh table
  ASSERT_TRUE(terminal.write(kExample));
  EXPECT_TRUE(test::waitUntil([&] { return distance(353) == 1000.0f; }));
}

// The statics' own case: a copy of the one table racing creates on another thread.
TEST_F(LidarDriverTest, GetDataDuringReplacementNeverReadsAFreedTable) {
  // A streaming port keeps each worker's read short, so each replaced object is freed soon
  // after the swap, while getData keeps copying on another thread.
  auto room = sim::LidarRoomSim::start();
  ASSERT_TRUE(room);
  sim::mapSerialPort(kPort, room->path());
  createConfigured();
  std::atomic<bool> done{false};
  std::atomic<int> copies{0};
  std::thread reader([&] {
    while (!done.load()) {
      auto data = LidarJNI::c_Lidar_getData();
      EXPECT_EQ(std::floor(data[7]), 7.0f);
      ++copies;
    }
  });
  // The reader copies before and while the replacements run (on a busy machine the replacements
  // could otherwise all be over before the reader is scheduled).
  EXPECT_TRUE(test::waitUntil([&] { return copies.load() > 0; }));
  const int before = copies.load();
  for (int i = 0; i < 10; ++i) LidarJNI::c_Lidar_create(kPort);
  EXPECT_TRUE(test::waitUntil([&] { return copies.load() > before; }));
  done.store(true);
  reader.join();
}

TEST_F(LidarDriverTest, StopClosesThePortAndStartResumesTheWorker) {
  auto before = test::threadIds();
  openConfigured();
  auto worker = test::threadsStartedSince(before);
  ASSERT_EQ(worker.size(), 1u);
  ASSERT_TRUE(terminal.write(kExample));
  ASSERT_TRUE(test::waitUntil([&] { return distance(353) == 1000.0f; }));
  lidar->Stop();
  EXPECT_EQ(sim::openSerialHandles(), 0);
  // The worker leaves its read of the closed port and waits for start, without ending.
  ASSERT_TRUE(test::waitUntil([&] {
    return waitChannelOf(worker[0]).find("futex") != std::string::npos;
  })) << "the worker waits in "
      << waitChannelOf(worker[0]);

  sim::clearSerialCalls();
  lidar->Start();
  EXPECT_EQ(sim::openSerialHandles(), 1);
  // The reopened handle is configured as the worker configured the first.
  const int32_t reopened = lastOpenedHandle();
  std::vector<SerialCall> configuration;
  for (const auto& call : sim::serialCalls()) {
    if (call.handle == reopened) configuration.push_back(call.call);
  }
  ASSERT_GE(configuration.size(), 8u);
  EXPECT_EQ(configuration[0], SerialCall::Initialize);
  EXPECT_EQ(configuration[1], SerialCall::SetBaudRate);
  EXPECT_EQ(configuration[7], SerialCall::DisableTermination);
  ASSERT_TRUE(terminal.write(lidarPacket(0x01, 100 * 128, 100 * 128, {8000})));
  EXPECT_TRUE(test::waitUntil([&] { return distance(slotFor(100, 2000)) == 2000.0f; }));
}

TEST_F(LidarDriverTest, AStartRightAfterStopIsNotAFailingPort) {
  openConfigured();
  // The worker may still hold the handle stop closed when start sets scanning again, before
  // start has opened the next (under the same handle, as the controller gives it).
  testing::internal::CaptureStderr();
  for (int k = 0; k < 200; ++k) {
    lidar->Stop();
    lidar->Start();
  }
  EXPECT_EQ(korvane::test::withoutReports(testing::internal::GetCapturedStderr()), "");
  EXPECT_EQ(sim::openSerialHandles(), 1);
  EXPECT_EQ(lidar->GetFaults().receiveFailures, 0u) << "a closed opening's failure counted";
  ASSERT_TRUE(terminal.write(kExample));
  EXPECT_TRUE(test::waitUntil([&] { return distance(353) == 1000.0f; }));
}

// The controller gives a port the same handle at every opening: a part packet read before the
// port was lost is no start for the bytes of the next opening.
TEST_F(LidarDriverTest, APartPacketFromBeforeALostPortIsDropped) {
  openConfigured();
  const int32_t handle = lastOpenedHandle();
  const std::string cutShort = lidarPacket(0x01, 100 * 128, 100 * 128, {8000});
  sim::clearSerialCalls();
  ASSERT_TRUE(terminal.write(cutShort.substr(0, 7)));
  ASSERT_TRUE(test::waitUntil([] {
    int32_t read = 0;
    for (const auto& call : sim::serialCalls()) {
      if (call.call == SerialCall::Read && call.result > 0) read += call.result;
    }
    return read == 7;
  })) << "the worker holds the part packet";

  // Unplugged, and back on another terminal.
  test::PseudoTerminal next;
  ASSERT_TRUE(next.ok());
  ASSERT_TRUE(sim::mapSerialPort(kPort, next.path()));
  sim::clearSerialCalls();
  testing::internal::CaptureStderr();
  terminal.hangUp();
  const bool reopened = test::waitUntil([] { return lastOpenedHandle() != 0; });
  testing::internal::GetCapturedStderr();
  ASSERT_TRUE(reopened);
  EXPECT_EQ(lastOpenedHandle(), handle);

  ASSERT_TRUE(next.write(kExample));
  EXPECT_TRUE(test::waitUntil([&] { return distance(353) == 1000.0f; }));
  EXPECT_EQ(distance(slotFor(100, 2000)), -1.0f);
}

// The roboRIO's HAL reports a handle error negative and the tty's own failure as errno, positive
// (an unplugged USB port's EIO): either fails the poll.
TEST_F(LidarDriverTest, AFailingPortPrintsOneLinePerRunOfFailures) {
  openConfigured();
  for (int32_t failure : {sim::kSerialHandleError, int32_t{EIO}}) {
    sim::clearSerialCalls();
    testing::internal::CaptureStderr();
    sim::failSerialCalls(SerialCall::GetBytesReceived, failure);
    bool polled = test::waitUntil([] { return callsOf(SerialCall::GetBytesReceived, true) >= 5; },
                                  std::chrono::seconds(10));
    sim::clearSerialFailures();
    std::string errors = korvane::test::withoutReports(testing::internal::GetCapturedStderr());
    ASSERT_TRUE(polled) << failure;
    EXPECT_EQ(countOf(errors, "Error getting serial bytes: " + std::to_string(failure) + "\n"), 1u)
        << errors;
    ASSERT_TRUE(terminal.write(kExample));
    EXPECT_TRUE(test::waitUntil([] {
      auto calls = sim::serialCalls();
      return std::any_of(calls.begin(), calls.end(), [](const sim::SerialCallRecord& c) {
        return c.call == SerialCall::Read && c.result > 0;
      });
    })) << "reading again after "
        << failure;
    EXPECT_TRUE(test::waitUntil([&] { return distance(353) == 1000.0f; }));
  }
}

TEST_F(LidarDriverTest, AStartWhosePortDoesNotOpenLeavesTheLidarStoppedForTheNext) {
  openConfigured();
  lidar->Stop();
  sim::failSerialCalls(SerialCall::Initialize, -5, 1);
  testing::internal::CaptureStderr();
  lidar->Start();
  EXPECT_EQ(korvane::test::withoutReports(testing::internal::GetCapturedStderr()),
            "Error initializing serial port: -5\n");
  EXPECT_EQ(sim::openSerialHandles(), 0);
  // Still stopped: the next start is not refused as "already scanning", and opens the port.
  testing::internal::CaptureStderr();
  lidar->Start();
  EXPECT_EQ(korvane::test::withoutReports(testing::internal::GetCapturedStderr()), "");
  EXPECT_EQ(sim::openSerialHandles(), 1);
  ASSERT_TRUE(terminal.write(kExample));
  EXPECT_TRUE(test::waitUntil([&] { return distance(353) == 1000.0f; }));
}

TEST_F(LidarDriverTest, ASilentPortIsWaitedOnInsideTheRead) {
  openConfigured();
  sim::clearSerialCalls();
  // Two reads that ended by the port's timeout, with nothing else in between but their polls.
  ASSERT_TRUE(test::waitUntil(
      [] {
        auto calls = sim::serialCalls();
        return std::count_if(calls.begin(), calls.end(), [](const sim::SerialCallRecord& c) {
                 return c.call == SerialCall::Read && c.result == 0;
               }) >= 2;
      },
      std::chrono::seconds(10)));
  EXPECT_LE(callsOf(SerialCall::GetBytesReceived), callsOf(SerialCall::Read) + 1);
  for (const auto& call : sim::serialCalls()) {
    if (call.call == SerialCall::Read) {
      EXPECT_EQ(call.value, 1);  // one byte asked when silent
    }
  }
}

// The statics' own values: the filter switches.
TEST_F(LidarDriverTest, FilterSwitchesAreExclusive) {
  createConfigured();
  LidarJNI::c_Lidar_enableFilter(1, true);
  EXPECT_TRUE(LidarJNI::kalmanFilterEnabled.load());
  LidarJNI::c_Lidar_enableFilter(3, true);
  EXPECT_TRUE(LidarJNI::medianFilterEnabled.load());
  EXPECT_FALSE(LidarJNI::kalmanFilterEnabled.load());
  LidarJNI::c_Lidar_enableFilter(7, true);
  EXPECT_TRUE(LidarJNI::medianFilterEnabled.load());
  LidarJNI::c_Lidar_enableFilter(3, false);
  EXPECT_FALSE(LidarJNI::clusterFilterEnabled.load() || LidarJNI::kalmanFilterEnabled.load() ||
               LidarJNI::movingAverageFilterEnabled.load() ||
               LidarJNI::medianFilterEnabled.load() || LidarJNI::jitterFilterEnabled.load());
  LidarJNI::c_Lidar_enableFilter(4, true);
  createConfigured();  // a new create switches every filter off
  EXPECT_FALSE(LidarJNI::jitterFilterEnabled.load());
}

TEST_F(LidarDriverTest, FilteredPointsAndARefusedKalmanConfiguration) {
  openConfigured();
  lidar->EnableFilter(Lidar::Filter::kKalman, true);
  lidar->KalmanConfig(1e-5f, 0.0f, 0.0f);  // no gain: refused, the defaults stay
  // The degree's estimate starts at its first valid distance, then moves by the gain.
  ASSERT_TRUE(terminal.write(lidarPacket(0x01, 100 * 128, 100 * 128, {4000})));  // 1000 mm
  ASSERT_TRUE(test::waitUntil([&] { return distance(93) != -1.0f; }));
  EXPECT_EQ(distance(93), 1000.0f);
  ASSERT_TRUE(terminal.write(lidarPacket(0x01, 100 * 128, 100 * 128, {4400})));  // 1100 mm
  ASSERT_TRUE(test::waitUntil([&] { return distance(93) != 1000.0f; }));
  EXPECT_NEAR(distance(93), 1000.0f + 100.0f / 1.1f, 0.01);

  // Median of the degree's history 1000, 1100, 1200 (window 5).
  lidar->EnableFilter(Lidar::Filter::kMedian, true);
  ASSERT_TRUE(terminal.write(lidarPacket(0x01, 100 * 128, 100 * 128, {4800})));  // 1200 mm
  ASSERT_TRUE(test::waitUntil([&] { return distance(93) == 1100.0f; }));
  lidar->MovingAverageConfig(2);
  lidar->EnableFilter(Lidar::Filter::kMovingAverage, true);
  ASSERT_TRUE(terminal.write(lidarPacket(0x01, 100 * 128, 100 * 128, {4400})));  // 1100 mm
  EXPECT_TRUE(test::waitUntil([&] { return distance(93) == 1150.0f; }));
  // An invalid distance is filed as it is and leaves the history as it was.
  ASSERT_TRUE(terminal.write(lidarPacket(0x01, 100 * 128, 100 * 128, {0})));     // slot 100
  ASSERT_TRUE(terminal.write(lidarPacket(0x01, 100 * 128, 100 * 128, {4000})));  // 1000 mm
  EXPECT_TRUE(test::waitUntil([&] { return distance(93) == 1050.0f; }));
}

}  // namespace
