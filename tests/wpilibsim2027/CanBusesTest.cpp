// The CAN devices inside WPILib 2027's desktop simulation: the drivers call WPILib 2027's
// simulation HAL, whose CAN callbacks (which carry the bus) reach the simulators, and the robot's
// enabled state is its simulated driver station's as the robot program's driver-station data holds
// it.

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ReportLog.h"
#include "SimBus.h"
#include "Wait.h"
#include "common/DriverStationReport.h"
#include "korvane/Dystan.h"
#include "korvane/Kromel.h"
#include "korvane/Torqa.h"
#include "korvane/sim/Can.h"
#include "korvane/sim/System.h"
#include "sim/dystan/DystanCanSim.h"
#include "sim/kromel/KromelCanSim.h"
#include "sim/torqa/TorqaSim.h"
#include "wpi/hal/CAN.h"
#include "wpi/hal/DriverStation.h"
#include "wpi/hal/HAL.h"
#include "wpi/hal/simulation/CanData.h"
#include "wpi/hal/simulation/DriverStationData.h"

using namespace korvane;
using namespace std::chrono_literals;

namespace {

constexpr int kTorqa = 4;
constexpr uint32_t kHeartbeatDisabled = 0x020C0000 + kTorqa;
constexpr uint32_t kHeartbeatEnabled = 0x020C0040 + kTorqa;
constexpr uint32_t kConfigureMotor = 0x020C0280 + kTorqa;
constexpr uint32_t kKromelBrightness = 0x04090515;
constexpr uint8_t kDystan = 9;

using Sent = std::pair<int32_t, uint32_t>;  // bus, identifier

// Every frame sent through WPILib's HAL with its bus, as a callback of the robot program's own
// would see it.
class SentThroughWpilib {
 public:
  SentThroughWpilib() {
    uid_ = HALSIM_RegisterCanSendMessageCallback(&SentThroughWpilib::onSend, this);
  }
  ~SentThroughWpilib() { HALSIM_CancelCanSendMessageCallback(uid_); }

  size_t count(int32_t bus, uint32_t id) const {
    std::lock_guard lock(mutex_);
    return static_cast<size_t>(std::count(sent_.begin(), sent_.end(), Sent{bus, id}));
  }
  // Buses that frames with this identifier went on.
  std::vector<int32_t> busesOf(uint32_t id) const {
    std::lock_guard lock(mutex_);
    std::vector<int32_t> buses;
    for (const auto& [bus, sentId] : sent_) {
      if (sentId == id && std::find(buses.begin(), buses.end(), bus) == buses.end()) {
        buses.push_back(bus);
      }
    }
    return buses;
  }
  // Waits (generously) until `count` frames with this identifier went on the bus in all.
  bool waitFor(int32_t bus, uint32_t id, size_t count) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, 5s, [&] {
      return static_cast<size_t>(std::count(sent_.begin(), sent_.end(), Sent{bus, id})) >= count;
    });
  }

 private:
  // Runs under WPILib's callback lock: records and returns.
  static void onSend(const char*, void* param, int32_t busId, uint32_t messageId,
                     const HAL_CANMessage*, int32_t, int32_t*) {
    auto* self = static_cast<SentThroughWpilib*>(param);
    {
      std::lock_guard lock(self->mutex_);
      self->sent_.emplace_back(busId, messageId & 0x1FFFFFFF);
    }
    self->changed_.notify_all();
  }

  int32_t uid_ = 0;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<Sent> sent_;
};

// What WPILib's simulated driver station does when the robot is enabled or disabled in its GUI,
// and what the robot program's loop then does (HAL_RefreshDSData, every loop).
void driverStationEnables(bool enabled) {
  HALSIM_SetDriverStationDsAttached(true);
  HALSIM_SetDriverStationEnabled(enabled);
  HALSIM_NotifyDriverStationNewData();
  HAL_RefreshDSData();
}

class WpilibCanBusesTest : public test::SimBusTest {
 protected:
  // After the bus is reset, which initializes WPILib's HAL and with it its simulation data.
  void SetUp() override {
    test::SimBusTest::SetUp();
    sentThroughWpilib_.emplace();
  }
  void TearDown() override {
    driverStationEnables(false);
    sentThroughWpilib_.reset();
    test::SimBusTest::TearDown();
  }
  SentThroughWpilib& sent() { return *sentThroughWpilib_; }

