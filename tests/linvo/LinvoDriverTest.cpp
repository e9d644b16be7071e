// The line sensor's bus transactions, counts, voltages and status lines, through the statics whose
// reads each make their own bus transaction (c_getRawValue, c_getVoltage) and whose own
// fields (vRef, gain, ...) are the point; korvane::Linvo's sampled readings are LinvoSamplerTest's.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "LinvoBus.h"
#include "LinvoJNI.h"
#include "ScriptedConverter.h"
#include "hal/I2C.h"
#include "korvane/sim/I2c.h"

using namespace korvane;
using sim::I2cCall;
using test::describe;
using test::transfers;

namespace {

constexpr int kPort = test::kLinvoPort;
constexpr int kAddress = test::kLinvoAddress;

class LinvoDriverTest : public test::LinvoBusTest {
 protected:
  // Initialises the driver against a converter that answers every read with `answer`.
  void openWith(std::vector<uint8_t> answer, float vRef = 3.3f) {
    sim::attachI2cDevice(kPort, kAddress,
                         std::make_shared<test::ScriptedConverter>(std::move(answer)));
    ASSERT_TRUE(initialize(vRef));
    sim::clearI2cTransactions();
  }
};

// Runs first in its process: the state as the library is loaded.
TEST_F(LinvoDriverTest, BeforeInitialisationVoltagesAreZero) {
  ASSERT_EQ(LinvoJNI::vRef, 0.0f);
  EXPECT_EQ(LinvoJNI::port, 1);
  EXPECT_EQ(LinvoJNI::deviceAddress, 0x48);
  EXPECT_EQ(LinvoJNI::gain, 0);
  EXPECT_EQ(LinvoJNI::sampleRate, 0);
  sim::attachI2cDevice(kPort, kAddress,
                       std::make_shared<test::ScriptedConverter>(std::vector<uint8_t>{0x7F, 0xF0}));
  int32_t status = 0;
  HAL_InitializeI2C(HAL_I2C_kMXP, &status);
  EXPECT_EQ(LinvoJNI::c_getVoltage(2), 0.0f);
  // Without gain and data-rate bits the word is only start and input selection.
  auto t = transfers();
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(describe(t[0]), "W 01 E0 00");
  EXPECT_EQ(LinvoJNI::c_getRawValue(2), 2047);
}

TEST_F(LinvoDriverTest, ReadingChannelTwoWithTheDefaults) {
  openWith({0x7F, 0xF0});
  EXPECT_EQ(LinvoJNI::c_getRawValue(2), 2047);
  auto t = transfers();
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(describe(t[0]), "W 01 E4 80");
  EXPECT_EQ(describe(t[1]), "W 00 00");
  EXPECT_EQ(describe(t[2]), "R 7F F0");
  for (const auto& one : t) {
    EXPECT_EQ(one.port, kPort);
    EXPECT_EQ(one.address, kAddress);
  }
  EXPECT_EQ(t[2].requested, 2);
  // The pause between starting the conversion and pointing at its result.
  EXPECT_GE(t[1].timestampUs - t[0].timestampUs, 1000);

  // The input's volts at the converter's +-2.048 V full scale, whatever the reference given.
  float volts = LinvoJNI::c_getVoltage(2);
  EXPECT_FLOAT_EQ(volts, 2047.0f * (2.048f * 0.00048828125f));
  EXPECT_NEAR(volts, 2.047, 0.0001);
}

TEST_F(LinvoDriverTest, ConfigurationWordSelectsTheChannel) {
  openWith({0x00, 0x10});
  const char* expected[4] = {"W 01 C4 80", "W 01 D4 80", "W 01 E4 80", "W 01 F4 80"};
  for (uint8_t channel = 0; channel < 4; ++channel) {
    sim::clearI2cTransactions();
    EXPECT_EQ(LinvoJNI::c_getRawValue(channel), 1);
    auto t = transfers();
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(describe(t[0]), expected[channel]);
  }
}

TEST_F(LinvoDriverTest, ChannelsAboveThreeReadZeroWithoutTraffic) {
  openWith({0x7F, 0xF0});
  EXPECT_EQ(LinvoJNI::c_getRawValue(4), 0);
  EXPECT_EQ(LinvoJNI::c_getRawValue(255), 0);
  EXPECT_EQ(LinvoJNI::c_getVoltage(4), 0.0f);
  EXPECT_EQ(LinvoJNI::c_getVoltage(255), 0.0f);
  EXPECT_TRUE(sim::i2cTransactions().empty());
}

TEST_F(LinvoDriverTest, ConversionRegisterBytesToCountsAndVolts) {
  struct Case {
    uint8_t high, low;
    int count;
    float volts;  // at the +-2.048 V full scale (the 3.3 V reference takes no part)
  };
  const Case cases[] = {
      {0x00, 0x00, 0, 0.0f},
      {0x00, 0x10, 1, 0.001f},
      {0x12, 0x3F, 0x123, 0.291f},  // the low four bits are not part of the result
      {0x7F, 0xF0, 2047, 2.047f},
      // Negative results (an input at or just below ground) read as ground, not near the top.
      {0xFF, 0xF0, 0, 0.0f},
      {0x80, 0x00, 0, 0.0f},
  };
  for (const Case& c : cases) {
    sim::resetI2c();
    openWith({c.high, c.low});
    EXPECT_EQ(LinvoJNI::c_getRawValue(0), c.count)
        << test::hex(std::vector<uint8_t>{c.high, c.low});
    EXPECT_NEAR(LinvoJNI::c_getVoltage(0), c.volts, 1e-4)
        << test::hex(std::vector<uint8_t>{c.high, c.low});
  }
}

TEST_F(LinvoDriverTest, ConnectionCheckPrintsItsStatus) {
  sim::attachI2cDevice(kPort, kAddress,
                       std::make_shared<test::ScriptedConverter>(std::vector<uint8_t>{0x85}));
  testing::internal::CaptureStdout();
  EXPECT_TRUE(LinvoJNI::c_initializeI2C(3.3f));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "I2C device is connected\n");
  EXPECT_EQ(LinvoJNI::vRef, 3.3f);
  EXPECT_EQ(LinvoJNI::gain, 0x0400);
  EXPECT_EQ(LinvoJNI::sampleRate, 0x0080);
  EXPECT_TRUE(sim::i2cPortOpen(kPort));

