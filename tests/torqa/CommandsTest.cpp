// The command frames, byte for byte: scaling, clamping, rounding, the index checks and the
// rejected values that send nothing.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "OpenControllerTest.h"
#include "SimBus.h"
#include "TorqaJNI.h"
#include "korvane/sim/Can.h"

using namespace korvane;

namespace {

constexpr int kDevice = 5;

class TorqaCommandsTest : public test::OpenControllerTest<kDevice> {
 protected:
  // The data of every frame the command sent to the device at this message base.
  std::vector<std::string> sentBy(const std::function<void()>& command, uint32_t base) {
    sim::clearSentFrames();
    command();
    std::vector<std::string> frames;
    for (const auto& f : test::framesWithId(base + kDevice)) frames.push_back(test::hex(f));
    return frames;
  }
};

using Frames = std::vector<std::string>;
const Frames kNothing{};

TEST_F(TorqaCommandsTest, MotorSpeedScalesClampsAndTruncates) {
  constexpr uint32_t base = 0x020C0080;
  auto speed = [&](signed char motor, double value) {
    return sentBy([&] { TorqaJNI::c_Torqa_setMotorSpeed(handle, motor, value); }, base);
  };
  EXPECT_EQ(speed(0, 0.5), Frames{"00 32 01 00 00 00 00 00"});
  EXPECT_EQ(speed(1, -0.25), Frames{"01 19 00 01 00 00 00 00"});
  EXPECT_EQ(speed(2, 0.0), Frames{"02 00 01 01 00 00 00 00"}) << "zero sets both flags";
  EXPECT_EQ(speed(3, 7.0), Frames{"03 64 01 00 00 00 00 00"});
  EXPECT_EQ(speed(0, -7.0), Frames{"00 64 00 01 00 00 00 00"});
  EXPECT_EQ(speed(0, 0.559), Frames{"00 37 01 00 00 00 00 00"}) << "55, truncated";
  EXPECT_EQ(speed(4, 0.5), kNothing);
  EXPECT_EQ(speed(-1, 0.5), kNothing);
  // NaN would be an undefined conversion: the motor is stopped instead.
  EXPECT_EQ(speed(0, std::nan("")), Frames{"00 00 01 01 00 00 00 00"});
}

TEST_F(TorqaCommandsTest, TargetVelocityRoundsHalfAwayFromZeroInSinglePrecision) {
  constexpr uint32_t base = 0x020C0400;
  auto velocity = [&](signed char motor, float rpm) {
    return sentBy([&] { TorqaJNI::c_Torqa_setTargetVelocity(handle, motor, rpm); }, base);
  };
  EXPECT_EQ(velocity(0, 12.345f), Frames{"00 D3 04 00 00 00 00 00"});  // 1235
  EXPECT_EQ(velocity(0, -1.5f), Frames{"00 6A FF FF FF 00 00 00"});    // -150
  EXPECT_EQ(velocity(0, -0.005f), Frames{"00 FF FF FF FF 00 00 00"});  // -0.5 -> -1
  EXPECT_EQ(velocity(4, 10.0f), kNothing);
  EXPECT_EQ(velocity(-1, 1.0f), Frames{"FF 64 00 00 00 00 00 00"}) << "at most 3: -1 passes";
  // Beyond 32 bits the nearest end of the range is sent, not an undefined conversion.
  EXPECT_EQ(velocity(1, 1e30f), Frames{"01 FF FF FF 7F 00 00 00"});
  EXPECT_EQ(velocity(1, -1e30f), Frames{"01 00 00 00 80 00 00 00"});
  EXPECT_EQ(velocity(1, std::numeric_limits<float>::quiet_NaN()),
            Frames{"01 00 00 00 00 00 00 00"});
}

TEST_F(TorqaCommandsTest, TargetDistanceAngleAndHold) {
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_setTargetDistance(handle, 1, 0x12345678); }, 0x020C0440),
            Frames{"01 78 56 34 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_setTargetDistance(handle, 4, 1); }, 0x020C0440),
            kNothing);
  constexpr uint32_t angle = 0x020C05C0;
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_setTargetAngle(handle, 0, 400.0); }, angle),
            Frames{"00 A0 8C 00 00 00 00 00"});  // 36000
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_setTargetAngle(handle, 0, -5.0); }, angle),
            Frames{"00 00 00 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_setTargetAngle(handle, 2, 90.125); }, angle),
            Frames{"02 34 23 00 00 00 00 00"});  // 9012, truncated
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_setTargetAngle(handle, 2, std::nan("")); }, angle),
            Frames{"02 00 00 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_setTargetAngle(handle, 4, 10.0); }, angle), kNothing);
  constexpr uint32_t hold = 0x020C0600;
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_setPositionHold(handle, 3, true); }, hold),
            Frames{"03 01 00 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_setPositionHold(handle, 3, false); }, hold),
            Frames{"03 00 00 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_setPositionHold(handle, 4, true); }, hold), kNothing);
}

TEST_F(TorqaCommandsTest, EncoderAndCurrentSettings) {
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_setEncoderResolution(handle, 2, 4096); }, 0x020C0480),
            Frames{"02 00 10 00 00 00 00 00"});
  constexpr uint32_t limit = 0x020C0380;
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_setCurrentLimit(handle, 0, 2.5f); }, limit),
            Frames{"00 FA 00 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_setCurrentLimit(handle, 0, -1.0f); }, limit),
            Frames{"00 00 00 00 00 00 00 00"});
  // A limit beyond 16 bits of hundredths is sent as the largest, not wrapped round to 0.01 A.
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_setCurrentLimit(handle, 0, 655.37f); }, limit),
            Frames{"00 FF FF 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_setCurrentLimit(handle, 4, 1.0f); }, limit), kNothing);
  constexpr uint32_t mode = 0x020C04C0;
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_setCurrentLimitMode(handle, 0, 7); }, mode),
            Frames{"00 01 00 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_setCurrentLimitMode(handle, 1, 0); }, mode),
            Frames{"01 00 00 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_resetEncoder(handle, 7); }, 0x020C0340),
            Frames{"07 00 00 00 00 00 00 00"})
      << "sent whatever the index";
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_disableMotor(handle, -1); }, 0x020C00C0),
            Frames{"FF 00 00 00 00 00 00 00"});
}

