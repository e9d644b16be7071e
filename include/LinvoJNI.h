#pragma once

// The line sensor: four analog channels behind a 12-bit converter (ADS1015 register protocol)
// at address 0x48 on the expansion port's I2C bus (HAL port 1).
//
// There is one line sensor. c_initializeI2C opens it as a new driver object (its newest counts
// and its sampler), filed in a one-per-process handle table (korvane::HandleTable) that replaces
// the object opened before; c_closeI2C ends it. The latest-value readings find the open object
// through the table, and the blocking readings file their counts in it.
//
// A library thread of the open object samples the channels in turn for the latest-value
// readings: it starts with the first of them after c_initializeI2C, pauses when none came for a
// second, resumes with the next one, and is stopped and joined when its object is replaced or
// closed (and when the library is unloaded).
//
// Threading: the bus sequences of the blocking readings and of the samplers never interleave, and
// the latest-value readings may come from any thread at any time. c_initializeI2C and c_closeI2C
// take effect one at a time; they are meant to run with no blocking reading running meanwhile
// (which would read the settings they write).
// Ownership: a library-level owner holds the open object and the table only refers to it. The
// object takes itself out of the table first thing when it is destroyed (waiting for the readings
// that found it), so neither a replacement, nor close, nor the unload leaves the table referring
// to freed memory.

#include <cstdint>

#include "DeviceFaults.h"

class LinvoJNI {
 public:
  // Sets the reference voltage, the default gain (+-2.048 V) and data rate (1600 samples/s),
  // opens the bus and checks that the converter answers (a status line is printed either way).
  // The reference voltage is kept (vRef) but takes no part in the conversion to volts, which the
  // converter's full-scale range at its gain fixes: the volts are the input's.
  static bool c_initializeI2C(float vRef);
  static void c_closeI2C();
  // Reads one byte from the converter; prints whether it answered.
  static bool c_isConnected();
  // One conversion of channel 0..3 as a count 0..2047 (a reading below ground counts 0); 0
  // without bus traffic above 3.
  static int c_getRawValue(uint8_t channel);
  // The input's volts: the count times the full-scale voltage at the converter's gain (2.048 V by
  // default) / 2048; 0.0 until c_initializeI2C has set the gain.
  static float c_getVoltage(uint8_t channel);
  // The newest count of channel 0..3 without waiting for the converter: while read at least once
  // a second, at most 16 ms plus one conversion old. The first reading after c_initializeI2C, or
  // after a second without readings, gives what was there before (0 at first) and starts
  // sampling again. A blocking reading also counts as a sample. 0 above channel 3, until the
  // channel's first sample since c_initializeI2C, and after c_closeI2C.
  static int c_getLatestRawValue(uint8_t channel);
  // The newest count in volts, as c_getVoltage converts it.
  static float c_getLatestVoltage(uint8_t channel);

  // Health of the open sensor: whether the converter answered a read within the last 100 ms (the
  // sampler reads it every 4 ms while the sensor is read; when it has paused, one byte is read to
  // find out, a bus transaction of well under a millisecond), the age of the newest answer in
  // milliseconds (-1 before any) and the failed transfers since c_initializeI2C. No sensor open:
  // false, -1, an empty record. Silence while the sampler samples, and its end, are reported to
  // the driver station once, by the sampler.
  static bool c_isAnswering();
  static int64_t c_getDataAgeMs();
  static DeviceFaults c_getFaults();

  static int32_t port;
  static int32_t deviceAddress;
  static float vRef;
  static int32_t mode;
  static int32_t gain;
  static int32_t sampleRate;
};
