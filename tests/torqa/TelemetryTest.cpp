// Telemetry decoded from injected status frames, the optional forms, the encoder scale, and the
// texts printed when a HAL read raises.

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <thread>

#include "OpenControllerTest.h"
#include "SimBus.h"
#include "TorqaJNI.h"
#include "korvane/sim/Can.h"
#include "torqa/Controllers.h"
#include "torqa/StatusFrames.h"

using namespace korvane;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

constexpr int kDevice = 6;

uint32_t statusId(int api) {
  return 0x020C0000u | (static_cast<uint32_t>(api) << 6) | kDevice;
}

// The getters of one loop share a HAL read for a moment: after this, the next getter reads the
// HAL (and sees a frame injected since).
void pastTheSharedRead() {
  std::this_thread::sleep_for(2 * torqa::RecentFrames::kFreshFor);
}

class TorqaTelemetryTest : public test::OpenControllerTest<kDevice> {
 protected:
  void SetUp() override {
    test::OpenControllerTest<kDevice>::SetUp();
    // Every heartbeat reads a status frame for the controller's health: with the heartbeats
    // stopped, a read failure set up for the next read is the test's.
    torqa::Controllers::instance().stopEveryHeartbeat();
    pastTheSharedRead();
  }
};

// What the read printed when the next HAL call of the kind raised: a latest-frame read, or the
// session read that collects a controller's frames for a recent read.
std::string textWhenReadRaises(const std::function<void()>& read,
                               sim::CanCall call = sim::CanCall::ReadPacketLatest) {
  pastTheSharedRead();
  sim::failCanCalls(call, 0, 1, /*throwInstead=*/true);
  CaptureStdout();
  read();
  sim::clearCanFailures();
  return GetCapturedStdout();
}

TEST_F(TorqaTelemetryTest, WithoutFramesEverythingReadsZeroAndTheOptionalFormsAreEmpty) {
  EXPECT_EQ(controller->GetRPM(0), 0.0);
  EXPECT_EQ(controller->GetFrequency(), 0);
  EXPECT_EQ(controller->GetTemperature(), 0.0);
  EXPECT_EQ(controller->GetEncoderCount(1), 0);
  EXPECT_FALSE(controller->GetLimitSwitch(0, false));
  EXPECT_EQ(controller->GetOrvixPosition(0), 0.0);
  EXPECT_FALSE(controller->TryGetRPM(0).has_value());
  EXPECT_FALSE(controller->TryGetTargetRPM(0).has_value());
  EXPECT_FALSE(controller->GetTargetRPMs().has_value());
}

// The statics' own out-parameters: zeroed on failure, and a null one is no crash.
TEST_F(TorqaTelemetryTest, TheStaticsOutParametersWithoutFrames) {
  double out = 9.0;
  EXPECT_FALSE(TorqaJNI::c_Torqa_tryGetRPM(handle, 0, &out));
  EXPECT_EQ(out, 0.0);
  EXPECT_FALSE(TorqaJNI::c_Torqa_tryGetRPM(handle, 0, nullptr));
  double targets[4] = {5, 5, 5, 5};
  EXPECT_FALSE(TorqaJNI::c_Torqa_getTargetRPMFromDevice(handle, targets));
  EXPECT_FALSE(TorqaJNI::c_Torqa_getTargetRPMFromDevice(handle, nullptr));
}

