// The simulated controller against the real driver through korvane::Torqa: commands decoded into
// motor state, status frames from the motor model, and motors that stop without an enabled
// heartbeat.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <optional>

#include "SimBus.h"
#include "Wait.h"
#include "korvane/Torqa.h"
#include "korvane/sim/Can.h"
#include "korvane/sim/System.h"
#include "sim/torqa/TorqaSim.h"

using namespace korvane;
using Mode = sim::TorqaSim::Mode;

namespace {

constexpr int kDevice = 8;

class TorqaSimulatorTest : public test::SimBusTest {
 protected:
  void SetUp() override {
    test::SimBusTest::SetUp();
    controller = sim::TorqaSim::attach(kDevice);
    torqa.emplace(kDevice, 16000);
    ASSERT_TRUE(torqa->IsOpen());
  }
  void TearDown() override {
    torqa.reset();
    controller->detach();
    test::SimBusTest::TearDown();
  }
  std::shared_ptr<sim::TorqaSim> controller;
  std::optional<Torqa> torqa;
};

TEST_F(TorqaSimulatorTest, DecodesEveryCommandIntoMotorState) {
  torqa->SetTargetVelocity(1, -250.5);
  torqa->SetTargetDistance(2, -1000);
  torqa->SetTargetAngle(3, 90.5);
  torqa->SetEncoderResolution(1, 4096);
  torqa->SetCurrentLimit(1, 12.5);
  torqa->SetCurrentLimitEnabled(1, true);
  torqa->SetPIDType(Torqa::PIDType::kType1);
  torqa->SetPIDType(2, Torqa::PIDType::kType2);
  torqa->SetSensitivity(1, 7);
  torqa->SetStopMode(1);
  torqa->SetCANSensorDelay(20);
  torqa->Autotune();
  torqa->Autotune(1);

  auto m1 = controller->motor(1);
  EXPECT_EQ(m1.mode, Mode::Velocity);
  EXPECT_DOUBLE_EQ(m1.targetRpm, -250.5);
  EXPECT_EQ(m1.resolution, 4096);
  EXPECT_DOUBLE_EQ(m1.currentLimit, 12.5);
  EXPECT_TRUE(m1.currentLimitOn);
  EXPECT_EQ(m1.pidType, 1);
  EXPECT_EQ(m1.sensitivity, 7);
  EXPECT_EQ(m1.autotunes, 2);
  EXPECT_EQ(m1.frequency, 16000);
  auto m2 = controller->motor(2);
  EXPECT_EQ(m2.mode, Mode::Distance);
  EXPECT_EQ(m2.targetDistance, -1000);
  EXPECT_EQ(m2.pidType, 2);
  EXPECT_EQ(controller->motor(3).mode, Mode::Angle);
  EXPECT_DOUBLE_EQ(controller->motor(3).targetAngle, 90.5);
  EXPECT_EQ(controller->stopMode(), 1);
  EXPECT_EQ(controller->canSensorDelay(), 20);
  EXPECT_EQ(controller->autotuneAllCount(), 1);
  EXPECT_EQ(controller->unknownFrameCount(), 0);

  torqa->SetPositionHold(2, true);
  EXPECT_EQ(controller->motor(2).mode, Mode::Hold);
  torqa->DisableMotor(2);
  EXPECT_EQ(controller->motor(2).mode, Mode::Off);
}

TEST_F(TorqaSimulatorTest, MotorsRunOnlyWhileTheRobotIsEnabled) {
  torqa->SetSpeed(0, 0.5);
  EXPECT_EQ(controller->motor(0).mode, Mode::Speed);
  EXPECT_DOUBLE_EQ(controller->motor(0).speed, 0.5);
  // Status frames come without being asked for, but a disabled robot's motors stand still.
  ASSERT_TRUE(test::waitUntil([&] { return torqa->GetFrequency() == 16000; }));
  EXPECT_EQ(torqa->GetRPM(0), 0.0);

  sim::setSystemActive(true);
  const double half = sim::TorqaSim::kFreeSpeedRpm / 2;
  ASSERT_TRUE(test::waitUntil([&] { return torqa->GetRPM(0) > half * 0.9; }));
  EXPECT_LE(torqa->GetRPM(0), half);
  ASSERT_TRUE(torqa->TryGetTargetRPM(0).has_value());
  EXPECT_DOUBLE_EQ(*torqa->TryGetTargetRPM(0), half);
  int count = torqa->GetEncoderCount(0);
  ASSERT_TRUE(test::waitUntil([&] { return torqa->GetEncoderCount(0) > count; }));

  torqa->ResetEncoder(0);
  torqa->SetSpeed(0, -0.25);
  ASSERT_TRUE(test::waitUntil([&] { return torqa->GetRPM(0) < 0; }));
  ASSERT_TRUE(test::waitUntil([&] { return torqa->GetEncoderCount(0) < 0; }));

  sim::setSystemActive(false);
  ASSERT_TRUE(test::waitUntil([&] { return torqa->GetRPM(0) == 0.0; }));
  ASSERT_TRUE(test::waitUntil([&] {
    const auto targets = torqa->GetTargetRPMs();
    return targets && (*targets)[0] == 0.0;
  })) << "a disabled controller aims at standstill";
}

TEST_F(TorqaSimulatorTest, MotorsStopWhenTheHeartbeatStopsArriving) {
  sim::setSystemActive(true);
  torqa->SetTargetVelocity(2, 1000.0);
  ASSERT_TRUE(test::waitUntil([&] { return torqa->GetRPM(2) > 900; }));
  // Destroying stops every heartbeat; the robot stays enabled.
  torqa->Close();
  ASSERT_TRUE(test::waitUntil([&] { return !controller->outputsEnabled(); }));
  ASSERT_TRUE(test::waitUntil([&] { return controller->motor(2).rpm == 0.0; }));
}

TEST_F(TorqaSimulatorTest, SwitchesAndAbsolutePositionsComeFromTheControls) {
  controller->setLimitSwitch(1, 1, 1);
  controller->setOrvixPosition(3, 123.45);
  controller->setTemperature(42.5);
  ASSERT_TRUE(test::waitUntil([&] { return torqa->GetLimitSwitch(1, true); }));
  EXPECT_FALSE(torqa->GetLimitSwitch(1, false));
  ASSERT_TRUE(
      test::waitUntil([&] { return std::abs(torqa->GetOrvixPosition(3) - 123.45) < 1e-9; }));
  ASSERT_TRUE(test::waitUntil([&] { return torqa->GetTemperature() == 42.5; }));
}

}  // namespace
