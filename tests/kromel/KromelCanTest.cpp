// The colour sensor over the simulated CAN bus: creation, colour frames, command payloads and
// the acknowledgement wait.

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>

#include "KromelJNI.h"
#include "SimBus.h"
#include "Wait.h"
#include "korvane/Kromel.h"
#include "korvane/sim/Can.h"
#include "sim/kromel/KromelCanSim.h"

using namespace korvane;
using namespace std::chrono_literals;

namespace {

constexpr uint32_t kColor = 0x04090540;
constexpr uint32_t kCommand = 0x04090500;
constexpr uint32_t kAck = 0x04090585;
// The HAL's status for a CAN call it refuses (HAL_ERR_CANSessionMux_NotAllowed), in every
// WPILib generation.
constexpr int32_t kCanNotAllowed = -44088;

using Format = Kromel::ColorFormat;
using Mode = Kromel::MeasureMode;

// The statics' sensor object, for the cases that are theirs.
struct StaticSensorDeleter {
  void operator()(KromelJNI* sensor) const { KromelJNI::c_Kromel_destroy(sensor); }
};
using StaticSensor = std::unique_ptr<KromelJNI, StaticSensorDeleter>;

// Answers every command frame with whatever the test wants injected.
class ScriptedDevice : public sim::CanDevice {
 public:
  explicit ScriptedDevice(std::function<void(const sim::CanFrame&)> answer)
      : answer_(std::move(answer)) {}
  void onFrameSent(const sim::CanFrame& frame) override { answer_(frame); }

 private:
  std::function<void(const sim::CanFrame&)> answer_;
};

class KromelCanTest : public test::SimBusTest {
 protected:
  // The payload of the only frame sent since the last call, as hex; "" when none or several.
  std::string onlyFrame(uint32_t id) {
    auto frames = sim::sentFrames();
    sim::clearSentFrames();
    if (frames.size() != 1) return "frames: " + std::to_string(frames.size());
    if (frames[0].id != id) return "id " + std::to_string(frames[0].id);
    return test::hex(frames[0]);
  }
};

TEST_F(KromelCanTest, CanIdsOutsideZeroToSixtyThreeArePrintedAndRefused) {
  for (int id : {-1, 64, 255, 1000}) {
    testing::internal::CaptureStdout();
    Kromel refused(id);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "[Kromel] CAN ID " + std::to_string(id) + " is out of range (0 - 63)\n");
    EXPECT_FALSE(refused.IsOpen());
    EXPECT_FALSE(refused.GetTransport().has_value());
    EXPECT_EQ(refused.GetCanId(), -1);
  }
  EXPECT_EQ(sim::openStreamSessions(), 0);
  for (int id : {0, 63}) {
    Kromel sensor(id);
    ASSERT_TRUE(sensor.IsOpen());
    EXPECT_EQ(sensor.GetTransport(), Transport::kCan);
    EXPECT_EQ(sensor.GetCanId(), id);
    EXPECT_EQ(sim::openStreamSessions(), 1);
  }
  EXPECT_EQ(sim::openStreamSessions(), 0) << "closing closes the session";
}

TEST_F(KromelCanTest, AStreamSessionThatCannotBeOpenedFailsTheCreation) {
  sim::failCanCalls(sim::CanCall::OpenStreamSession, kCanNotAllowed, 1);
  testing::internal::CaptureStdout();
  Kromel sensor(5);
  EXPECT_FALSE(sensor.IsOpen());
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "[Kromel] Failed to open CAN stream session (status -44088)\n");
  EXPECT_EQ(sim::openStreamSessions(), 0);
}