 private:
  std::optional<SentThroughWpilib> sentThroughWpilib_;
};

TEST_F(WpilibCanBusesTest, TheHeartbeatFollowsTheSimulatedDriverStation) {
  auto controller = sim::TorqaSim::attach(kTorqa);
  Torqa torqa(kTorqa, 1000);
  ASSERT_TRUE(torqa.IsOpen());
  ASSERT_TRUE(sent().waitFor(0, kHeartbeatDisabled, 1));
  EXPECT_EQ(sent().count(0, kHeartbeatEnabled), 0u);

  driverStationEnables(true);
  EXPECT_TRUE(HAL_GetOutputsEnabled());
  ASSERT_TRUE(sent().waitFor(0, kHeartbeatEnabled, 2));
  torqa.SetSpeed(1, 0.5);
  EXPECT_TRUE(test::waitUntil([&] { return controller->motor(1).rpm > 1000.0; }));
  EXPECT_TRUE(controller->outputsEnabled());
  // The status frames come back through WPILib's receive callback.
  EXPECT_TRUE(test::waitUntil([&] { return torqa.GetRPM(1) > 1000.0; }));

  driverStationEnables(false);
  EXPECT_FALSE(HAL_GetOutputsEnabled());
  size_t disabledBefore = sent().count(0, kHeartbeatDisabled);
  ASSERT_TRUE(sent().waitFor(0, kHeartbeatDisabled, disabledBefore + 2));
  EXPECT_TRUE(test::waitUntil([&] { return !controller->outputsEnabled(); }));
  EXPECT_EQ(controller->motor(1).commandedRpm, 0.0);
}

TEST_F(WpilibCanBusesTest, TheSystemStateControlIsWhatTheRobotProgramSees) {
  sim::setSystemActive(true);
  EXPECT_TRUE(HALSIM_GetDriverStationEnabled());
  EXPECT_TRUE(HAL_GetOutputsEnabled());
  HAL_ControlWord word{};
  HAL_GetControlWord(&word);
  EXPECT_TRUE(HAL_ControlWord_IsEnabled(word));
  sim::setSystemActive(false);
  EXPECT_FALSE(HAL_GetOutputsEnabled());
}

TEST_F(WpilibCanBusesTest, AMotorControllerOnAnotherBusGetsEveryFrameThere) {
  auto elsewhere = sim::TorqaSim::attach(kTorqa);  // the same device number on bus 0
  auto controller = sim::TorqaSim::attach(kTorqa, 3);
  Torqa torqa(3, kTorqa, 2000);
  ASSERT_TRUE(torqa.IsOpen());
  driverStationEnables(true);
  ASSERT_TRUE(sent().waitFor(3, kHeartbeatEnabled, 2));
  EXPECT_EQ(sent().count(3, kConfigureMotor), 4u);
  EXPECT_EQ(controller->motorFrequency(0), 2000);
  torqa.SetSpeed(2, -0.5);
  EXPECT_TRUE(test::waitUntil([&] { return torqa.GetRPM(2) < -1000.0; }));
  EXPECT_EQ(sent().busesOf(kHeartbeatEnabled), std::vector<int32_t>{3});
  EXPECT_EQ(elsewhere->heartbeatCount(), 0u) << "nothing reached bus 0";
  EXPECT_EQ(elsewhere->configureFrameCount(), 0);
}