  auto all = sim::i2cTransactions();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].call, I2cCall::Initialize);
  EXPECT_EQ(all[0].port, kPort);
  EXPECT_EQ(all[1].call, I2cCall::Read);
  EXPECT_EQ(all[1].requested, 1);

  sim::resetI2c();  // the converter is gone
  testing::internal::CaptureStdout();
  EXPECT_FALSE(LinvoJNI::c_initializeI2C(5.0f));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "I2C device not connected\n");
  EXPECT_EQ(LinvoJNI::vRef, 5.0f);
}

TEST_F(LinvoDriverTest, InitialisingAgainRestoresTheDefaults) {
  openWith({0x7F, 0xF0});
  LinvoJNI::mode = 0x0100;  // single-shot
  LinvoJNI::gain = 0x0200;
  LinvoJNI::c_getRawValue(0);
  EXPECT_EQ(describe(transfers()[0]), "W 01 C3 80");
  testing::internal::CaptureStdout();
  LinvoJNI::c_initializeI2C(3.3f);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(LinvoJNI::mode, 0);
  EXPECT_EQ(LinvoJNI::gain, 0x0400);
  sim::clearI2cTransactions();
  LinvoJNI::c_getRawValue(0);
  EXPECT_EQ(describe(transfers()[0]), "W 01 C4 80");
}

TEST_F(LinvoDriverTest, FailedTransfersStillGiveACount) {
  openWith({0x7F, 0xF0});
  sim::failI2cCalls(I2cCall::Write, 2);
  EXPECT_EQ(LinvoJNI::c_getRawValue(1), 2047);  // the read still succeeds
  sim::failI2cCalls(I2cCall::Read, 1);
  // A read that fails leaves nothing to convert: 0, never stale stack bytes.
  EXPECT_EQ(LinvoJNI::c_getRawValue(1), 0);
  EXPECT_EQ(LinvoJNI::c_getRawValue(1), 2047);
}

TEST_F(LinvoDriverTest, CloseReleasesThePort) {
  openWith({0x7F, 0xF0});
  LinvoJNI::c_closeI2C();
  EXPECT_FALSE(sim::i2cPortOpen(kPort));
  auto all = sim::i2cTransactions();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].call, I2cCall::Close);
  EXPECT_EQ(LinvoJNI::vRef, 3.3f);  // nothing else is reset
  // Conversions on a closed port fail on the bus and read 0.
  EXPECT_EQ(LinvoJNI::c_getRawValue(0), 0);
}

}  // namespace
