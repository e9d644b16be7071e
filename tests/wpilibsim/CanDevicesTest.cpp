// The CAN devices inside WPILib's desktop simulation: the drivers call WPILib's simulation HAL,
// whose CAN callbacks reach the simulators, and the robot's enabled state is its simulated driver
// station's.

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ReportLog.h"
#include "SimBus.h"
#include "Wait.h"
#include "common/DriverStationReport.h"
#include "hal/CAN.h"
#include "hal/DriverStation.h"
#include "hal/HALBase.h"
#include "hal/simulation/CanData.h"
#include "hal/simulation/DriverStationData.h"
#include "korvane/Dystan.h"
#include "korvane/Kromel.h"
#include "korvane/Torqa.h"
#include "korvane/sim/Can.h"
#include "korvane/sim/System.h"
#include "sim/dystan/DystanCanSim.h"
#include "sim/kromel/KromelCanSim.h"
#include "sim/torqa/TorqaSim.h"

using namespace korvane;
using namespace std::chrono_literals;

namespace {

constexpr int kTorqa = 4;
constexpr uint32_t kHeartbeatDisabled = 0x020C0000 + kTorqa;
constexpr uint32_t kHeartbeatEnabled = 0x020C0040 + kTorqa;
constexpr uint32_t kKromelBrightness = 0x04090515;
constexpr uint8_t kDystan = 9;

// Every frame sent through WPILib's HAL, as a callback of the robot program's own would see it.
class SentThroughWpilib {
 public:
  SentThroughWpilib() {
    uid_ = HALSIM_RegisterCanSendMessageCallback(&SentThroughWpilib::onSend, this);
  }
  ~SentThroughWpilib() { HALSIM_CancelCanSendMessageCallback(uid_); }

  size_t count(uint32_t id) const {
    std::lock_guard lock(mutex_);
    return static_cast<size_t>(std::count(ids_.begin(), ids_.end(), id));
  }
  // Waits (generously) until `count` frames with this identifier were sent in all.
  bool waitFor(uint32_t id, size_t count) const {
    std::unique_lock lock(mutex_);
    return sent_.wait_for(lock, 5s, [&] {
      return static_cast<size_t>(std::count(ids_.begin(), ids_.end(), id)) >= count;
    });
  }

 private:
  // Runs under WPILib's callback lock: records and returns.
  static void onSend(const char*, void* param, uint32_t messageID, const uint8_t*, uint8_t, int32_t,
                     int32_t*) {
    auto* self = static_cast<SentThroughWpilib*>(param);
    {
      std::lock_guard lock(self->mutex_);
      self->ids_.push_back(messageID & 0x1FFFFFFF);
    }
    self->sent_.notify_all();
  }

  int32_t uid_ = 0;
  mutable std::mutex mutex_;
  mutable std::condition_variable sent_;
  std::vector<uint32_t> ids_;
};

class WpilibCanDevicesTest : public test::SimBusTest {
 protected:
  // After the bus is reset, which initializes WPILib's HAL and with it its simulation data.
  void SetUp() override {
    test::SimBusTest::SetUp();
    sentThroughWpilib_.emplace();
  }
  void TearDown() override {
    HALSIM_SetDriverStationEnabled(false);
    sentThroughWpilib_.reset();
    test::SimBusTest::TearDown();
  }
  SentThroughWpilib& sent() { return *sentThroughWpilib_; }

