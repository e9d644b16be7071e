// The simulated robot's driver-station link: the mock driver station enables the simulated
// robot, and the motor controller's heartbeat follows.

#include <gtest/gtest.h>

#include <optional>

#include "DsReceiver.h"
#include "MockDSJNI.h"
#include "SimBus.h"
#include "Wait.h"
#include "korvane/MockDS.h"
#include "korvane/Torqa.h"
#include "korvane/sim/DriverStation.h"
#include "korvane/sim/System.h"
#include "mockds/MockDSImpl.h"
#include "sim/torqa/TorqaSim.h"

using namespace korvane;
using namespace std::chrono_literals;

namespace {

class ListenerTest : public test::SimBusTest {
 protected:
  void TearDown() override {
    ds_.reset();
    MockDSJNI::c_MockDS_destroy();
    sim::stopDriverStationListener();
    test::SimBusTest::TearDown();
  }

  std::optional<MockDS> ds_;
};

TEST_F(ListenerTest, MockDriverStationEnablesTheRobotAndTheHeartbeatFollows) {
  ASSERT_TRUE(sim::startDriverStationListener());
  EXPECT_TRUE(sim::startDriverStationListener());  // already running
  auto controller = sim::TorqaSim::attach(9);
  Torqa motor(9, 1000);
  ASSERT_TRUE(motor.IsOpen());

  ds_.emplace();
  EXPECT_TRUE(test::waitUntil([] { return sim::driverStationPacketsReceived() >= 3; }));
  EXPECT_EQ(sim::lastDriverStationControl(), 0x00);
  EXPECT_FALSE(sim::systemActive());
  EXPECT_EQ(controller->heartbeat(), sim::TorqaSim::Heartbeat::Disabled);

  ds_->Enable();
  EXPECT_TRUE(test::waitUntil([] { return sim::systemActive(); }));
  EXPECT_EQ(sim::lastDriverStationControl(), 0x06);
  // Not before the warm-up: at least 50 more packets came after the 3 above.
  EXPECT_GE(sim::driverStationPacketsReceived(), 53u);
  EXPECT_TRUE(test::waitUntil(
      [&] { return controller->heartbeat() == sim::TorqaSim::Heartbeat::Enabled; }));
  EXPECT_FALSE(test::framesWithId(0x020C0040 + 9).empty());

  ds_->Disable();
  EXPECT_TRUE(test::waitUntil([] { return !sim::systemActive(); }));
  EXPECT_TRUE(test::waitUntil(
      [&] { return controller->heartbeat() == sim::TorqaSim::Heartbeat::Disabled; }));
  motor.Close();
  controller->detach();
}

TEST_F(ListenerTest, ClosingTheMockDriverStationDisablesTheRobot) {
  ASSERT_TRUE(sim::startDriverStationListener());
  ds_.emplace();
  ds_->Enable();
  ASSERT_TRUE(test::waitUntil([] { return sim::systemActive(); }));
  ds_->Close();  // its worker stops
  EXPECT_TRUE(test::waitUntil([] { return !sim::systemActive(); }));
  // The closed object's calls do nothing, and a new one starts again.
  ds_->Enable();
  const auto received = sim::driverStationPacketsReceived();
  EXPECT_FALSE(test::waitUntil([&] { return sim::driverStationPacketsReceived() > received; },
                               std::chrono::milliseconds(300)))
      << "a closed mock driver station sent";
  ds_.emplace();
  EXPECT_TRUE(test::waitUntil([&] { return sim::driverStationPacketsReceived() > received; }));
}

// The statics' own instance, freed as at library unload: the natives then find none, and a create
// starts again.
TEST_F(ListenerTest, LosingTheDriverStationDisablesTheRobot) {
  ASSERT_TRUE(sim::startDriverStationListener());
  MockDSJNI::c_MockDS_create();
  MockDSJNI::c_MockDS_enable();
  ASSERT_TRUE(test::waitUntil([] { return sim::systemActive(); }));
  MockDSJNI::pImpl.reset();  // the worker stops, as at library unload
  EXPECT_TRUE(test::waitUntil([] { return !sim::systemActive(); }));
  // The freed instance is no longer found: the calls do nothing, and a create starts again.
  MockDSJNI::c_MockDS_enable();
  MockDSJNI::c_MockDS_destroy();
  const auto received = sim::driverStationPacketsReceived();
  MockDSJNI::c_MockDS_create();
  EXPECT_TRUE(test::waitUntil([&] { return sim::driverStationPacketsReceived() > received; }));
}

TEST_F(ListenerTest, StopsAndStartsAgain) {
  ASSERT_TRUE(sim::startDriverStationListener());
  EXPECT_TRUE(sim::driverStationListenerRunning());
  sim::stopDriverStationListener();
  EXPECT_FALSE(sim::driverStationListenerRunning());
  {
    test::DsReceiver other;  // the port is free again
    EXPECT_TRUE(other.bound());
    testing::internal::CaptureStderr();
    EXPECT_FALSE(sim::startDriverStationListener());  // and now taken
    EXPECT_NE(testing::internal::GetCapturedStderr().find("[SimDriverStation]"), std::string::npos);
  }
  ASSERT_TRUE(sim::startDriverStationListener());
  EXPECT_EQ(sim::driverStationPacketsReceived(), 0u);
  EXPECT_EQ(sim::lastDriverStationControl(), -1);
}

}  // namespace
