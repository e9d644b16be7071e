// The line sensor against the simulated converter: voltages in, counts and volts out.

#include <gtest/gtest.h>

#include "LinvoBus.h"
#include "LinvoJNI.h"
#include "Wait.h"
#include "hal/I2C.h"
#include "korvane/Linvo.h"
#include "korvane/sim/I2c.h"

using namespace korvane;

namespace {

using LinvoSimTest = test::LinvoConverterTest;

// Writes a 16-bit register most significant byte first, as the converter expects.
void writeRegister(uint8_t reg, uint16_t value) {
  uint8_t data[3] = {reg, static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
  ASSERT_EQ(HAL_WriteI2C(HAL_I2C_kMXP, 0x48, data, 3), 3);
}

uint16_t readRegister(uint8_t reg) {
  uint8_t pointer = reg;
  EXPECT_EQ(HAL_WriteI2C(HAL_I2C_kMXP, 0x48, &pointer, 1), 1);
  uint8_t data[2] = {};
  EXPECT_EQ(HAL_ReadI2C(HAL_I2C_kMXP, 0x48, data, 2), 2);
  return static_cast<uint16_t>(data[0] << 8 | data[1]);
}

TEST_F(LinvoSimTest, ReadsEachChannelAtTheDefaultGain) {
  converter->setVoltage(0, 0.5);
  converter->setVoltage(1, 1.0);
  converter->setVoltage(2, 2.0);
  converter->setVoltage(3, 3.0);  // above the 2.048 V full scale: clipped
  Linvo sensor = open();
  ASSERT_TRUE(sensor.IsConnected());
  EXPECT_TRUE(reads(sensor, 0, 500));
  EXPECT_TRUE(reads(sensor, 1, 1000));
  EXPECT_TRUE(reads(sensor, 2, 2000));
  EXPECT_TRUE(reads(sensor, 3, 2047));
  EXPECT_NEAR(sensor.GetVoltage(1), 1.0, 1e-4);  // the input's volts
}

// The statics' direct blocking reads: each writes its channel's configuration word once.
TEST_F(LinvoSimTest, DirectReadsConfigureTheChannelTheyRead) {
  ASSERT_TRUE(initialize(3.3f));
  converter->setVoltage(0, 0.5);
  converter->setVoltage(1, 1.0);
  converter->setVoltage(2, 2.0);
  converter->setVoltage(3, 3.0);  // above the 2.048 V full scale: clipped
  EXPECT_EQ(LinvoJNI::c_getRawValue(0), 500);
  EXPECT_EQ(LinvoJNI::c_getRawValue(1), 1000);
  EXPECT_EQ(LinvoJNI::c_getRawValue(2), 2000);
  EXPECT_EQ(LinvoJNI::c_getRawValue(3), 2047);
  EXPECT_NEAR(LinvoJNI::c_getVoltage(1), 1.0, 1e-4);  // the input's volts
  EXPECT_EQ(converter->configRegister(), 0xD480);     // channel 1, the last one read
  EXPECT_EQ(converter->configWrites(), 5);
}

TEST_F(LinvoSimTest, AnInputBelowGroundReadsAsGround) {
  converter->setVoltage(2, 0.5);
  Linvo sensor = open();
  ASSERT_TRUE(reads(sensor, 2, 500));
  converter->setVoltage(2, -0.1);
  EXPECT_TRUE(reads(sensor, 2, 0));
  EXPECT_EQ(sensor.GetVoltage(2), 0.0f);
}

// The statics' `gain` field, which the direct reads configure the converter with.
TEST_F(LinvoSimTest, GainFromTheConfigurationWord) {
  ASSERT_TRUE(initialize(3.3f));
  converter->setVoltage(1, 1.0);
  LinvoJNI::gain = 0x0200;  // +-4.096 V
  EXPECT_EQ(LinvoJNI::c_getRawValue(1), 500);
  LinvoJNI::gain = 0x0600;  // +-1.024 V
  EXPECT_EQ(LinvoJNI::c_getRawValue(1), 2000);
}

// The converter alone, on a bus opened without the sensor's sampler.
TEST_F(LinvoSimTest, ConverterRegistersAndSingleShotConversions) {
  int32_t status = 0;
  HAL_InitializeI2C(HAL_I2C_kMXP, &status);
  ASSERT_EQ(status, 0);
  EXPECT_EQ(readRegister(0x02), 0x8000);
  EXPECT_EQ(readRegister(0x03), 0x7FFF);
  converter->setVoltage(0, 1.0);
  // Single-shot without the start bit: no conversion happens.
  writeRegister(0x01, 0x4583);
  EXPECT_EQ(readRegister(0x00), 0);
  // With the start bit, one conversion; later input changes are not seen until the next.
  writeRegister(0x01, 0xC583);
  EXPECT_TRUE(test::waitUntil([] { return (readRegister(0x01) & 0x8000) != 0; }));  // done
  EXPECT_EQ(readRegister(0x00), 1000 << 4);
  converter->setVoltage(0, 0.5);
  EXPECT_EQ(readRegister(0x00), 1000 << 4);
  HAL_CloseI2C(HAL_I2C_kMXP);
}

TEST_F(LinvoSimTest, DetachedConverterIsNotConnected) {
  converter->detach();
  Linvo sensor = open();
  EXPECT_EQ(lines, "I2C device not connected\n");
  EXPECT_TRUE(sensor.IsOpen()) << "the robot program runs on without it";
  EXPECT_FALSE(sensor.IsConnected());
  EXPECT_EQ(sensor.GetRawValue(0), 0);
  EXPECT_EQ(sensor.GetFaults().dataAgeMs, -1);
}

}  // namespace
