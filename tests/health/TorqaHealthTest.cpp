// The motor controller's health on either HAL: heard from while its simulated controller
// publishes, silent (and its data ageing) once it is detached, heard again when one is attached
// again; a controller at a device number nobody answers; sends failing and working again. Each
// change is one driver-station report.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>

#include "ReportLog.h"
#include "SimBus.h"
#include "TorqaJNI.h"
#include "Wait.h"
#include "common/DriverStationReport.h"
#include "korvane/Torqa.h"
#include "korvane/sim/Can.h"
#include "sim/torqa/TorqaSim.h"

using namespace korvane;
using namespace std::chrono_literals;
namespace code = korvane::report_code;

namespace {

// The HAL's status for a CAN call it refuses (HAL_ERR_CANSessionMux_NotAllowed), in every
// WPILib generation.
constexpr int32_t kCanNotAllowed = -44088;

constexpr int kDevice = 6;
constexpr const char* kName = "Torqa[6]";

class TorqaHealthTest : public test::SimBusTest {
 protected:
  void TearDown() override {
    controller_.reset();
    if (sim_) sim_->detach();
    sim::clearCanFailures();
    test::SimBusTest::TearDown();
  }

  Torqa& open(int device = kDevice) {
    controller_.emplace(device, 1000);
    return *controller_;
  }

  test::ReportLog reports_;
  std::shared_ptr<sim::TorqaSim> sim_;
  std::optional<Torqa> controller_;
};

TEST_F(TorqaHealthTest, HeardWhileItPublishesSilentWhenDetachedHeardAgainWhenBack) {
  sim_ = sim::TorqaSim::attach(kDevice);
  Torqa& controller = open();
  ASSERT_TRUE(controller.IsOpen());
  ASSERT_TRUE(test::waitUntil([&] { return controller.IsConnected(); }));
  const int64_t fresh = controller.GetDataAgeMs();
  EXPECT_GE(fresh, 0);
  EXPECT_LE(fresh, 100);

  sim_->detach();
  ASSERT_TRUE(test::waitUntil([&] { return !controller.IsConnected(); }));
  // The getters still give the last frame; its age tells how old it is, and keeps growing.
  const int64_t silentFor = controller.GetDataAgeMs();
  EXPECT_GT(silentFor, 100);
  ASSERT_TRUE(test::waitUntil([&] { return controller.GetDataAgeMs() > silentFor; }));
  EXPECT_TRUE(reports_.waitFor(code::kSilent, kName)) << reports_.text();

  sim_ = sim::TorqaSim::attach(kDevice);
  ASSERT_TRUE(test::waitUntil([&] { return controller.IsConnected(); }));
  EXPECT_TRUE(reports_.waitFor(code::kHeardAgain, kName)) << reports_.text();
  EXPECT_EQ(reports_.count(code::kSilent, kName), 1u) << reports_.text();
  EXPECT_EQ(reports_.count(code::kNeverHeard, kName), 0u) << reports_.text();

  const DeviceFaults faults = controller.GetFaults();
  EXPECT_TRUE(faults.connected);
  EXPECT_GE(faults.dataAgeMs, 0);
  EXPECT_EQ(faults.sendFailures, 0u);
}

// Nobody answers at device 9: the heartbeat notices without any read, and says so once.
TEST_F(TorqaHealthTest, AControllerAtAWrongDeviceNumberIsNeverHeardAndReportedOnce) {
  sim_ = sim::TorqaSim::attach(kDevice);
  Torqa& controller = open(9);
  ASSERT_TRUE(controller.IsOpen());
  EXPECT_TRUE(reports_.waitFor(code::kNeverHeard, "Torqa[9]")) << reports_.text();
  EXPECT_FALSE(controller.IsConnected());
  EXPECT_EQ(controller.GetDataAgeMs(), -1);
  // More beats and more asking change nothing: still one report.
  const auto heartbeats = test::framesWithId(0x020C0000 + 9).size();
  ASSERT_TRUE(
      test::waitUntil([&] { return test::framesWithId(0x020C0000 + 9).size() >= heartbeats + 5; }));
  for (int i = 0; i < 10; ++i) EXPECT_FALSE(controller.IsConnected());
  EXPECT_EQ(reports_.count(code::kNeverHeard, "Torqa[9]"), 1u) << reports_.text();
}

TEST_F(TorqaHealthTest, FailingSendsAreCountedAndReportedOnceEachWay) {
  sim_ = sim::TorqaSim::attach(kDevice);
  Torqa& controller = open();
  ASSERT_TRUE(controller.IsOpen());
  ASSERT_TRUE(test::waitUntil([&] { return controller.IsConnected(); }));
  EXPECT_EQ(controller.GetFaults().sendFailures, 0u);

  sim::failCanCalls(sim::CanCall::SendMessage, kCanNotAllowed);
  for (int i = 0; i < 20; ++i) controller.SetSpeed(0, 0.5);
  EXPECT_GE(controller.GetFaults().sendFailures, 20u);
  ASSERT_TRUE(reports_.waitFor(code::kSendsFailing, kName)) << reports_.text();

  sim::clearCanFailures();
  controller.SetSpeed(0, 0.25);
  ASSERT_TRUE(reports_.waitFor(code::kSendsWorking, kName)) << reports_.text();
  for (int i = 0; i < 20; ++i) controller.SetSpeed(0, 0.25);
  EXPECT_EQ(reports_.count(code::kSendsFailing, kName), 1u) << reports_.text();
  EXPECT_EQ(reports_.count(code::kSendsWorking, kName), 1u) << reports_.text();
}

TEST_F(TorqaHealthTest, AClosedControllerIsNotConnected) {
  Torqa& controller = open();
  controller.Close();
  EXPECT_FALSE(controller.IsConnected());
  EXPECT_EQ(controller.GetDataAgeMs(), -1);
  EXPECT_FALSE(controller.GetFaults().connected);
  EXPECT_EQ(controller.GetFaults().dataAgeMs, -1);
}

// The statics' own: a handle that is not open.
TEST_F(TorqaHealthTest, AHandleThatIsNotOpenIsNotConnected) {
  EXPECT_FALSE(TorqaJNI::c_Torqa_isConnected(12345));
  EXPECT_EQ(TorqaJNI::c_Torqa_getDataAgeMs(12345), -1);
  const DeviceFaults faults = TorqaJNI::c_Torqa_getFaults(12345);
  EXPECT_FALSE(faults.connected);
  EXPECT_EQ(faults.dataAgeMs, -1);
}

}  // namespace
