// Telemetry decoded from injected status frames, the tryGet forms, the library-wide encoder
// scale, and the texts printed when a HAL read raises.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "OpenControllerTest.h"
#include "SimBus.h"
#include "TorqaJNI.h"
#include "korvane/sim/Can.h"

using namespace korvane;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

constexpr int kDevice = 6;

uint32_t statusId(int api) {
  return 0x020C0000u | (static_cast<uint32_t>(api) << 6) | kDevice;
}

class TorqaTelemetryTest : public test::OpenControllerTest<kDevice> {
 protected:
  void SetUp() override {
    test::OpenControllerTest<kDevice>::SetUp();
    // Every heartbeat reads a status frame for the controller's health: with the heartbeats
    // stopped (as any destroy stops them), a read failure set up for the next read is the test's.
    TorqaJNI::c_Torqa_destroy(0);
  }
  void TearDown() override {
    for (signed char motor = 0; motor < 4; ++motor)
      TorqaJNI::c_Torqa_setEncoder(handle, motor, 1.0);
    test::OpenControllerTest<kDevice>::TearDown();
  }
};

// What the read printed when the next HAL read raised.
std::string textWhenReadRaises(const std::function<void()>& read) {
  sim::failCanCalls(sim::CanCall::ReadPacketLatest, 0, 1, /*throwInstead=*/true);
  CaptureStdout();
  read();
  sim::clearCanFailures();
  return GetCapturedStdout();
}