TEST_F(KromelCanTest, ColourFramesAreDecodedAndShortOrMissingOnesGiveNoReading) {
  Kromel sensor(7);
  EXPECT_FALSE(sensor.GetColor().valid);
  sim::injectFrame(kColor, {0x34, 0x12, 0x10, 0x27, 0xF0, 0xD8, 0x00});
  EXPECT_FALSE(sensor.GetColor().valid) << "7 bytes are too short";
  sim::injectFrame(kColor, {0x34, 0x12, 0x10, 0x27, 0xF0, 0xD8, 0x88, 0x13});
  Kromel::ColorData reading = sensor.GetColor();
  EXPECT_TRUE(reading.valid);
  EXPECT_EQ(reading.sequence, 0x1234);
  EXPECT_FLOAT_EQ(reading.x, 1.0f);
  EXPECT_FLOAT_EQ(reading.y, -1.0f);
  EXPECT_FLOAT_EQ(reading.z, 0.5f);
  sim::injectFrame(kColor, {0xFF, 0xFF, 0x00, 0x80, 0xFF, 0x7F, 0x00, 0x00});
  reading = sensor.GetColor();
  EXPECT_EQ(reading.sequence, 0xFFFF);
  EXPECT_FLOAT_EQ(reading.x, -3.2768f);
  EXPECT_FLOAT_EQ(reading.y, 3.2767f);
  EXPECT_FALSE(sensor.GetColor().valid) << "the robot's CAN layer gives a frame once";
  sim::injectFrame(kColor | 0x01, {1, 0, 0x10, 0x27, 0, 0, 0, 0});
  EXPECT_FALSE(sensor.GetColor().valid) << "only the exact identifier counts";
}

TEST_F(KromelCanTest, EveryCommandSendsItsPayloadWithArgumentsClamped) {
  auto device = sim::KromelCanSim::attach(false);
  Kromel sensor(1);
  sim::clearSentFrames();
  EXPECT_TRUE(sensor.SetBrightness(250));
  EXPECT_EQ(onlyFrame(kCommand + 21), "64");
  EXPECT_TRUE(sensor.SetBrightness(-5));
  EXPECT_EQ(onlyFrame(kCommand + 21), "00");
  EXPECT_TRUE(sensor.SetStatusLed(true, 101));
  EXPECT_EQ(onlyFrame(kCommand + 23), "01 64");
  EXPECT_TRUE(sensor.SetStatusLed(false, -3));
  EXPECT_EQ(onlyFrame(kCommand + 23), "00 00");
  EXPECT_TRUE(sensor.SetSampleTimeMs(70000));
  EXPECT_EQ(onlyFrame(kCommand + 20), "FF FF");
  EXPECT_TRUE(sensor.SetSampleTimeMs(-1));
  EXPECT_EQ(onlyFrame(kCommand + 20), "00 00");
  EXPECT_TRUE(sensor.SetSampleTimeMs(1000));
  EXPECT_EQ(onlyFrame(kCommand + 20), "E8 03");
  EXPECT_TRUE(sensor.SetColorFormat(Format::kXYZ));
  EXPECT_EQ(onlyFrame(kCommand + 19), "04");
  EXPECT_TRUE(sensor.SetMeasureMode(Mode::kMode0, 9.0f));
  EXPECT_EQ(onlyFrame(kCommand + 18), "00");
  EXPECT_TRUE(sensor.SetMeasureMode(Mode::kMode1, 9.0f));
  EXPECT_EQ(onlyFrame(kCommand + 18), "01 00");
  EXPECT_TRUE(sensor.SetMeasureMode(Mode::kMode2, 1.5f));
  EXPECT_EQ(onlyFrame(kCommand + 18), "02 00 00 00 C0 3F");
  EXPECT_TRUE(sensor.SetZmm(-2.0f));
  EXPECT_EQ(onlyFrame(kCommand + 25), "00 00 00 C0");
  EXPECT_TRUE(sensor.SetUsbOverride(true));
  EXPECT_EQ(onlyFrame(kCommand + 22), "01");
  EXPECT_TRUE(sensor.SetUsbOverride(false));
  EXPECT_EQ(onlyFrame(kCommand + 22), "00");
  EXPECT_TRUE(sensor.SetCanId(-2));
  EXPECT_EQ(onlyFrame(kCommand + 24), "FE FF FF FF");
  EXPECT_TRUE(sensor.SetCanId(300));
  EXPECT_EQ(onlyFrame(kCommand + 24), "2C 01 00 00");
  EXPECT_EQ(sensor.GetCanId(), 1) << "the ID given at creation stays";
  EXPECT_TRUE(sensor.GetConfig(0x1FF).has_value());
  EXPECT_EQ(onlyFrame(kCommand + 26), "FF");
}