TEST_F(TorqaCommandsTest, PidTypesAutotuneSensitivityDelayAndStopMode) {
  constexpr uint32_t pid = 0x020C0500;
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_setPIDType(handle, 2); }, pid),
            Frames{"FF 02 C3 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_setPIDType(handle, 3); }, pid), kNothing);
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_setMotorPIDType(handle, 1, 0); }, pid),
            Frames{"01 00 C3 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_setMotorPIDType(handle, 1, 3); }, pid), kNothing);
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_setMotorPIDType(handle, -1, 1); }, pid), kNothing);
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_autotuneAll(handle); }, 0x020C0540),
            Frames{"00 00 00 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_autotuneMotor(handle, 3); }, 0x020C06C0),
            Frames{"03 00 00 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_autotuneMotor(handle, -1); }, 0x020C06C0), kNothing);
  constexpr uint32_t sensitivity = 0x020C0580;
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_setSensitivity(handle, 0, 10); }, sensitivity),
            Frames{"00 0A 00 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_setSensitivity(handle, 0, 11); }, sensitivity),
            kNothing);
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_setSensitivity(handle, 4, 1); }, sensitivity), kNothing);
  constexpr uint32_t delay = 0x020C0680;
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_setCANSensorOsDelay(handle, 0); }, delay),
            Frames{"05 00 00 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_setCANSensorOsDelay(handle, 300); }, delay),
            Frames{"2C 01 00 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_setMotorStopMode(handle, 200); }, 0x020C03C0),
            Frames{"C8 00 00 00 00 00 00 00"});
}

TEST_F(TorqaCommandsTest, RejectedCommandsSendNoFrameAtAll) {
  sim::clearSentFrames();
  TorqaJNI::c_Torqa_setMotorSpeed(handle, 4, 1.0);
  TorqaJNI::c_Torqa_setTargetVelocity(handle, 9, 1.0f);
  TorqaJNI::c_Torqa_setPIDType(handle, 3);
  TorqaJNI::c_Torqa_setSensitivity(handle, 0, 11);
  TorqaJNI::c_Torqa_autotuneMotor(handle, 4);
  for (const auto& f : sim::sentFrames()) {
    EXPECT_EQ(f.id & ~0x3Fu, 0x020C0000u) << "only heartbeats: " << test::hex(f);
  }
}

TEST_F(TorqaCommandsTest, AnUnregisteredHandleSendsToDeviceZero) {
  sim::clearSentFrames();
  TorqaJNI::c_Torqa_setMotorSpeed(4242, 0, 0.5);
  auto frames = test::framesWithId(0x020C0080);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(test::hex(frames[0]), "00 32 01 00 00 00 00 00");
}

}  // namespace