TEST_F(TorqaTelemetryTest, DecodesRpmTemperatureFrequencyAndSwitches) {
  sim::injectFrame(statusId(43), {0x18, 0xFC, 0xFF, 0xFF, 0, 0, 0, 0});
  EXPECT_DOUBLE_EQ(controller->GetRPM(2), -10.0);
  EXPECT_DOUBLE_EQ(controller->GetEncoderSpeed(2), -10.0) << "same frame";
  sim::injectFrame(statusId(43), {0x39, 0x30, 0x00, 0x00, 0, 0, 0, 0});
  pastTheSharedRead();
  EXPECT_DOUBLE_EQ(controller->GetRPM(2), 123.45);
  EXPECT_EQ(controller->GetRPM(1), 0.0) << "other motors have their own frames";

  sim::injectFrame(statusId(47), {0x2A, 0x32, 0, 0, 0, 0, 0, 0});
  EXPECT_DOUBLE_EQ(controller->GetTemperature(), 42.5);
  sim::injectFrame(statusId(12), {0x20, 0x4E, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(controller->GetFrequency(), 20000);

  sim::injectFrame(statusId(45), {0x00, 0x01, 0x01, 0x00, 0, 0, 0x00, 0x07});
  EXPECT_FALSE(controller->GetLimitSwitch(0, false));
  EXPECT_TRUE(controller->GetLimitSwitch(0, true));
  EXPECT_TRUE(controller->GetLimitSwitch(1, false));
  EXPECT_TRUE(controller->GetLimitSwitch(3, true));
  // The static's own value: the byte as it stands.
  EXPECT_EQ(TorqaJNI::c_Torqa_getLimitSwitch(handle, 3, true), 7);
}

TEST_F(TorqaTelemetryTest, OutOfRangeSwitchAndDistanceIndicesReadNothingOutsideTheFrame) {
  sim::injectFrame(statusId(45), {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
  sim::injectFrame(statusId(37), {0xD0, 0x07, 0, 0, 0, 0, 0, 0});
  for (int motor : {4, 5, 127, -1, -128, 1000}) {
    EXPECT_FALSE(controller->GetLimitSwitch(motor, true)) << motor;
    EXPECT_EQ(controller->GetEncoderDistance(motor), 0.0) << motor;
    EXPECT_EQ(controller->GetOrvixPosition(motor), 0.0) << motor;
    EXPECT_EQ(controller->GetEncoderCount(motor), 0) << motor;
  }
  // The statics take the index as a byte and must not read outside the frame either.
  for (signed char motor : {4, 5, 127, -1, -128}) {
    EXPECT_EQ(TorqaJNI::c_Torqa_getLimitSwitch(handle, motor, true), 0) << int(motor);
    EXPECT_EQ(TorqaJNI::c_Torqa_getEncoderDistance(handle, motor), 0.0) << int(motor);
    EXPECT_EQ(TorqaJNI::c_Torqa_getOrvixPosition(handle, motor), 0.0) << int(motor);
  }
  // The statics' own rule: raw reads of an out-of-range index use motor 0's frame.
  EXPECT_EQ(TorqaJNI::c_Torqa_getEncoderCount(handle, 4), 2000);
}

TEST_F(TorqaTelemetryTest, EncoderCountsAndTheControllersScale) {
  sim::injectFrame(statusId(39), {0xD0, 0x07, 0x00, 0x00, 0, 0, 0, 0});  // 2000, motor 2
  controller->SetDistancePerTick(2, 0.5);
  EXPECT_DOUBLE_EQ(controller->GetEncoderDistance(2), 1000.0);
  EXPECT_DOUBLE_EQ(controller->GetEncoderRaw(2), 2000.0);
  EXPECT_EQ(controller->GetEncoderCount(2), 2000);
  sim::injectFrame(statusId(40), {0x30, 0xF8, 0xFF, 0xFF, 0, 0, 0, 0});  // -2000, motor 3
  EXPECT_EQ(controller->GetEncoderCount(3), -2000);
  EXPECT_DOUBLE_EQ(controller->GetEncoderDistance(3), -2000.0) << "1.0 until set";

  controller->SetDistancePerTick(4, 2.0);
  controller->SetDistancePerTick(-1, 2.0);
  pastTheSharedRead();
  EXPECT_DOUBLE_EQ(controller->GetEncoderDistance(3), -2000.0);
  EXPECT_DOUBLE_EQ(controller->GetEncoderDistance(2), 1000.0);
}

// The statics' own scale: one per motor for the whole library, whichever handle sets it.
class TorqaStaticScaleTest : public TorqaTelemetryTest {
 protected:
  void TearDown() override {
    for (signed char motor = 0; motor < 4; ++motor)
      TorqaJNI::c_Torqa_setEncoder(handle, motor, 1.0);
    TorqaTelemetryTest::TearDown();
  }
};

TEST_F(TorqaStaticScaleTest, EncoderCountsAndTheLibraryWideScale) {
  sim::injectFrame(statusId(39), {0xD0, 0x07, 0x00, 0x00, 0, 0, 0, 0});  // 2000, motor 2
  TorqaJNI::c_Torqa_setEncoder(handle, 2, 0.5);
  EXPECT_DOUBLE_EQ(TorqaJNI::c_Torqa_getEncoderDistance(handle, 2), 1000.0);
  EXPECT_DOUBLE_EQ(TorqaJNI::c_Torqa_getEncoderRaw(handle, 2), 2000.0);
  EXPECT_EQ(TorqaJNI::c_Torqa_getEncoderCount(handle, 2), 2000);

  TorqaJNI::c_Torqa_setEncoder(handle, 4, 2.0);
  TorqaJNI::c_Torqa_setEncoder(handle, -1, 2.0);
  for (int motor : {0, 1, 3}) EXPECT_EQ(TorqaJNI::encoderDistPerTick[motor], 1.0) << motor;
  EXPECT_EQ(TorqaJNI::encoderDistPerTick[2], 0.5);
  // Set through an unopened handle, it still applies to this controller.
  TorqaJNI::c_Torqa_setEncoder(9999, 2, 0.25);
  EXPECT_DOUBLE_EQ(TorqaJNI::c_Torqa_getEncoderDistance(handle, 2), 500.0);
}

TEST_F(TorqaTelemetryTest, OrvixPositions) {
  sim::injectFrame(statusId(36), {0x00, 0x00, 0x10, 0x27, 0x90, 0x8C, 0, 0});
  EXPECT_DOUBLE_EQ(controller->GetOrvixPosition(1), 100.0);
  EXPECT_DOUBLE_EQ(controller->GetOrvixPosition(2), 359.84);
  // An index outside 0..3 does not even read: the raise set up here is still pending after it.
  sim::failCanCalls(sim::CanCall::ReadPacketLatest, 0, 1, /*throwInstead=*/true);
  EXPECT_EQ(controller->GetOrvixPosition(4), 0.0);
  EXPECT_EQ(TorqaJNI::c_Torqa_getOrvixPosition(handle, 4), 0.0);
  CaptureStdout();
  EXPECT_EQ(controller->GetFrequency(), 0);
  EXPECT_EQ(GetCapturedStdout(), "Motor frequency could not be obtained\n");
}

TEST_F(TorqaTelemetryTest, TheOptionalFormsAndTheFourTargets) {
  sim::injectFrame(statusId(41), {0x39, 0x30, 0, 0, 0, 0, 0, 0});
  EXPECT_DOUBLE_EQ(controller->TryGetRPM(0).value_or(0.0), 123.45);
  EXPECT_FALSE(controller->TryGetRPM(5).has_value());
  double out = 0;
  // The static's own rule: an index outside 0..3 reads motor 0's frame.
  EXPECT_TRUE(TorqaJNI::c_Torqa_tryGetRPM(handle, 5, &out));
  EXPECT_DOUBLE_EQ(out, 123.45);

  sim::injectFrame(statusId(48), {0x18, 0xFC, 0xFF, 0xFF, 0, 0, 0, 0});
  sim::injectFrame(statusId(49), {0x64, 0, 0, 0, 0, 0, 0, 0});
  sim::injectFrame(statusId(51), {0xC8, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_FALSE(controller->TryGetTargetRPM(5).has_value());
  EXPECT_DOUBLE_EQ(controller->TryGetTargetRPM(1).value_or(0.0), 1.0);
  EXPECT_FALSE(controller->TryGetTargetRPM(2).has_value());
  EXPECT_FALSE(controller->GetTargetRPMs().has_value()) << "three of the four frames";
  // The static's own out-array: filled with what there is.
  double targets[4] = {9, 9, 9, 9};
  EXPECT_FALSE(TorqaJNI::c_Torqa_getTargetRPMFromDevice(handle, targets));
  EXPECT_DOUBLE_EQ(targets[0], -10.0);
  EXPECT_DOUBLE_EQ(targets[1], 1.0);
  EXPECT_EQ(targets[2], 0.0);
  EXPECT_DOUBLE_EQ(targets[3], 2.0);
  out = 7.0;
  EXPECT_FALSE(TorqaJNI::c_Torqa_tryGetTargetRPM(handle, 5, &out));
  EXPECT_EQ(out, 7.0) << "untouched for an index outside 0..3";

  sim::injectFrame(statusId(50), {0x01, 0, 0, 0, 0, 0, 0, 0});
  pastTheSharedRead();
  const auto all = controller->GetTargetRPMs();
  ASSERT_TRUE(all.has_value());
  EXPECT_DOUBLE_EQ((*all)[0], -10.0);
  EXPECT_DOUBLE_EQ((*all)[1], 1.0);
  EXPECT_DOUBLE_EQ((*all)[2], 0.01);
  EXPECT_DOUBLE_EQ((*all)[3], 2.0);

  // A failing HAL call is absence too: for a kept frame, the session read that would have
  // collected a newer one.
  pastTheSharedRead();
  sim::failCanCalls(sim::CanCall::ReadStreamSession, -1234, 1);
  EXPECT_FALSE(controller->TryGetRPM(0).has_value());
  EXPECT_EQ(textWhenReadRaises([&] { EXPECT_FALSE(controller->TryGetRPM(0).has_value()); },
                               sim::CanCall::ReadStreamSession),
            "");
  EXPECT_EQ(textWhenReadRaises([&] { EXPECT_EQ(controller->GetRPM(0), 0.0); },
                               sim::CanCall::ReadStreamSession),
            "RPM for motor 0 could not be obtained\n");
  EXPECT_EQ(TorqaJNI::c_Torqa_getRPM(handle, 0), 123.45) << "the frame is still the bus's";
}

TEST_F(TorqaTelemetryTest, ARaisingReadPrintsTheTextOfTheChannelItRead) {
  Torqa& c = *controller;
  EXPECT_EQ(textWhenReadRaises([&] { c.GetFrequency(); }),
            "Motor frequency could not be obtained\n");
  EXPECT_EQ(textWhenReadRaises([&] { c.GetTemperature(); }),
            "Controller temp could not be obtained\n");
  EXPECT_EQ(textWhenReadRaises([&] { c.GetLimitSwitch(1, true); }),
            "Limit Switch could not be obtained\n");
  EXPECT_EQ(textWhenReadRaises([&] { EXPECT_EQ(c.GetRPM(3), 0.0); }),
            "RPM for motor 3 could not be obtained\n");
  EXPECT_EQ(textWhenReadRaises([&] { c.GetEncoderDistance(2); }),
            "Encoder distance for encoder 2 could not be obtained\n");
  EXPECT_EQ(textWhenReadRaises([&] { c.GetEncoderRaw(1); }),
            "Raw distance for encoder 1 could not be obtained\n");
  EXPECT_EQ(textWhenReadRaises([&] { c.GetEncoderCount(0); }),
            "Raw distance for encoder 0 could not be obtained\n");
  EXPECT_EQ(textWhenReadRaises([&] { c.GetEncoderSpeed(3); }),
            "Speed for encoder 3 could not be obtained\n");
  EXPECT_EQ(textWhenReadRaises([&] { c.GetOrvixPosition(0); }), "");
  // An index outside 0..3 reads nothing, so nothing raises.
  EXPECT_EQ(textWhenReadRaises([&] { c.GetRPM(5); }), "");
  // The statics' own rule: an out-of-range index reads motor 0's frame and names it, not an
  // unrelated code (1017 + 5 is a serial-number text).
  auto h = handle;
  EXPECT_EQ(textWhenReadRaises([h] { TorqaJNI::c_Torqa_getRPM(h, 5); }),
            "RPM for motor 0 could not be obtained\n");
  EXPECT_EQ(textWhenReadRaises([h] { TorqaJNI::c_Torqa_getEncoderSpeed(h, -1); }),
            "Speed for encoder 0 could not be obtained\n");
}

}  // namespace
