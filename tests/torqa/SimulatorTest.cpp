// The simulated controller against the real driver: commands decoded into motor state, status
// frames from the motor model, and motors that stop without an enabled heartbeat.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "SimBus.h"
#include "TorqaJNI.h"
#include "Wait.h"
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
    handle = TorqaJNI::c_Torqa_create(kDevice, 16000);
    ASSERT_NE(handle, 0);
  }
  void TearDown() override {
    TorqaJNI::c_Torqa_destroy(handle);
    controller->detach();
    test::SimBusTest::TearDown();
  }
  std::shared_ptr<sim::TorqaSim> controller;
  long handle = 0;
};

TEST_F(TorqaSimulatorTest, DecodesEveryCommandIntoMotorState) {
  TorqaJNI::c_Torqa_setTargetVelocity(handle, 1, -250.5f);
  TorqaJNI::c_Torqa_setTargetDistance(handle, 2, -1000);
  TorqaJNI::c_Torqa_setTargetAngle(handle, 3, 90.5);
  TorqaJNI::c_Torqa_setEncoderResolution(handle, 1, 4096);
  TorqaJNI::c_Torqa_setCurrentLimit(handle, 1, 12.5f);
  TorqaJNI::c_Torqa_setCurrentLimitMode(handle, 1, 1);
  TorqaJNI::c_Torqa_setPIDType(handle, 1);
  TorqaJNI::c_Torqa_setMotorPIDType(handle, 2, 2);
  TorqaJNI::c_Torqa_setSensitivity(handle, 1, 7);
  TorqaJNI::c_Torqa_setMotorStopMode(handle, 1);
  TorqaJNI::c_Torqa_setCANSensorOsDelay(handle, 20);
  TorqaJNI::c_Torqa_autotuneAll(handle);
  TorqaJNI::c_Torqa_autotuneMotor(handle, 1);

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

  TorqaJNI::c_Torqa_setPositionHold(handle, 2, true);
  EXPECT_EQ(controller->motor(2).mode, Mode::Hold);
  TorqaJNI::c_Torqa_disableMotor(handle, 2);
  EXPECT_EQ(controller->motor(2).mode, Mode::Off);
}

TEST_F(TorqaSimulatorTest, MotorsRunOnlyWhileTheRobotIsEnabled) {
  TorqaJNI::c_Torqa_setMotorSpeed(handle, 0, 0.5);
  EXPECT_EQ(controller->motor(0).mode, Mode::Speed);
  EXPECT_DOUBLE_EQ(controller->motor(0).speed, 0.5);
  // Status frames come without being asked for, but a disabled robot's motors stand still.
  ASSERT_TRUE(test::waitUntil([&] { return TorqaJNI::c_Torqa_getFrequency(handle) == 16000; }));
  EXPECT_EQ(TorqaJNI::c_Torqa_getRPM(handle, 0), 0.0);

  sim::setSystemActive(true);
  const double half = sim::TorqaSim::kFreeSpeedRpm / 2;
  ASSERT_TRUE(test::waitUntil([&] { return TorqaJNI::c_Torqa_getRPM(handle, 0) > half * 0.9; }));
  EXPECT_LE(TorqaJNI::c_Torqa_getRPM(handle, 0), half);
  double target = 0;
  ASSERT_TRUE(TorqaJNI::c_Torqa_tryGetTargetRPM(handle, 0, &target));
  EXPECT_DOUBLE_EQ(target, half);
  int count = TorqaJNI::c_Torqa_getEncoderCount(handle, 0);
  ASSERT_TRUE(
      test::waitUntil([&] { return TorqaJNI::c_Torqa_getEncoderCount(handle, 0) > count; }));

  TorqaJNI::c_Torqa_resetEncoder(handle, 0);
  TorqaJNI::c_Torqa_setMotorSpeed(handle, 0, -0.25);
  ASSERT_TRUE(test::waitUntil([&] { return TorqaJNI::c_Torqa_getRPM(handle, 0) < 0; }));
  ASSERT_TRUE(test::waitUntil([&] { return TorqaJNI::c_Torqa_getEncoderCount(handle, 0) < 0; }));

  sim::setSystemActive(false);
  ASSERT_TRUE(test::waitUntil([&] { return TorqaJNI::c_Torqa_getRPM(handle, 0) == 0.0; }));
  double targets[4] = {1, 1, 1, 1};
  ASSERT_TRUE(test::waitUntil([&] {
    return TorqaJNI::c_Torqa_getTargetRPMFromDevice(handle, targets) && targets[0] == 0.0;
  })) << "a disabled controller aims at standstill";
}

TEST_F(TorqaSimulatorTest, MotorsStopWhenTheHeartbeatStopsArriving) {
  sim::setSystemActive(true);
  TorqaJNI::c_Torqa_setTargetVelocity(handle, 2, 1000.0f);
  ASSERT_TRUE(test::waitUntil([&] { return TorqaJNI::c_Torqa_getRPM(handle, 2) > 900; }));
  // Destroying stops every heartbeat; the robot stays enabled.
  TorqaJNI::c_Torqa_destroy(handle);
  ASSERT_TRUE(test::waitUntil([&] { return !controller->outputsEnabled(); }));
  ASSERT_TRUE(test::waitUntil([&] { return controller->motor(2).rpm == 0.0; }));
  handle = TorqaJNI::c_Torqa_create(kDevice, 16000);
}

TEST_F(TorqaSimulatorTest, SwitchesAndAbsolutePositionsComeFromTheControls) {
  controller->setLimitSwitch(1, 1, 1);
  controller->setOrvixPosition(3, 123.45);
  controller->setTemperature(42.5);
  ASSERT_TRUE(test::waitUntil([&] { return TorqaJNI::c_Torqa_getLimitSwitch(handle, 1, true); }));
  EXPECT_EQ(TorqaJNI::c_Torqa_getLimitSwitch(handle, 1, false), 0);
  ASSERT_TRUE(test::waitUntil(
      [&] { return std::abs(TorqaJNI::c_Torqa_getOrvixPosition(handle, 3) - 123.45) < 1e-9; }));
  ASSERT_TRUE(test::waitUntil([&] { return TorqaJNI::c_Torqa_getControllerTemp(handle) == 42.5; }));
}

}  // namespace