TEST_F(WpilibCanBusesTest, ColourSensorsOnBusZeroAndOnAnotherBusEachReadTheirOwn) {
  auto onZero = sim::KromelCanSim::attach(true, 0);
  auto onTwo = sim::KromelCanSim::attach(true, 2);
  onZero->setColor(0.25f, 0.0f, 0.0f);
  onTwo->setColor(-0.5f, 0.0f, 0.0f);
  Kromel first(5);
  Kromel second(2, 5);
  ASSERT_TRUE(first.IsOpen());
  ASSERT_TRUE(second.IsOpen());
  EXPECT_EQ(sim::openStreamSessions(), 2);

  Kromel::ColorData a;
  Kromel::ColorData b;
  ASSERT_TRUE(test::waitUntil([&] {
    a = first.GetColor();
    b = second.GetColor();
    return a.valid && b.valid;
  }));
  EXPECT_FLOAT_EQ(a.x, 0.25f);
  EXPECT_FLOAT_EQ(b.x, -0.5f);

  // Each acknowledgement reaches the driver through its own bus's stream session.
  EXPECT_TRUE(second.SetBrightness(40));
  EXPECT_EQ(sent().busesOf(kKromelBrightness), std::vector<int32_t>{2});
  ASSERT_EQ(onTwo->commands().size(), 1u);
  EXPECT_TRUE(onZero->commands().empty());
  onTwo->setAckStatus(1);
  EXPECT_FALSE(second.SetBrightness(41)) << "a refusal comes through as well";
  EXPECT_TRUE(first.SetBrightness(42)) << "bus 0's sensor still accepts";
}

TEST_F(WpilibCanBusesTest, DistanceSensorsOnBusZeroAndOnAnotherBusGiveTheirOwnScans) {
  auto onZero = sim::DystanCanSim::attach(kDystan, 50, 0);
  auto onFour = sim::DystanCanSim::attach(kDystan, 50, 4);
  std::vector<int16_t> near(sim::DystanCanSim::kPositions, 300);
  std::vector<int16_t> far(sim::DystanCanSim::kPositions, 3000);
  onZero->setDistances(near);
  onFour->setDistances(far);
  Dystan first(kDystan);
  Dystan second(4, kDystan);
  ASSERT_TRUE(first.IsOpen());
  ASSERT_TRUE(second.IsOpen());

  Dystan::ScanData a;
  Dystan::ScanData b;
  ASSERT_TRUE(test::waitUntil([&] {
    a = first.GetData(64);
    b = second.GetData(64);
    return a.count == 64 && b.count == 64;
  }));
  EXPECT_TRUE(
      std::all_of(a.distance.begin(), a.distance.begin() + 64, [](int16_t d) { return d == 300; }));
  EXPECT_TRUE(std::all_of(b.distance.begin(), b.distance.begin() + 64,
                          [](int16_t d) { return d == 3000; }));

  // The configuration request goes on bus 4 and its reply comes back through WPILib's receive
  // callback on bus 4 only.
  Dystan::Config config = second.GetConfig(500);
  EXPECT_TRUE(config.valid);
  EXPECT_EQ(onFour->configRequests(), 1);
  EXPECT_EQ(onZero->configRequests(), 0);
}

TEST_F(WpilibCanBusesTest, ABusTheRobotLacksLeavesEachDeviceClosedWithALine) {
  test::ReportLog reports;
  testing::internal::CaptureStdout();
  Torqa torqa(5, kTorqa, 1000);
  Kromel kromel(-1, 3);
  Dystan dystan(7, 3);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "[Torqa] CAN bus 5 is out of range (0 - 4)\n"
            "[Kromel] CAN bus -1 is out of range (0 - 4)\n"
            "[Dystan] CAN bus 7 is out of range (0 - 4)\n");
  EXPECT_FALSE(torqa.IsOpen());
  EXPECT_FALSE(kromel.IsOpen());
  EXPECT_FALSE(dystan.IsOpen());
  torqa.SetSpeed(0, 0.5);
  EXPECT_FALSE(kromel.SetBrightness(10));
  EXPECT_TRUE(sim::sentFrames().empty()) << "nothing was sent";
  EXPECT_EQ(sent().busesOf(kConfigureMotor), std::vector<int32_t>{});
  EXPECT_EQ(sim::openStreamSessions(), 0);
  EXPECT_EQ(reports.count(report_code::kNotOpened, "Torqa[5/4]"), 1u) << reports.text();
  EXPECT_EQ(reports.count(report_code::kNotOpened, "Kromel[-1/3]"), 1u) << reports.text();
  EXPECT_EQ(reports.count(report_code::kNotOpened, "Dystan[7/3]"), 1u) << reports.text();
}