TEST_F(KromelCanTest, RefusedArgumentsSendNothing) {
  auto device = sim::KromelCanSim::attach(false);
  Kromel sensor(1);
  sim::clearSentFrames();
  EXPECT_FALSE(sensor.SetColorFormat(static_cast<Format>(5)));
  EXPECT_FALSE(sensor.SetColorFormat(static_cast<Format>(-1)));
  EXPECT_FALSE(sensor.SetMeasureMode(static_cast<Mode>(3), 1.0f));
  EXPECT_FALSE(sensor.SetMeasureMode(static_cast<Mode>(-1), 1.0f));
  EXPECT_TRUE(sim::sentFrames().empty());
  // The static's own out-parameter: null is refused without traffic.
  StaticSensor viaStatics(KromelJNI::c_Kromel_create(2));
  ASSERT_NE(viaStatics, nullptr);
  sim::clearSentFrames();
  EXPECT_FALSE(viaStatics->c_Kromel_getConfig(1, nullptr));
  EXPECT_TRUE(sim::sentFrames().empty());
}

TEST_F(KromelCanTest, TheAcknowledgedStatusDecidesAndConfigurationAnswersKeepAllThirtyTwoBits) {
  auto device = sim::KromelCanSim::attach(false);
  device->setConfigValue(3, 0x80000001u);
  Kromel sensor(2);
  EXPECT_EQ(sensor.GetConfig(3), std::optional<uint32_t>(0x80000001u));
  EXPECT_TRUE(sensor.SetBrightness(50));

  device->setAckStatus(1);
  EXPECT_FALSE(sensor.SetBrightness(50));
  EXPECT_FALSE(sensor.GetConfig(3).has_value());
  device->setAckStatus(0);
  EXPECT_TRUE(sensor.SetZmm(1.0f));
  EXPECT_EQ(device->commands().size(), 5u);
}

// The static's own out-parameter: a refused answer still carries its value.
TEST_F(KromelCanTest, TheStaticConfigurationQueryKeepsTheValueOfARefusedAnswer) {
  auto device = sim::KromelCanSim::attach(false);
  device->setConfigValue(3, 0x80000001u);
  device->setAckStatus(1);
  StaticSensor sensor(KromelJNI::c_Kromel_create(2));
  ASSERT_NE(sensor, nullptr);
  unsigned int value = 0;
  EXPECT_FALSE(sensor->c_Kromel_getConfig(3, &value));
  EXPECT_EQ(value, 0x80000001u) << "a refused answer still carries its value";
}

TEST_F(KromelCanTest, AcknowledgementsForAnotherCommandOrTooShortAreIgnoredUntilTheTimeout) {
  sim::attachDevice(std::make_shared<ScriptedDevice>([](const sim::CanFrame& frame) {
    uint8_t command = static_cast<uint8_t>(frame.id - kCommand);
    sim::injectFrame(kAck, {static_cast<uint8_t>(command + 1), 0, 0, 0, 0, 0});
    sim::injectFrame(kAck, {command, 0, 0, 0, 0});         // five bytes
    sim::injectFrame(kAck + 1, {command, 0, 0, 0, 0, 0});  // another identifier
    sim::injectFrame(kColor, {command, 0, 0, 0, 0, 0, 0, 0});
  }));
  Kromel sensor(3);
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(sensor.SetBrightness(10));
  EXPECT_GE(std::chrono::steady_clock::now() - start, 500ms);
}

TEST_F(KromelCanTest, TheFirstMatchingAcknowledgementCountsAndTheRestOfItsReadIsDropped) {
  bool refuseFirst = true;
  sim::attachDevice(std::make_shared<ScriptedDevice>([&](const sim::CanFrame& frame) {
    uint8_t command = static_cast<uint8_t>(frame.id - kCommand);
    sim::injectFrame(kAck, {command, static_cast<uint8_t>(refuseFirst ? 1 : 0), 7, 0, 0, 0});
    sim::injectFrame(kAck, {command, 0, 9, 0, 0, 0, 0xAA, 0xBB});
  }));
  Kromel sensor(4);
  EXPECT_FALSE(sensor.GetConfig(1).has_value()) << "the first answer refused";
  refuseFirst = false;
  // The second acknowledgement of the first request went with its read; it answers nothing.
  EXPECT_EQ(sensor.GetConfig(1), std::optional<uint32_t>(7u));
}