TEST_F(TorqaTelemetryTest, WithoutFramesEverythingReadsZeroAndTryGetFails) {
  EXPECT_EQ(TorqaJNI::c_Torqa_getRPM(handle, 0), 0.0);
  EXPECT_EQ(TorqaJNI::c_Torqa_getFrequency(handle), 0);
  EXPECT_EQ(TorqaJNI::c_Torqa_getControllerTemp(handle), 0.0);
  EXPECT_EQ(TorqaJNI::c_Torqa_getEncoderCount(handle, 1), 0);
  EXPECT_EQ(TorqaJNI::c_Torqa_getLimitSwitch(handle, 0, false), 0);
  EXPECT_EQ(TorqaJNI::c_Torqa_getOrvixPosition(handle, 0), 0.0);
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
  EXPECT_DOUBLE_EQ(TorqaJNI::c_Torqa_getRPM(handle, 2), -10.0);
  EXPECT_DOUBLE_EQ(TorqaJNI::c_Torqa_getEncoderSpeed(handle, 2), -10.0) << "same frame";
  sim::injectFrame(statusId(43), {0x39, 0x30, 0x00, 0x00, 0, 0, 0, 0});
  EXPECT_DOUBLE_EQ(TorqaJNI::c_Torqa_getRPM(handle, 2), 123.45);
  EXPECT_EQ(TorqaJNI::c_Torqa_getRPM(handle, 1), 0.0) << "other motors have their own frames";

  sim::injectFrame(statusId(47), {0x2A, 0x32, 0, 0, 0, 0, 0, 0});
  EXPECT_DOUBLE_EQ(TorqaJNI::c_Torqa_getControllerTemp(handle), 42.5);
  sim::injectFrame(statusId(12), {0x20, 0x4E, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(TorqaJNI::c_Torqa_getFrequency(handle), 20000);

  sim::injectFrame(statusId(45), {0x00, 0x01, 0x01, 0x00, 0, 0, 0x00, 0x07});
  EXPECT_EQ(TorqaJNI::c_Torqa_getLimitSwitch(handle, 0, false), 0);
  EXPECT_EQ(TorqaJNI::c_Torqa_getLimitSwitch(handle, 0, true), 1);
  EXPECT_EQ(TorqaJNI::c_Torqa_getLimitSwitch(handle, 1, false), 1);
  EXPECT_EQ(TorqaJNI::c_Torqa_getLimitSwitch(handle, 3, true), 7) << "the byte as it stands";
}

TEST_F(TorqaTelemetryTest, OutOfRangeSwitchAndDistanceIndicesReadNothingOutsideTheFrame) {
  sim::injectFrame(statusId(45), {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
  sim::injectFrame(statusId(37), {0xD0, 0x07, 0, 0, 0, 0, 0, 0});
  for (signed char motor : {4, 5, 127, -1, -128}) {
    EXPECT_EQ(TorqaJNI::c_Torqa_getLimitSwitch(handle, motor, true), 0) << int(motor);
    EXPECT_EQ(TorqaJNI::c_Torqa_getEncoderDistance(handle, motor), 0.0) << int(motor);
    EXPECT_EQ(TorqaJNI::c_Torqa_getOrvixPosition(handle, motor), 0.0) << int(motor);
  }
  // Raw reads of an out-of-range index use motor 0's frame.
  EXPECT_EQ(TorqaJNI::c_Torqa_getEncoderCount(handle, 4), 2000);
}

TEST_F(TorqaTelemetryTest, EncoderCountsAndTheLibraryWideScale) {
  sim::injectFrame(statusId(39), {0xD0, 0x07, 0x00, 0x00, 0, 0, 0, 0});  // 2000, motor 2
  TorqaJNI::c_Torqa_setEncoder(handle, 2, 0.5);
  EXPECT_DOUBLE_EQ(TorqaJNI::c_Torqa_getEncoderDistance(handle, 2), 1000.0);
  EXPECT_DOUBLE_EQ(TorqaJNI::c_Torqa_getEncoderRaw(handle, 2), 2000.0);
  EXPECT_EQ(TorqaJNI::c_Torqa_getEncoderCount(handle, 2), 2000);
  sim::injectFrame(statusId(40), {0x30, 0xF8, 0xFF, 0xFF, 0, 0, 0, 0});  // -2000, motor 3
  EXPECT_EQ(TorqaJNI::c_Torqa_getEncoderCount(handle, 3), -2000);

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
  EXPECT_DOUBLE_EQ(TorqaJNI::c_Torqa_getOrvixPosition(handle, 1), 100.0);
  EXPECT_DOUBLE_EQ(TorqaJNI::c_Torqa_getOrvixPosition(handle, 2), 359.84);
  // An index outside 0..3 does not even read: the raise set up here is still pending after it.
  sim::failCanCalls(sim::CanCall::ReadPacketLatest, 0, 1, /*throwInstead=*/true);
  EXPECT_EQ(TorqaJNI::c_Torqa_getOrvixPosition(handle, 4), 0.0);
  CaptureStdout();
  EXPECT_EQ(TorqaJNI::c_Torqa_getFrequency(handle), 0);
  EXPECT_EQ(GetCapturedStdout(), "Motor frequency could not be obtained\n");
}

TEST_F(TorqaTelemetryTest, TryGetFormsAndTheFourTargets) {
  sim::injectFrame(statusId(41), {0x39, 0x30, 0, 0, 0, 0, 0, 0});
  double out = 0;
  EXPECT_TRUE(TorqaJNI::c_Torqa_tryGetRPM(handle, 0, &out));
  EXPECT_DOUBLE_EQ(out, 123.45);
  out = 0;
  EXPECT_TRUE(TorqaJNI::c_Torqa_tryGetRPM(handle, 5, &out)) << "reads motor 0's frame";
  EXPECT_DOUBLE_EQ(out, 123.45);

  sim::injectFrame(statusId(48), {0x18, 0xFC, 0xFF, 0xFF, 0, 0, 0, 0});
  sim::injectFrame(statusId(49), {0x64, 0, 0, 0, 0, 0, 0, 0});
  sim::injectFrame(statusId(51), {0xC8, 0, 0, 0, 0, 0, 0, 0});
  out = 7.0;
  EXPECT_FALSE(TorqaJNI::c_Torqa_tryGetTargetRPM(handle, 5, &out));
  EXPECT_EQ(out, 7.0) << "untouched for an index outside 0..3";
  EXPECT_TRUE(TorqaJNI::c_Torqa_tryGetTargetRPM(handle, 1, &out));
  EXPECT_DOUBLE_EQ(out, 1.0);
  EXPECT_FALSE(TorqaJNI::c_Torqa_tryGetTargetRPM(handle, 2, &out));
  EXPECT_EQ(out, 0.0);

  double targets[4] = {9, 9, 9, 9};
  EXPECT_FALSE(TorqaJNI::c_Torqa_getTargetRPMFromDevice(handle, targets));
  EXPECT_DOUBLE_EQ(targets[0], -10.0);
  EXPECT_DOUBLE_EQ(targets[1], 1.0);
  EXPECT_EQ(targets[2], 0.0);
  EXPECT_DOUBLE_EQ(targets[3], 2.0);
  sim::injectFrame(statusId(50), {0x01, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_TRUE(TorqaJNI::c_Torqa_getTargetRPMFromDevice(handle, targets));
  EXPECT_DOUBLE_EQ(targets[2], 0.01);

  // A failing HAL read is absence too.
  sim::failCanCalls(sim::CanCall::ReadPacketLatest, -1234, 1);
  EXPECT_FALSE(TorqaJNI::c_Torqa_tryGetRPM(handle, 0, &out));
  EXPECT_EQ(textWhenReadRaises([&] { EXPECT_FALSE(TorqaJNI::c_Torqa_tryGetRPM(handle, 0, &out)); }),
            "");
}

TEST_F(TorqaTelemetryTest, ARaisingReadPrintsTheTextOfTheChannelItRead) {
  auto h = handle;
  EXPECT_EQ(textWhenReadRaises([h] { TorqaJNI::c_Torqa_getFrequency(h); }),
            "Motor frequency could not be obtained\n");
  EXPECT_EQ(textWhenReadRaises([h] { TorqaJNI::c_Torqa_getControllerTemp(h); }),
            "Controller temp could not be obtained\n");
  EXPECT_EQ(textWhenReadRaises([h] { TorqaJNI::c_Torqa_getLimitSwitch(h, 1, true); }),
            "Limit Switch could not be obtained\n");
  EXPECT_EQ(textWhenReadRaises([h] { EXPECT_EQ(TorqaJNI::c_Torqa_getRPM(h, 3), 0.0); }),
            "RPM for motor 3 could not be obtained\n");
  EXPECT_EQ(textWhenReadRaises([h] { TorqaJNI::c_Torqa_getEncoderDistance(h, 2); }),
            "Encoder distance for encoder 2 could not be obtained\n");
  EXPECT_EQ(textWhenReadRaises([h] { TorqaJNI::c_Torqa_getEncoderRaw(h, 1); }),
            "Raw distance for encoder 1 could not be obtained\n");
  EXPECT_EQ(textWhenReadRaises([h] { TorqaJNI::c_Torqa_getEncoderCount(h, 0); }),
            "Raw distance for encoder 0 could not be obtained\n");
  EXPECT_EQ(textWhenReadRaises([h] { TorqaJNI::c_Torqa_getEncoderSpeed(h, 3); }),
            "Speed for encoder 3 could not be obtained\n");
  // An out-of-range index reads motor 0's frame and names it, not an unrelated code (1017 + 5
  // is a serial-number text).
  EXPECT_EQ(textWhenReadRaises([h] { TorqaJNI::c_Torqa_getRPM(h, 5); }),
            "RPM for motor 0 could not be obtained\n");
  EXPECT_EQ(textWhenReadRaises([h] { TorqaJNI::c_Torqa_getEncoderSpeed(h, -1); }),
            "Speed for encoder 0 could not be obtained\n");
  EXPECT_EQ(textWhenReadRaises([h] { TorqaJNI::c_Torqa_getOrvixPosition(h, 0); }), "");
}

}  // namespace