 private:
  std::optional<SentThroughWpilib> sentThroughWpilib_;
};

TEST_F(WpilibCanDevicesTest, TheMotorControllerFollowsTheSimulatedDriverStation) {
  auto controller = sim::TorqaSim::attach(kTorqa);
  Torqa torqa(kTorqa, 1000);
  ASSERT_TRUE(torqa.IsOpen());
  ASSERT_TRUE(sent().waitFor(kHeartbeatDisabled, 1));
  EXPECT_EQ(sent().count(kHeartbeatEnabled), 0u);

  HALSIM_SetDriverStationEnabled(true);
  EXPECT_TRUE(sim::systemActive());
  ASSERT_TRUE(sent().waitFor(kHeartbeatEnabled, 2));
  torqa.SetSpeed(1, 0.5);
  EXPECT_TRUE(test::waitUntil([&] { return controller->motor(1).rpm > 1000.0; }));
  EXPECT_TRUE(controller->outputsEnabled());
  // The status frames come back through WPILib's receive callback.
  EXPECT_TRUE(test::waitUntil([&] { return torqa.GetRPM(1) > 1000.0; }));

  HALSIM_SetDriverStationEnabled(false);
  EXPECT_FALSE(sim::systemActive());
  size_t disabledBefore = sent().count(kHeartbeatDisabled);
  ASSERT_TRUE(sent().waitFor(kHeartbeatDisabled, disabledBefore + 2));
  EXPECT_TRUE(test::waitUntil([&] { return !controller->outputsEnabled(); }));
  EXPECT_EQ(controller->motor(1).commandedRpm, 0.0);
  EXPECT_TRUE(test::waitUntil([&] { return torqa.GetRPM(1) < 50.0; }));
}

TEST_F(WpilibCanDevicesTest, TheSystemStateControlIsTheSimulatedDriverStations) {
  int32_t status = -1;
  sim::setSystemActive(true);
  EXPECT_TRUE(HALSIM_GetDriverStationEnabled());
  EXPECT_TRUE(HAL_GetSystemActive(&status));
  // Published as driver-station data: the robot program's own view agrees.
  HAL_RefreshDSData();
  HAL_ControlWord word{};
  HAL_GetControlWord(&word);
  EXPECT_TRUE(word.enabled);
  sim::setSystemActive(false);
  EXPECT_FALSE(HAL_GetSystemActive(&status));
  HAL_RefreshDSData();
  HAL_GetControlWord(&word);
  EXPECT_FALSE(word.enabled);
}

TEST_F(WpilibCanDevicesTest, TheColourSensorReadsAndIsAcknowledgedThroughTheCallbacks) {
  auto device = sim::KromelCanSim::attach();
  device->setColor(0.25f, -0.5f, 1.0f);
  Kromel sensor(5);
  ASSERT_TRUE(sensor.IsOpen());
  EXPECT_EQ(sim::openStreamSessions(), 1) << "the sensor's session is the bus's";

  Kromel::ColorData reading;
  ASSERT_TRUE(test::waitUntil([&] {
    reading = sensor.GetColor();
    return reading.valid && reading.sequence >= 3;
  }));
  EXPECT_FLOAT_EQ(reading.x, 0.25f);
  EXPECT_FLOAT_EQ(reading.y, -0.5f);
  EXPECT_FLOAT_EQ(reading.z, 1.0f);

  // The acknowledgement reaches the driver through its stream session, among colour frames.
  EXPECT_TRUE(sensor.SetBrightness(40));
  EXPECT_EQ(sent().count(kKromelBrightness), 1u);
  ASSERT_FALSE(device->commands().empty());
  EXPECT_EQ(device->commands().back().number, 21u);
  EXPECT_EQ(device->commands().back().payload, std::vector<uint8_t>{40});
  device->setAckStatus(1);
  EXPECT_FALSE(sensor.SetBrightness(41)) << "a refusal comes through as well";

  sensor.Close();
  EXPECT_EQ(sim::openStreamSessions(), 0);
}

TEST_F(WpilibCanDevicesTest, TheDistanceSensorGivesWholeScans) {
  auto device = sim::DystanCanSim::attach(kDystan, 50);
  std::vector<int16_t> distances(sim::DystanCanSim::kPositions);
  for (int k = 0; k < sim::DystanCanSim::kPositions; ++k) distances[k] = 300 + 7 * k;
  device->setDistances(distances);
  Dystan sensor(kDystan);
  ASSERT_TRUE(sensor.IsOpen());

  Dystan::ScanData scan;
  ASSERT_TRUE(test::waitUntil([&] {
    scan = sensor.GetData(64);
    return scan.count == 64 &&
           std::equal(distances.begin(), distances.end(), scan.distance.begin());
  })) << "last scan: count "
      << scan.count << ", sequence " << int(scan.sequence);

  Dystan::Config config = sensor.GetConfig(500);
  EXPECT_TRUE(config.valid) << "the reply comes through WPILib's receive callback";
  EXPECT_EQ(config.canID, kDystan);
}

TEST_F(WpilibCanDevicesTest, FailuresOfTheCallsWithCallbacksReachTheDrivers) {
  EXPECT_EQ(sim::openCanHandles(), -1) << "WPILib's HAL does not tell its handles";
  sim::failCanCalls(sim::CanCall::OpenStreamSession, HAL_ERR_CANSessionMux_NotAllowed, 1);
  testing::internal::CaptureStdout();
  EXPECT_FALSE(Kromel(5).IsOpen());
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "[Kromel] Failed to open CAN stream session (status " +
                std::to_string(HAL_ERR_CANSessionMux_NotAllowed) + ")\n");

  uint8_t data[8] = {};
  int32_t status = 0;
  sim::failCanCalls(sim::CanCall::SendMessage, -1234, 1);
  HAL_CAN_SendMessage(0x020C0081, data, 8, 0, &status);
  EXPECT_EQ(status, -1234);
  EXPECT_TRUE(sim::sentFrames().empty()) << "a failed send is not on the bus";

