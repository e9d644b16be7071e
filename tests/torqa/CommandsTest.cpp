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
#include "korvane/Torqa.h"
#include "korvane/sim/Can.h"

using namespace korvane;

namespace {

constexpr int kDevice = 5;
using PIDType = Torqa::PIDType;

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
  auto speed = [&](int motor, double value) {
    return sentBy([&] { controller->SetSpeed(motor, value); }, base);
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
  auto velocity = [&](int motor, double rpm) {
    return sentBy([&] { controller->SetTargetVelocity(motor, rpm); }, base);
  };
  EXPECT_EQ(velocity(0, 12.345), Frames{"00 D3 04 00 00 00 00 00"});  // 1235
  EXPECT_EQ(velocity(0, -1.5), Frames{"00 6A FF FF FF 00 00 00"});    // -150
  EXPECT_EQ(velocity(0, -0.005), Frames{"00 FF FF FF FF 00 00 00"});  // -0.5 -> -1
  EXPECT_EQ(velocity(4, 10.0), kNothing);
  EXPECT_EQ(velocity(-1, 1.0), kNothing);
  // Beyond 32 bits the nearest end of the range is sent, not an undefined conversion.
  EXPECT_EQ(velocity(1, 1e30), Frames{"01 FF FF FF 7F 00 00 00"});
  EXPECT_EQ(velocity(1, -1e30), Frames{"01 00 00 00 80 00 00 00"});
  EXPECT_EQ(velocity(1, std::numeric_limits<double>::quiet_NaN()),
            Frames{"01 00 00 00 00 00 00 00"});
}

// The JNI-shaped velocity's own index check: at most 3, so -1 passes as its byte.
TEST_F(TorqaCommandsTest, TheStaticVelocityPassesMotorMinusOne) {
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_setTargetVelocity(handle, -1, 1.0f); }, 0x020C0400),
            Frames{"FF 64 00 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_setTargetVelocity(handle, 4, 1.0f); }, 0x020C0400),
            kNothing);
}

