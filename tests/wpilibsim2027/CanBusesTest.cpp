// The CAN devices inside WPILib 2027's desktop simulation: the drivers call WPILib 2027's
// simulation HAL, whose CAN callbacks (which carry the bus) reach the simulators, and the robot's
// enabled state is its simulated driver station's as the robot program's driver-station data holds
// it.

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "DystanJNI.h"
#include "KromelJNI.h"
#include "ReportLog.h"
#include "SimBus.h"
#include "TorqaJNI.h"
#include "Wait.h"
#include "common/DriverStationReport.h"
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

struct KromelDeleter {
  void operator()(KromelJNI* sensor) const { KromelJNI::c_Kromel_destroy(sensor); }
};
struct DystanDeleter {
  void operator()(DystanJNI* sensor) const { DystanJNI::c_Dystan_destroy(sensor); }
};
using Kromel = std::unique_ptr<KromelJNI, KromelDeleter>;
using Dystan = std::unique_ptr<DystanJNI, DystanDeleter>;

TEST_F(WpilibCanBusesTest, TheHeartbeatFollowsTheSimulatedDriverStation) {
  auto controller = sim::TorqaSim::attach(kTorqa);
  long handle = TorqaJNI::c_Torqa_create(kTorqa, 1000);
  ASSERT_NE(handle, 0);
  ASSERT_TRUE(sent().waitFor(0, kHeartbeatDisabled, 1));
  EXPECT_EQ(sent().count(0, kHeartbeatEnabled), 0u);

  driverStationEnables(true);
  EXPECT_TRUE(HAL_GetOutputsEnabled());
  ASSERT_TRUE(sent().waitFor(0, kHeartbeatEnabled, 2));
  TorqaJNI::c_Torqa_setMotorSpeed(handle, 1, 0.5);
  EXPECT_TRUE(test::waitUntil([&] { return controller->motor(1).rpm > 1000.0; }));
  EXPECT_TRUE(controller->outputsEnabled());
  // The status frames come back through WPILib's receive callback.
  EXPECT_TRUE(test::waitUntil([&] { return TorqaJNI::c_Torqa_getRPM(handle, 1) > 1000.0; }));

  driverStationEnables(false);
  EXPECT_FALSE(HAL_GetOutputsEnabled());
  size_t disabledBefore = sent().count(0, kHeartbeatDisabled);
  ASSERT_TRUE(sent().waitFor(0, kHeartbeatDisabled, disabledBefore + 2));
  EXPECT_TRUE(test::waitUntil([&] { return !controller->outputsEnabled(); }));
  EXPECT_EQ(controller->motor(1).commandedRpm, 0.0);
  TorqaJNI::c_Torqa_destroy(handle);
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
  long handle = TorqaJNI::c_Torqa_createOnBus(3, kTorqa, 2000);
  ASSERT_NE(handle, 0);
  driverStationEnables(true);
  ASSERT_TRUE(sent().waitFor(3, kHeartbeatEnabled, 2));
  EXPECT_EQ(sent().count(3, kConfigureMotor), 4u);
  EXPECT_EQ(controller->motorFrequency(0), 2000);
  TorqaJNI::c_Torqa_setMotorSpeed(handle, 2, -0.5);
  EXPECT_TRUE(test::waitUntil([&] { return TorqaJNI::c_Torqa_getRPM(handle, 2) < -1000.0; }));
  EXPECT_EQ(sent().busesOf(kHeartbeatEnabled), std::vector<int32_t>{3});
  EXPECT_EQ(elsewhere->heartbeatCount(), 0u) << "nothing reached bus 0";
  EXPECT_EQ(elsewhere->configureFrameCount(), 0);
  TorqaJNI::c_Torqa_destroy(handle);
}

TEST_F(WpilibCanBusesTest, ColourSensorsOnBusZeroAndOnAnotherBusEachReadTheirOwn) {
  auto onZero = sim::KromelCanSim::attach(true, 0);
  auto onTwo = sim::KromelCanSim::attach(true, 2);
  onZero->setColor(0.25f, 0.0f, 0.0f);
  onTwo->setColor(-0.5f, 0.0f, 0.0f);
  Kromel first(KromelJNI::c_Kromel_create(5));
  Kromel second(KromelJNI::c_Kromel_createOnBus(2, 5));
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(sim::openStreamSessions(), 2);

  KromelJNI::ColorData a;
  KromelJNI::ColorData b;
  ASSERT_TRUE(test::waitUntil([&] {
    a = first->c_Kromel_getColor();
    b = second->c_Kromel_getColor();
    return a.valid && b.valid;
  }));
  EXPECT_FLOAT_EQ(a.x, 0.25f);
  EXPECT_FLOAT_EQ(b.x, -0.5f);

  // Each acknowledgement reaches the driver through its own bus's stream session.
  EXPECT_TRUE(second->c_Kromel_setBrightness(40));
  EXPECT_EQ(sent().busesOf(kKromelBrightness), std::vector<int32_t>{2});
  ASSERT_EQ(onTwo->commands().size(), 1u);
  EXPECT_TRUE(onZero->commands().empty());
  onTwo->setAckStatus(1);
  EXPECT_FALSE(second->c_Kromel_setBrightness(41)) << "a refusal comes through as well";
  EXPECT_TRUE(first->c_Kromel_setBrightness(42)) << "bus 0's sensor still accepts";
}

