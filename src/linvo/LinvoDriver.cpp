#include <cerrno>
#include <cstdint>
#include <ctime>
#include <iostream>

#include "LinvoJNI.h"
#include "Torqa.h"
#include "common/Sleep.h"
#include "hal/I2C.h"

int32_t LinvoJNI::port = 1;
int32_t LinvoJNI::deviceAddress = 0x48;
float LinvoJNI::vRef = 0.0f;
int32_t LinvoJNI::mode = 0;
int32_t LinvoJNI::gain = 0;
int32_t LinvoJNI::sampleRate = 0;

namespace {

constexpr int kNotConnected = 2001;
constexpr int kConnected = 2002;
constexpr int kReadCountOutOfRange = 2010;
constexpr int kReadBufferNull = 2011;

constexpr uint8_t kConfigRegister = 0x01;
constexpr uint8_t kConversionRegister = 0x00;
constexpr int kStartConversion = 0x8000;
constexpr int kSingleEndedChannel0 = 0x4000;
constexpr int kChannelStep = 0x1000;
constexpr int kDefaultGain = 0x0400;                // +-2.048 V full scale
constexpr int kDefaultSampleRate = 0x0080;          // 1600 samples per second
constexpr float kCountToFraction = 0.00048828125f;  // 1 / 2048

void report(int code) {
  std::cout << Torqa::getErrorMessage(code) << std::endl;
}

HAL_I2CPort halPort() {
  return static_cast<HAL_I2CPort>(LinvoJNI::port);
}

// The transfer helpers return 1 when the HAL aborted the transfer, 0 otherwise.
int writeI2C(uint8_t reg, uint8_t value) {
  uint8_t data[2] = {reg, value};
  return HAL_WriteI2C(halPort(), LinvoJNI::deviceAddress, data, 2) < 0 ? 1 : 0;
}

int writeBulkI2C(const uint8_t* data, int count) {
  return HAL_WriteI2C(halPort(), LinvoJNI::deviceAddress, data, count) < 0 ? 1 : 0;
}

int readI2C(int count, uint8_t* buffer) {
  if (count <= 0) {
    report(kReadCountOutOfRange);
    return 1;
  }
  if (buffer == nullptr) {
    report(kReadBufferNull);
    return 1;
  }
  return HAL_ReadI2C(halPort(), LinvoJNI::deviceAddress, buffer, count) < 0 ? 1 : 0;
}

int writeRegister(const uint8_t* data, int count) {
  return writeBulkI2C(data, count);
}

// Points the converter at the register, then reads it most significant byte first. A failed
// read leaves the zeroed buffer, so it comes out as 0.
uint16_t readRegister(uint8_t reg) {
  writeI2C(reg, 0);
  uint8_t data[2] = {0, 0};
  readI2C(2, data);
  return static_cast<uint16_t>(data[0] * 256 + data[1]);
}

void delay(double seconds) {
  int64_t milliseconds = static_cast<int64_t>(seconds * 1000.0);
  korvane::sleepMilliseconds(milliseconds);
}

int getSingle(uint8_t channel) {
  if (channel > 3) return 0;
  int word = kStartConversion | LinvoJNI::mode | LinvoJNI::sampleRate | LinvoJNI::gain |
             (kSingleEndedChannel0 + channel * kChannelStep);
  uint8_t config[3] = {kConfigRegister, static_cast<uint8_t>((word >> 8) & 0xFF),
                       static_cast<uint8_t>(word & 0xFF)};
  writeRegister(config, 3);
  delay(0.001);
  // The result is a 12-bit two's-complement count in the register's top bits. A single-ended input
  // at or just below ground can read negative: that is 0 V, not a count near the top of the range.
  const int result = readRegister(kConversionRegister);
  if (result & 0x8000) return 0;
  return result >> 4;
}

}  // namespace

bool LinvoJNI::c_initializeI2C(float reference) {
  vRef = reference;
  mode = 0;
  gain = kDefaultGain;
  sampleRate = kDefaultSampleRate;
  int32_t status = 0;
  HAL_InitializeI2C(halPort(), &status);
  return c_isConnected();
}

void LinvoJNI::c_closeI2C() {
  HAL_CloseI2C(halPort());
}

bool LinvoJNI::c_isConnected() {
  uint8_t answer = 0;
  if (readI2C(1, &answer) != 0) {
    report(kNotConnected);
    return false;
  }
  report(kConnected);
  return true;
}

int LinvoJNI::c_getRawValue(uint8_t channel) {
  return getSingle(channel);
}

float LinvoJNI::c_getVoltage(uint8_t channel) {
  return static_cast<float>(getSingle(channel)) * (vRef * kCountToFraction);
}
