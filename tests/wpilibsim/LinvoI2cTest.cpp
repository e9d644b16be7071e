// The line sensor over WPILib's simulation HAL: its transfers reach the simulated converter
// through WPILib's I2C callbacks, and what WPILib's HAL decides (no address, no failures) shows.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "LinvoBus.h"
#include "LinvoJNI.h"
#include "Wait.h"
#include "hal/I2C.h"
#include "hal/simulation/I2CData.h"
#include "korvane/Linvo.h"
#include "korvane/sim/I2c.h"

using namespace korvane;
using sim::I2cCall;
using test::describe;
using test::transfers;

namespace {

constexpr int kPort = test::kLinvoPort;
constexpr int kAddress = test::kLinvoAddress;

// Answers every read with one byte value and keeps what it was sent.
class Probe : public sim::I2cDevice {
 public:
  explicit Probe(uint8_t answer) : answer_(answer) {}
  bool onWrite(const uint8_t* data, int size) override {
    written.assign(data, data + size);
    return acknowledge;
  }
  bool onRead(uint8_t* data, int size) override {
    for (int i = 0; i < size; ++i) data[i] = answer_;
    return acknowledge;
  }
  std::vector<uint8_t> written;
  bool acknowledge = true;

 private:
  const uint8_t answer_;
};

using LinvoI2cTest = test::LinvoConverterTest;

TEST_F(LinvoI2cTest, SamplesTheSimulatedVoltages) {
  converter->setVoltage(0, 0.5);
  converter->setVoltage(1, 1.0);
  converter->setVoltage(3, 3.0);  // above the 2.048 V full scale: clipped
  Linvo sensor = open();
  EXPECT_EQ(lines, "I2C device is connected\n");
  EXPECT_TRUE(HALSIM_GetI2CInitialized(kPort));
  EXPECT_TRUE(sim::i2cPortOpen(kPort));
  EXPECT_TRUE(sensor.IsConnected());
  EXPECT_TRUE(reads(sensor, 0, 500));
  EXPECT_TRUE(reads(sensor, 1, 1000));
  EXPECT_TRUE(reads(sensor, 3, 2047));
  converter->setVoltage(2, 2.0);
  EXPECT_TRUE(test::waitUntil([&] { return std::fabs(sensor.GetVoltage(2) - 2.0f) < 1e-4f; }))
      << "the input's volts";
}

// The statics' direct blocking read: the transfers of one read, byte for byte.
TEST_F(LinvoI2cTest, ReadsTheSimulatedVoltages) {
  ASSERT_TRUE(initialize(3.3f));
  EXPECT_EQ(lines, "I2C device is connected\n");
  EXPECT_TRUE(HALSIM_GetI2CInitialized(kPort));
  EXPECT_TRUE(sim::i2cPortOpen(kPort));

  converter->setVoltage(0, 0.5);
  converter->setVoltage(1, 1.0);
  converter->setVoltage(2, 2.0);
  converter->setVoltage(3, 3.0);  // above the 2.048 V full scale: clipped
  EXPECT_EQ(LinvoJNI::c_getRawValue(0), 500);
  EXPECT_EQ(LinvoJNI::c_getRawValue(1), 1000);
  EXPECT_EQ(LinvoJNI::c_getRawValue(3), 2047);
  sim::clearI2cTransactions();
  EXPECT_NEAR(LinvoJNI::c_getVoltage(2), 2.0, 1e-4);  // the input's volts

  // The converter saw the driver's bytes; the records name the converter's port and address.
  auto t = transfers();
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(describe(t[0]), "W 01 E4 80");
  EXPECT_EQ(describe(t[1]), "W 00 00");
  EXPECT_EQ(describe(t[2]), "R 7D 00");  // 2000 << 4
  for (const auto& one : t) {
    EXPECT_EQ(one.port, kPort);
    EXPECT_EQ(one.address, kAddress);
    EXPECT_EQ(one.result, static_cast<int>(one.bytes.size()));
  }
  EXPECT_EQ(converter->configRegister(), 0xE480);
}

TEST_F(LinvoI2cTest, BackgroundSamplesFollowTheVoltagesUntilClosed) {
  Linvo sensor = open();
  ASSERT_TRUE(sensor.IsConnected());
  converter->setVoltage(1, 1.25);
  EXPECT_TRUE(test::waitUntil([&] { return std::fabs(sensor.GetVoltage(1) - 1.25f) < 0.002f; }));
  converter->setVoltage(1, 0.4);
  EXPECT_TRUE(test::waitUntil([&] { return std::fabs(sensor.GetVoltage(1) - 0.4f) < 0.002f; }));

  sensor.Close();
  EXPECT_FALSE(HALSIM_GetI2CInitialized(kPort));
  EXPECT_FALSE(sim::i2cPortOpen(kPort));
  auto calls = sim::i2cTransactions();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back().call, I2cCall::Close);
  EXPECT_EQ(calls.back().port, kPort);
}