TEST_F(WpilibCanBusesTest, FailuresOfTheCallsWithCallbacksReachTheDrivers) {
  EXPECT_EQ(sim::openCanHandles(), -1) << "WPILib's HAL does not tell its handles";
  sim::failCanCalls(sim::CanCall::OpenStreamSession, HAL_ERR_CANSessionMux_NotAllowed, 1);
  testing::internal::CaptureStdout();
  EXPECT_FALSE(Kromel(1, 5).IsOpen());
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "[Kromel] Failed to open CAN stream session (status " +
                std::to_string(HAL_ERR_CANSessionMux_NotAllowed) + ")\n");

  // WPILib 2027's own calls, as a robot program's would make them, on the simulated bus.
  HAL_CANMessage message{};
  message.dataSize = 8;
  int32_t status = 0;
  sim::failCanCalls(sim::CanCall::SendMessage, -1234, 1);
  HAL_CAN_SendMessage(1, 0x020C0081, &message, 0, &status);
  EXPECT_EQ(status, -1234);
  EXPECT_TRUE(sim::sentFrames().empty()) << "a failed send is not on the bus";

  sim::injectFrame(1, 0x04090540, {1, 2, 3, 4, 5, 6, 7, 8});
  HAL_CANReceiveMessage received{};
  HAL_CAN_ReceiveMessage(0, 0x04090540, &received, &status);
  EXPECT_EQ(status, HAL_ERR_CANSessionMux_MessageNotFound) << "the frame is on bus 1";
  status = 0;
  HAL_CAN_ReceiveMessage(1, 0x04090540, &received, &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(received.message.dataSize, 8);
  EXPECT_EQ(received.message.data[7], 8);
  HAL_CAN_ReceiveMessage(1, 0x04090540, &received, &status);
  EXPECT_EQ(status, HAL_ERR_CANSessionMux_MessageNotFound) << "each frame is received once";
}

// The health of a device on another bus: heard from by WPILib 2027's receive stamps (its
// monotonic clock), and named with its bus in the driver station's reports.
TEST_F(WpilibCanBusesTest, TheHealthOfAControllerOnAnotherBusNamesItsBus) {
  test::ReportLog reports;
  auto controller = sim::TorqaSim::attach(kTorqa, 2);
  Torqa torqa(2, kTorqa, 1000);
  ASSERT_TRUE(torqa.IsOpen());
  ASSERT_TRUE(test::waitUntil([&] { return torqa.IsConnected(); }));
  const int64_t age = torqa.GetDataAgeMs();
  EXPECT_GE(age, 0);
  EXPECT_LT(age, 5000) << "stamps and clock are one clock";

  controller->detach();
  EXPECT_TRUE(reports.waitFor(report_code::kSilent, "Torqa[2/4]")) << reports.text();
  EXPECT_FALSE(torqa.IsConnected());
  EXPECT_EQ(reports.count(report_code::kSilent, "Torqa[4]"), 0u);
}

// The distance sensor's health on another bus: its silence is reported under its bus and CAN ID.
TEST_F(WpilibCanBusesTest, TheHealthOfASensorOnAnotherBusNamesItsBus) {
  test::ReportLog reports;
  auto device = sim::DystanCanSim::attach(kDystan, 50, 3);
  Dystan dystan(3, kDystan);
  ASSERT_TRUE(dystan.IsOpen());
  ASSERT_TRUE(test::waitUntil([&] { return dystan.IsConnected(); }));
  device->detach();
  // Over CAN the sensor's health is looked at when it is read.
  EXPECT_TRUE(test::waitUntil([&] { return !dystan.IsConnected(); }));
  EXPECT_EQ(reports.count(report_code::kSilent, "Dystan[3/9]"), 1u) << reports.text();
  EXPECT_EQ(reports.count(report_code::kSilent, "Dystan[9]"), 0u);
}

// A test's reset of WPILib's CAN data removes every CAN callback: the simulators attach again by
// themselves (the controller's simulator with its next status frame), with the buses as they were.
TEST_F(WpilibCanBusesTest, AfterACanDataResetTheSimulatorsAttachAgainByThemselves) {
  auto controller = sim::TorqaSim::attach(kTorqa, 1);
  Torqa torqa(1, kTorqa, 1000);
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

}  // namespace