TEST_F(TorqaCommandsTest, TargetDistanceAngleAndHold) {
  EXPECT_EQ(sentBy([&] { controller->SetTargetDistance(1, 0x12345678); }, 0x020C0440),
            Frames{"01 78 56 34 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { controller->SetTargetDistance(4, 1); }, 0x020C0440), kNothing);
  constexpr uint32_t angle = 0x020C05C0;
  EXPECT_EQ(sentBy([&] { controller->SetTargetAngle(0, 400.0); }, angle),
            Frames{"00 A0 8C 00 00 00 00 00"});  // 36000
  EXPECT_EQ(sentBy([&] { controller->SetTargetAngle(0, -5.0); }, angle),
            Frames{"00 00 00 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { controller->SetTargetAngle(2, 90.125); }, angle),
            Frames{"02 34 23 00 00 00 00 00"});  // 9012, truncated
  EXPECT_EQ(sentBy([&] { controller->SetTargetAngle(2, std::nan("")); }, angle),
            Frames{"02 00 00 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { controller->SetTargetAngle(4, 10.0); }, angle), kNothing);
  constexpr uint32_t hold = 0x020C0600;
  EXPECT_EQ(sentBy([&] { controller->SetPositionHold(3, true); }, hold),
            Frames{"03 01 00 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { controller->SetPositionHold(3, false); }, hold),
            Frames{"03 00 00 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { controller->SetPositionHold(4, true); }, hold), kNothing);
}

TEST_F(TorqaCommandsTest, EncoderAndCurrentSettings) {
  constexpr uint32_t configure = 0x020C0280;
  EXPECT_EQ(sentBy([&] { controller->ConfigureMotor(1, 15000); }, configure),
            Frames{"01 98 3A 00 00 00 00 00"});
  constexpr uint32_t resolution = 0x020C0480;
  EXPECT_EQ(sentBy([&] { controller->SetEncoderResolution(2, 4096); }, resolution),
            Frames{"02 00 10 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { controller->SetEncoderResolution(2, 65536); }, resolution), kNothing);
  EXPECT_EQ(sentBy([&] { controller->SetEncoderResolution(2, -1); }, resolution), kNothing);
  constexpr uint32_t limit = 0x020C0380;
  EXPECT_EQ(sentBy([&] { controller->SetCurrentLimit(0, 2.5); }, limit),
            Frames{"00 FA 00 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { controller->SetCurrentLimit(0, -1.0); }, limit),
            Frames{"00 00 00 00 00 00 00 00"});
  // A limit beyond 16 bits of hundredths is sent as the largest, not wrapped round to 0.01 A.
  EXPECT_EQ(sentBy([&] { controller->SetCurrentLimit(0, 655.37); }, limit),
            Frames{"00 FF FF 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { controller->SetCurrentLimit(4, 1.0); }, limit), kNothing);
  constexpr uint32_t mode = 0x020C04C0;
  EXPECT_EQ(sentBy([&] { controller->SetCurrentLimitEnabled(0, true); }, mode),
            Frames{"00 01 00 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { controller->SetCurrentLimitEnabled(1, false); }, mode),
            Frames{"01 00 00 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { controller->ResetEncoder(3); }, 0x020C0340),
            Frames{"03 00 00 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { controller->ResetEncoder(7); }, 0x020C0340), kNothing);
  EXPECT_EQ(sentBy([&] { controller->DisableMotor(2); }, 0x020C00C0),
            Frames{"02 00 00 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { controller->DisableMotor(-1); }, 0x020C00C0), kNothing);
}

// The JNI-shaped statics' own behaviour: any non-zero mode enables the limit, and the encoder
// reset and the disable are sent whatever the index.
TEST_F(TorqaCommandsTest, TheStaticsSendModeAndIndexAsTheyCome) {
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_setCurrentLimitMode(handle, 0, 7); }, 0x020C04C0),
            Frames{"00 01 00 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_resetEncoder(handle, 7); }, 0x020C0340),
            Frames{"07 00 00 00 00 00 00 00"})
      << "sent whatever the index";
  EXPECT_EQ(sentBy([&] { TorqaJNI::c_Torqa_disableMotor(handle, -1); }, 0x020C00C0),
            Frames{"FF 00 00 00 00 00 00 00"});
}

TEST_F(TorqaCommandsTest, PidTypesAutotuneSensitivityDelayAndStopMode) {
  constexpr uint32_t pid = 0x020C0500;
  const auto notAType = static_cast<PIDType>(3);
  EXPECT_EQ(sentBy([&] { controller->SetPIDType(PIDType::kType2); }, pid),
            Frames{"FF 02 C3 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { controller->SetPIDType(notAType); }, pid), kNothing);
  EXPECT_EQ(sentBy([&] { controller->SetPIDType(1, PIDType::kType0); }, pid),
            Frames{"01 00 C3 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { controller->SetPIDType(1, notAType); }, pid), kNothing);
  EXPECT_EQ(sentBy([&] { controller->SetPIDType(-1, PIDType::kType1); }, pid), kNothing);
  EXPECT_EQ(sentBy([&] { controller->Autotune(); }, 0x020C0540), Frames{"00 00 00 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { controller->Autotune(3); }, 0x020C06C0),
            Frames{"03 00 00 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { controller->Autotune(-1); }, 0x020C06C0), kNothing);
  constexpr uint32_t sensitivity = 0x020C0580;
  EXPECT_EQ(sentBy([&] { controller->SetSensitivity(0, 10); }, sensitivity),
            Frames{"00 0A 00 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { controller->SetSensitivity(0, 11); }, sensitivity), kNothing);
  EXPECT_EQ(sentBy([&] { controller->SetSensitivity(0, -1); }, sensitivity), kNothing);
  EXPECT_EQ(sentBy([&] { controller->SetSensitivity(4, 1); }, sensitivity), kNothing);
  constexpr uint32_t delay = 0x020C0680;
  EXPECT_EQ(sentBy([&] { controller->SetCANSensorDelay(0); }, delay),
            Frames{"05 00 00 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { controller->SetCANSensorDelay(-3); }, delay),
            Frames{"05 00 00 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { controller->SetCANSensorDelay(300); }, delay),
            Frames{"2C 01 00 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { controller->SetStopMode(200); }, 0x020C03C0),
            Frames{"C8 00 00 00 00 00 00 00"});
  EXPECT_EQ(sentBy([&] { controller->SetStopMode(256); }, 0x020C03C0), kNothing);
}

TEST_F(TorqaCommandsTest, RejectedCommandsSendNoFrameAtAll) {
  sim::clearSentFrames();
  controller->SetSpeed(4, 1.0);
  controller->SetTargetVelocity(9, 1.0);
  controller->SetPIDType(static_cast<PIDType>(3));
  controller->SetSensitivity(0, 11);
  controller->Autotune(4);
  controller->ConfigureMotor(0, 20001);
  controller->ConfigureMotor(4, 1000);
  controller->SetDistancePerTick(0, 0.5);
  for (const auto& f : sim::sentFrames()) {
    EXPECT_EQ(f.id & ~0x3Fu, 0x020C0000u) << "only heartbeats: " << test::hex(f);
  }
}

// The static's own rule: a handle that is not open sends to device 0.
TEST_F(TorqaCommandsTest, AnUnregisteredHandleSendsToDeviceZero) {
  sim::clearSentFrames();
  TorqaJNI::c_Torqa_setMotorSpeed(4242, 0, 0.5);
  auto frames = test::framesWithId(0x020C0080);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(test::hex(frames[0]), "00 32 01 00 00 00 00 00");
}

}  // namespace