// WPILib's HAL returns 0 from every transfer and passes no address to its callbacks.
TEST_F(LinvoI2cTest, WhatWpilibsHalDecides) {
  converter->detach();
  // Nothing on the port answers, yet WPILib's HAL reports the read done: the sensor counts as
  // connected.
  {
    Linvo sensor = open();
    EXPECT_EQ(lines, "I2C device is connected\n");
    EXPECT_TRUE(sensor.IsConnected());
  }
  // The rest on the bus alone, without the sensor's sampler in between.
  int32_t status = 0;
  HAL_InitializeI2C(HAL_I2C_kMXP, &status);
  ASSERT_EQ(status, 0);
  uint8_t buffer[2] = {0x55, 0x55};
  sim::clearI2cTransactions();
  EXPECT_EQ(HAL_ReadI2C(HAL_I2C_kMXP, kAddress, buffer, 2), 0);
  EXPECT_EQ(buffer[0], 0x55);  // untouched
  auto t = transfers();
  ASSERT_EQ(t.size(), 1u);
  EXPECT_EQ(t[0].result, -1);

  // With two devices on the port, transfers reach the one at the lowest address, whatever
  // address they name.
  auto low = std::make_shared<Probe>(0x11);
  auto high = std::make_shared<Probe>(0x22);
  sim::attachI2cDevice(kPort, 0x50, high);
  sim::attachI2cDevice(kPort, 0x20, low);
  EXPECT_EQ(HAL_ReadI2C(HAL_I2C_kMXP, 0x50, buffer, 2), 0);
  EXPECT_EQ(buffer[0], 0x11);
  EXPECT_EQ(transfers().back().address, 0x20);

  // Neither an injected failure (which keeps the bytes from the device) nor a refusal reaches the
  // program: the HAL still reports 0, only the record shows -1.
  const uint8_t out[1] = {9};
  sim::failI2cCalls(I2cCall::Write, 1);
  EXPECT_EQ(HAL_WriteI2C(HAL_I2C_kMXP, 0x20, out, 1), 0);
  EXPECT_TRUE(low->written.empty());
  EXPECT_EQ(transfers().back().result, -1);
  low->acknowledge = false;
  EXPECT_EQ(HAL_WriteI2C(HAL_I2C_kMXP, 0x20, out, 1), 0);
  EXPECT_EQ(low->written, std::vector<uint8_t>{9});
  EXPECT_EQ(transfers().back().result, -1);

  // A port WPILib holds open stays open across a reset of the controls.
  sim::resetI2c();
  EXPECT_TRUE(sim::i2cPortOpen(kPort));
  sim::attachI2cDevice(kPort, 0x20, std::make_shared<Probe>(0x33));
  EXPECT_EQ(HAL_ReadI2C(HAL_I2C_kMXP, 0x20, buffer, 1), 0);
  EXPECT_EQ(buffer[0], 0x33);
  HAL_CloseI2C(HAL_I2C_kMXP);
}

}  // namespace