TEST_F(KromelCanTest, AnAcknowledgementReadTogetherWithAnOverrunIsStillFound) {
  auto device = sim::KromelCanSim::attach(false);
  Kromel sensor(5);
  for (int i = 0; i < 40; ++i)
    sim::injectFrame(kColor, {static_cast<uint8_t>(i), 0, 0, 0, 0, 0, 0, 0});
  // The session overflowed with colour frames; the acknowledgement arrives before the first read.
  EXPECT_TRUE(sensor.SetBrightness(20));
}

TEST_F(KromelCanTest, ASilentSensorOrAFailedSendMakesTheCommandFail) {
  auto device = sim::KromelCanSim::attach(false);
  device->setSilent(true);
  Kromel sensor(6);
  EXPECT_FALSE(sensor.SetBrightness(20));
  EXPECT_EQ(device->commands().size(), 1u);
  device->setSilent(false);
  sim::failCanCalls(sim::CanCall::SendMessage, kCanNotAllowed, 1);
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(sensor.SetBrightness(20));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 400ms) << "no wait after a failed send";
  EXPECT_EQ(device->commands().size(), 1u);
  sim::failCanCalls(sim::CanCall::ReadStreamSession, kCanNotAllowed);
  EXPECT_FALSE(sensor.SetBrightness(20)) << "reads that fail are not examined";
  sim::clearCanFailures();
  EXPECT_TRUE(sensor.SetBrightness(20));
}

TEST_F(KromelCanTest, AnAcknowledgementThatCameAfterItsCommandGaveUpAnswersNothingLater) {
  auto device = sim::KromelCanSim::attach(false);
  device->setConfigValue(1, 111);
  device->setConfigValue(2, 222);
  Kromel sensor(7);
  device->setSilent(true);
  EXPECT_FALSE(sensor.GetConfig(1).has_value());
  // The sensor's answer to the request for key 1 arrives after the wait gave up.
  sim::injectFrame(kAck, {26, 0, 111, 0, 0, 0});
  device->setSilent(false);
  EXPECT_EQ(sensor.GetConfig(2), std::optional<uint32_t>(222u))
      << "the late answer for key 1 was taken";
}

TEST_F(KromelCanTest, AnotherSensorsAcknowledgementAnswersNothingLater) {
  auto device = sim::KromelCanSim::attach(false);
  device->setConfigValue(1, 111);
  device->setConfigValue(2, 222);
  Kromel first(10);
  Kromel second(11);
  // Every sensor acknowledges on the same identifier, so this answer reaches both sessions.
  EXPECT_EQ(second.GetConfig(2), std::optional<uint32_t>(222u));
  EXPECT_EQ(first.GetConfig(1), std::optional<uint32_t>(111u))
      << "the second sensor's answer was taken";
}

TEST_F(KromelCanTest, TheSimulatedSensorPublishesColourFramesAtItsSampleTime) {
  auto device = sim::KromelCanSim::attach();
  device->setColor(0.25f, -0.5f, 1.0f);
  Kromel sensor(8);
  Kromel::ColorData reading;
  ASSERT_TRUE(test::waitUntil([&] {
    reading = sensor.GetColor();
    return reading.sequence >= 3;
  }));
  EXPECT_FLOAT_EQ(reading.x, 0.25f);
  EXPECT_FLOAT_EQ(reading.y, -0.5f);
  EXPECT_FLOAT_EQ(reading.z, 1.0f);
  EXPECT_TRUE(sensor.SetSampleTimeMs(5));
  EXPECT_EQ(device->sampleTime(), 5ms);
  EXPECT_TRUE(sensor.SetBrightness(1)) << "acknowledged among the colour frames";
}

}  // namespace