TEST_F(WpilibCanBusesTest, DistanceSensorsOnBusZeroAndOnAnotherBusGiveTheirOwnScans) {
  auto onZero = sim::DystanCanSim::attach(kDystan, 50, 0);
  auto onFour = sim::DystanCanSim::attach(kDystan, 50, 4);
  std::vector<int16_t> near(sim::DystanCanSim::kPositions, 300);
  std::vector<int16_t> far(sim::DystanCanSim::kPositions, 3000);
  onZero->setDistances(near);
  onFour->setDistances(far);
  Dystan first(DystanJNI::c_Dystan_create(kDystan));
  Dystan second(DystanJNI::c_Dystan_createOnBus(4, kDystan));
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);

  DystanJNI::ScanData a;
  DystanJNI::ScanData b;
  ASSERT_TRUE(test::waitUntil([&] {
    a = first->c_Dystan_getLatestData(64);
    b = second->c_Dystan_getLatestData(64);
    return a.count == 64 && b.count == 64;
  }));
  EXPECT_TRUE(
      std::all_of(a.distance.begin(), a.distance.begin() + 64, [](int16_t d) { return d == 300; }));
  EXPECT_TRUE(std::all_of(b.distance.begin(), b.distance.begin() + 64,
                          [](int16_t d) { return d == 3000; }));

  // The configuration request goes on bus 4 and its reply comes back through WPILib's receive
  // callback on bus 4 only.
  DystanJNI::Config config = second->c_Dystan_getConfig(500);
  EXPECT_TRUE(config.valid);
  EXPECT_EQ(onFour->configRequests(), 1);
  EXPECT_EQ(onZero->configRequests(), 0);
}

TEST_F(WpilibCanBusesTest, ABusTheRobotLacksIsRefusedWithALine) {
  testing::internal::CaptureStdout();
  EXPECT_EQ(TorqaJNI::c_Torqa_createOnBus(5, kTorqa, 1000), 0);
  EXPECT_EQ(KromelJNI::c_Kromel_createOnBus(-1, 3), nullptr);
  EXPECT_EQ(DystanJNI::c_Dystan_createOnBus(7, 3), nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "[Torqa] CAN bus 5 is out of range (0 - 4)\n"
            "[Kromel] CAN bus -1 is out of range (0 - 4)\n"
            "[Dystan] CAN bus 7 is out of range (0 - 4)\n");
  EXPECT_EQ(sent().busesOf(kConfigureMotor), std::vector<int32_t>{}) << "nothing was sent";
  EXPECT_EQ(sim::openStreamSessions(), 0);
}

TEST_F(WpilibCanBusesTest, FailuresOfTheCallsWithCallbacksReachTheDrivers) {
  EXPECT_EQ(sim::openCanHandles(), -1) << "WPILib's HAL does not tell its handles";
  sim::failCanCalls(sim::CanCall::OpenStreamSession, HAL_ERR_CANSessionMux_NotAllowed, 1);
  testing::internal::CaptureStdout();
  EXPECT_EQ(KromelJNI::c_Kromel_createOnBus(1, 5), nullptr);
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
  long handle = TorqaJNI::c_Torqa_createOnBus(2, kTorqa, 1000);
  ASSERT_NE(handle, 0);
  ASSERT_TRUE(test::waitUntil([&] { return TorqaJNI::c_Torqa_isConnected(handle); }));
  const int64_t age = TorqaJNI::c_Torqa_getDataAgeMs(handle);
  EXPECT_GE(age, 0);
  EXPECT_LT(age, 5000) << "stamps and clock are one clock";

  controller->detach();
  EXPECT_TRUE(reports.waitFor(report_code::kSilent, "Torqa[2/4]")) << reports.text();
  EXPECT_FALSE(TorqaJNI::c_Torqa_isConnected(handle));
  EXPECT_EQ(reports.count(report_code::kSilent, "Torqa[4]"), 0u);
  TorqaJNI::c_Torqa_destroy(handle);
}

// A test's reset of WPILib's CAN data removes every CAN callback: the simulators attach again by
// themselves (the controller's simulator with its next status frame), with the buses as they were.
TEST_F(WpilibCanBusesTest, AfterACanDataResetTheSimulatorsAttachAgainByThemselves) {
  auto controller = sim::TorqaSim::attach(kTorqa, 1);
  const long handle = TorqaJNI::c_Torqa_createOnBus(1, kTorqa, 1000);
  ASSERT_NE(handle, 0);
  ASSERT_TRUE(test::waitUntil([&] { return TorqaJNI::c_Torqa_isConnected(handle); }));
  const uint64_t beats = controller->heartbeatCount();

  HALSIM_ResetCanData();
  EXPECT_TRUE(test::waitUntil([&] { return controller->heartbeatCount() > beats + 2; }));
  EXPECT_TRUE(test::waitUntil([&] { return TorqaJNI::c_Torqa_isConnected(handle); }));
  TorqaJNI::c_Torqa_setMotorSpeed(handle, 2, 0.5);
  EXPECT_TRUE(test::waitUntil([&] { return controller->motor(2).speed == 0.5; }));
  TorqaJNI::c_Torqa_destroy(handle);
  controller->detach();
}

}  // namespace