  sim::injectFrame(0x04090540, data, 8);
  sim::failCanCalls(sim::CanCall::ReceiveMessage, -1235, 1);
  uint32_t id = 0x04090540;
  uint8_t size = 0;
  uint32_t timestamp = 0;
  HAL_CAN_ReceiveMessage(&id, 0x1FFFFFFF, data, &size, &timestamp, &status);
  EXPECT_EQ(status, -1235);
  HAL_CAN_ReceiveMessage(&id, 0x1FFFFFFF, data, &size, &timestamp, &status);
  EXPECT_EQ(status, 0) << "the failed receive took nothing";
  EXPECT_EQ(size, 8);
  HAL_CAN_ReceiveMessage(&id, 0x1FFFFFFF, data, &size, &timestamp, &status);
  EXPECT_EQ(status, HAL_ERR_CANSessionMux_MessageNotFound);

  uint32_t session = 0;
  HAL_CAN_OpenStreamSession(&session, 0x04090000, 0x1FFF0000, 4, &status);
  ASSERT_EQ(status, 0);
  sim::failCanCalls(sim::CanCall::ReadStreamSession, 0, 1, /*throwInstead=*/true);
  HAL_CANStreamMessage messages[4] = {};
  uint32_t read = 0;
  EXPECT_THROW(HAL_CAN_ReadStreamSession(session, messages, 4, &read, &status), std::runtime_error)
      << "a raise passes through WPILib's HAL";
  HAL_CAN_ReadStreamSession(session, messages, 4, &read, &status);
  EXPECT_EQ(status, HAL_ERR_CANSessionMux_MessageNotFound);
  HAL_CAN_CloseStreamSession(session);
  EXPECT_EQ(sim::openStreamSessions(), 0);
}

// A test's reset of WPILib's CAN data removes every CAN callback: the simulators attach again by
// themselves (the controller's simulator with its next status frame), with the bus as it was.
TEST_F(WpilibCanDevicesTest, AfterACanDataResetTheSimulatorsAttachAgainByThemselves) {
  auto controller = sim::TorqaSim::attach(kTorqa);
  Torqa torqa(kTorqa, 1000);
  ASSERT_TRUE(torqa.IsOpen());
  ASSERT_TRUE(test::waitUntil([&] { return torqa.IsConnected(); }));
  const uint64_t beats = controller->heartbeatCount();

  HALSIM_ResetCanData();
  EXPECT_TRUE(test::waitUntil([&] { return controller->heartbeatCount() > beats + 2; }));
  EXPECT_TRUE(test::waitUntil([&] { return torqa.IsConnected(); }));
  torqa.SetSpeed(2, 0.5);
  EXPECT_TRUE(test::waitUntil([&] { return controller->motor(2).speed == 0.5; }));
  torqa.Close();
  controller->detach();
}

// WPILib 2026's robot controller has one CAN bus: a device on any other is left closed with a
// line saying so, sends nothing, and is reported under its bus and ID.
TEST_F(WpilibCanDevicesTest, ABusOtherThanZeroLeavesEachDeviceClosedWithALine) {
  test::ReportLog reports;
  testing::internal::CaptureStdout();
  Torqa torqa(1, kTorqa, 1000);
  Kromel kromel(2, 5);
  Dystan dystan(-1, kDystan);
  const std::string oneBus =
      " does not exist here: WPILib 2026's robot controller has one CAN bus, bus 0\n";
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "[Torqa] CAN bus 1" + oneBus +
                                                        "[Kromel] CAN bus 2" + oneBus +
                                                        "[Dystan] CAN bus -1" + oneBus);
  EXPECT_FALSE(torqa.IsOpen());
  EXPECT_FALSE(kromel.IsOpen());
  EXPECT_FALSE(dystan.IsOpen());
  torqa.SetSpeed(0, 0.5);
  EXPECT_FALSE(kromel.SetBrightness(10));
  EXPECT_TRUE(sim::sentFrames().empty()) << "nothing was sent";
  EXPECT_EQ(sent().count(0x020C0280 + kTorqa), 0u);
  EXPECT_EQ(sim::openStreamSessions(), 0);
  EXPECT_EQ(reports.count(report_code::kNotOpened, "Torqa[1/" + std::to_string(kTorqa) + "]"), 1u)
      << reports.text();
  EXPECT_EQ(reports.count(report_code::kNotOpened, "Kromel[2/5]"), 1u) << reports.text();
  EXPECT_EQ(
      reports.count(report_code::kNotOpened, "Dystan[-1/" + std::to_string(int(kDystan)) + "]"), 1u)
      << reports.text();
}

}  // namespace
