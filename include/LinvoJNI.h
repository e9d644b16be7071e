#pragma once

// The line sensor: four analog channels behind a 12-bit converter (ADS1015 register protocol)
// at address 0x48 on the expansion port's I2C bus (HAL port 1).
//
// Threading: one thread at a time for every call. Nothing is locked; two readings at once could
// interleave their configuration write and conversion read.

#include <cstdint>

class LinvoJNI {
 public:
  // Sets the reference voltage, the default gain (+-2.048 V) and data rate (1600 samples/s),
  // opens the bus and checks that the converter answers (a status line is printed either way).
  static bool c_initializeI2C(float vRef);
  static void c_closeI2C();
  // Reads one byte from the converter; prints whether it answered.
  static bool c_isConnected();
  // One conversion of channel 0..3 as a count 0..2047 (a reading below ground counts 0); 0
  // without bus traffic above 3.
  static int c_getRawValue(uint8_t channel);
  // The count times vRef / 2048; 0.0 until c_initializeI2C has set vRef.
  static float c_getVoltage(uint8_t channel);

  static int32_t port;
  static int32_t deviceAddress;
  static float vRef;
  static int32_t mode;
  static int32_t gain;
  static int32_t sampleRate;
};
