#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <iostream>
#include <mutex>

#include "LinvoJNI.h"
#include "common/ErrorText.h"
#include "common/SimulatedDevice.h"
#include "common/Sleep.h"
#include "hal/I2C.h"
#include "linvo/LinvoSampler.h"

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
constexpr int kChannels = 4;

// The sampler reads one channel per step and selects the next, so the converter has a whole step
// to convert it: each channel is read every 4 steps, 16 ms, and the conversion it returns is at
// most one conversion period (0.625 ms at 1600 samples/s) older than that read.
constexpr auto kSamplerStep = std::chrono::milliseconds(4);
constexpr auto kSamplerIdleAfter = std::chrono::seconds(1);

// One bus sequence at a time: the blocking readings, the sampler's steps and the settings they
// build the configuration word from.
std::mutex g_bus;
// Under g_bus: the channel the converter was last switched to, and the one the sampler switched
// it to (-1: none).
int g_selected = -1;
int g_sampling = -1;
// The newest count of each channel, from the sampler or a blocking reading.
std::array<std::atomic<int>, kChannels> g_latest{};

// While the bus is open the sensor is shown as "Linvo[<port>]" with the newest voltage of each
// channel, "Voltage <n>". Defined before the sampler, which updates it, so that it outlives it.
struct Shown {
  std::array<korvane::SimDoubleOutput, kChannels> volts;
  korvane::SimulatedDevice device;  // after the values: closed before they go
} g_shown;
constexpr const char* kVoltageNames[kChannels] = {"Voltage 0", "Voltage 1", "Voltage 2",
                                                  "Voltage 3"};

void report(int code) {
  std::cout << korvane::errorText(code) << std::endl;
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

// Under g_bus: switches the converter to the channel and starts its conversion.
void selectChannel(int channel) {
  int word = kStartConversion | LinvoJNI::mode | LinvoJNI::sampleRate | LinvoJNI::gain |
             (kSingleEndedChannel0 + channel * kChannelStep);
  uint8_t config[3] = {kConfigRegister, static_cast<uint8_t>((word >> 8) & 0xFF),
                       static_cast<uint8_t>(word & 0xFF)};
  writeRegister(config, 3);
  g_selected = channel;
}

// Under g_bus: the selected channel's newest conversion.
int readCount() {
  // The result is a 12-bit two's-complement count in the register's top bits. A single-ended input
  // at or just below ground can read negative: that is 0 V, not a count near the top of the range.
  const int result = readRegister(kConversionRegister);
  if (result & 0x8000) return 0;
  return result >> 4;
}

float toVolts(int count) {
  return static_cast<float>(count) * (LinvoJNI::vRef * kCountToFraction);
}

int getSingle(uint8_t channel) {
  if (channel > 3) return 0;
  float volts;
  int count;
  {
    std::lock_guard<std::mutex> bus(g_bus);
    selectChannel(channel);
    delay(0.001);
    count = readCount();
    g_latest[channel].store(count);
    volts = toVolts(count);
  }
  g_shown.volts[channel].set(volts);
  return count;
}

// One sampler step: reads the channel selected one step ago, unless a blocking reading switched
// the converter to another one meanwhile, then selects the next channel.
void sampleStep() {
  int sampled = -1;
  float volts = 0.0f;
  {
    std::lock_guard<std::mutex> bus(g_bus);
    int next = 0;
    if (g_sampling >= 0 && g_selected == g_sampling) {
      const int count = readCount();
      g_latest[g_sampling].store(count);
      sampled = g_sampling;
      volts = toVolts(count);
      next = (g_sampling + 1) % kChannels;
    } else if (g_sampling >= 0) {
      next = g_sampling;
    }
    selectChannel(next);
    g_sampling = next;
  }
  if (sampled >= 0) g_shown.volts[static_cast<size_t>(sampled)].set(volts);
}

linvo::Sampler g_sampler(sampleStep, kSamplerStep, kSamplerIdleAfter);

}  // namespace

bool LinvoJNI::c_initializeI2C(float reference) {
  {
    std::lock_guard<std::mutex> bus(g_bus);
    vRef = reference;
    mode = 0;
    gain = kDefaultGain;
    sampleRate = kDefaultSampleRate;
    g_selected = -1;
    g_sampling = -1;
    int32_t status = 0;
    HAL_InitializeI2C(halPort(), &status);
  }
  if (!g_shown.device && g_shown.device.open("Linvo", port)) {
    for (int c = 0; c < kChannels; ++c) g_shown.device.add(g_shown.volts[c], kVoltageNames[c], 0.0);
  }
  g_sampler.enable();
  return c_isConnected();
}

void LinvoJNI::c_closeI2C() {
  g_sampler.disable();
  {
    std::lock_guard<std::mutex> bus(g_bus);
    HAL_CloseI2C(halPort());
    g_selected = -1;
    g_sampling = -1;
    for (auto& count : g_latest) count.store(0);
  }
  g_shown.device.close();
}

bool LinvoJNI::c_isConnected() {
  uint8_t answer = 0;
  std::unique_lock<std::mutex> bus(g_bus);
  const int failed = readI2C(1, &answer);
  bus.unlock();
  if (failed != 0) {
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
  return toVolts(getSingle(channel));
}

int LinvoJNI::c_getLatestRawValue(uint8_t channel) {
  if (channel > 3) return 0;
  g_sampler.touch();
  return g_latest[channel].load();
}

float LinvoJNI::c_getLatestVoltage(uint8_t channel) {
  return toVolts(c_getLatestRawValue(channel));
}
