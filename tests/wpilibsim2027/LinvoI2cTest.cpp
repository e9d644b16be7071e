// The line sensor over WPILib 2027's simulation HAL: its transfers reach the simulated converter
// through WPILib's I2C callbacks.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "LinvoBus.h"
#include "LinvoJNI.h"
#include "Wait.h"
#include "korvane/Linvo.h"
#include "korvane/sim/I2c.h"
#include "wpi/hal/I2C.h"
#include "wpi/hal/simulation/I2CData.h"

using namespace korvane;
using test::describe;
using test::transfers;

namespace {

constexpr int kPort = test::kLinvoPort;
constexpr int kAddress = test::kLinvoAddress;

using LinvoI2cTest = test::LinvoConverterTest;

TEST_F(LinvoI2cTest, SamplesTheSimulatedVoltages) {
  converter->setVoltage(0, 0.5);
  converter->setVoltage(1, 1.0);
  converter->setVoltage(3, 3.0);  // above the 2.048 V full scale: clipped
  Linvo sensor = open();
  EXPECT_EQ(lines, "I2C device is connected\n");
  EXPECT_TRUE(HALSIM_GetI2CInitialized(HAL_I2C_PORT_1));
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
TEST_F(LinvoI2cTest, ReadsTheSimulatedVoltagesThroughWpilibsCallbacks) {
  ASSERT_TRUE(initialize(3.3f));
  EXPECT_EQ(lines, "I2C device is connected\n");
  EXPECT_TRUE(HALSIM_GetI2CInitialized(HAL_I2C_PORT_1));
  EXPECT_TRUE(sim::i2cPortOpen(kPort));

  converter->setVoltage(0, 0.5);
  converter->setVoltage(3, 3.0);  // above the 2.048 V full scale: clipped
  EXPECT_EQ(LinvoJNI::c_getRawValue(0), 500);
  EXPECT_EQ(LinvoJNI::c_getRawValue(3), 2047);
  converter->setVoltage(2, 2.0);
  sim::clearI2cTransactions();
  EXPECT_NEAR(LinvoJNI::c_getVoltage(2), 2.0, 1e-4);  // the input's volts

  // The converter saw the driver's bytes, on the converter's port (WPILib passes no address).
  auto t = transfers();
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(describe(t[0]), "W 01 E4 80");
  EXPECT_EQ(describe(t[1]), "W 00 00");
  EXPECT_EQ(describe(t[2]), "R 7D 00");  // 2000 << 4
  for (const auto& one : t) {
    EXPECT_EQ(one.port, kPort);
    EXPECT_EQ(one.address, kAddress);
  }
}

TEST_F(LinvoI2cTest, BackgroundSamplesFollowTheVoltagesUntilClosed) {
  Linvo sensor = open();
  ASSERT_TRUE(sensor.IsConnected());
  converter->setVoltage(1, 1.25);
  EXPECT_TRUE(test::waitUntil([&] { return std::fabs(sensor.GetVoltage(1) - 1.25f) < 0.002f; }));
  converter->setVoltage(1, 0.4);
  EXPECT_TRUE(test::waitUntil([&] { return std::fabs(sensor.GetVoltage(1) - 0.4f) < 0.002f; }));
  sensor.Close();
  EXPECT_FALSE(HALSIM_GetI2CInitialized(HAL_I2C_PORT_1));
  EXPECT_FALSE(sim::i2cPortOpen(kPort));
}

}  // namespace
