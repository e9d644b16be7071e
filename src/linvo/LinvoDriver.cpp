#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <memory>
#include <mutex>

#include "LinvoJNI.h"
#include "common/ConsoleLine.h"
#include "common/DeviceHealth.h"
#include "common/ErrorText.h"
#include "common/HandleTable.h"
#include "common/MillisecondClock.h"
#include "common/SimulatedDevice.h"
#include "common/Sleep.h"
#include "linvo/LinvoSampler.h"
#include "linvo/LinvoSensors.h"
#include "port/I2c.h"

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
constexpr int kDefaultGain = 0x0400;  // +-2.048 V full scale
constexpr int kGainBits = 0x0E00;
constexpr int kDefaultSampleRate = 0x0080;          // 1600 samples per second
constexpr float kCountToFraction = 0.00048828125f;  // 1 / 2048
constexpr int kChannels = 4;
// The converter's full-scale voltage for each setting of its programmable gain (bits 11-9).
constexpr float kFullScaleVolts[8] = {6.144f, 4.096f, 2.048f, 1.024f,
                                      0.512f, 0.256f, 0.256f, 0.256f};

// The sampler reads one channel per step and selects the next, so the converter has a whole step
// to convert it: each channel is read every 4 steps, 16 ms, and the conversion it returns is at
// most one conversion period (0.625 ms at 1600 samples/s) older than that read.
constexpr auto kSamplerStep = std::chrono::milliseconds(4);
constexpr auto kSamplerIdleAfter = std::chrono::seconds(1);

// One bus sequence at a time: the blocking readings, the samplers' steps and the settings they
// build the configuration word from. The bus outlives a sensor object: a replaced object's last
// step and the newer object's first never interleave on it.
std::mutex g_bus;
// Under g_bus: the channel the converter was last switched to (-1: none).
int g_selected = -1;
// Under g_bus: whether an initialisation has set the configuration (voltages are 0.0 before).
bool g_configured = false;

// Heard from while the converter answered a read within kSilenceMs: the sampler reads it every
// 4 ms while the sensor is read. One per process, as the sensor is; each initialisation starts
// it afresh. Every transfer on the bus tells it how it went. Never destroyed: a sampler may still
// report while the process exits.
constexpr uint32_t kSilenceMs = 100;
korvane::DeviceHealth& health() {
  static auto* instance =
      new korvane::DeviceHealth("Linvo", "", kSilenceMs, korvane::libraryMilliseconds);
  return *instance;
}

int told(int32_t result, korvane::FailedCall kind) {
  if (result < 0) {
    health().failed(kind, result);
    return 1;
  }
  if (kind == korvane::FailedCall::Send) {
    health().sent();
  } else {
    health().heardNow();
  }
  return 0;
}

constexpr const char* kVoltageNames[kChannels] = {"Voltage 0", "Voltage 1", "Voltage 2",
                                                  "Voltage 3"};

void report(int code) {
  korvane::printLine(std::cout, korvane::errorText(code));
}

int32_t halPort() {
  return LinvoJNI::port;
}

// The transfer helpers return 1 when the HAL aborted the transfer, 0 otherwise.
int writeI2C(uint8_t reg, uint8_t value) {
  uint8_t data[2] = {reg, value};
  return told(korvane::port::i2c::write(halPort(), LinvoJNI::deviceAddress, data, 2),
              korvane::FailedCall::Send);
}

int writeBulkI2C(const uint8_t* data, int count) {
  return told(korvane::port::i2c::write(halPort(), LinvoJNI::deviceAddress, data, count),
              korvane::FailedCall::Send);
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
  return told(korvane::port::i2c::read(halPort(), LinvoJNI::deviceAddress, buffer, count),
              korvane::FailedCall::Receive);
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

// The converter's full-scale voltage at a gain setting: it stands for a count of 2048.
float fullScaleVolts(int gain) {
  return kFullScaleVolts[(gain & kGainBits) >> 9];
}

float toVolts(int count, float fullScale) {
  return static_cast<float>(count) * (fullScale * kCountToFraction);
}

// Under g_bus: the count in volts of the input at the converter's present gain, whatever the
// reference given (0.0 before an initialisation has set the gain).
float toVolts(int count) {
  if (!g_configured) return 0.0f;
  return toVolts(count, fullScaleVolts(LinvoJNI::gain));
}

}  // namespace

namespace korvane::linvo {
namespace {

// One open line sensor: its newest counts, its sampler and its simulated device. Made by
// c_initializeI2C and filed in the table; the next c_initializeI2C replaces it and c_closeI2C
// ends it, each stopping and joining its sampler.
class Sensor {
 public:
  // Silence is a fault while the sampler samples; paused, nobody reads the sensor.
  explicit Sensor(float fullScale)
      : handle(serialHandle()),
        fullScale_(fullScale),
        sampler_([this] { sampleStep(); }, kSamplerStep, kSamplerIdleAfter,
                 [](bool sampling) { health().expectData(sampling); }) {}
  ~Sensor();
  Sensor(const Sensor&) = delete;
  Sensor& operator=(const Sensor&) = delete;

  // Shows the sensor in a desktop simulation and lets a reading start the sampler.
  void open();
  // Under g_bus, from a blocking reading: the channel's newest count.
  void recordReading(int channel, int count) { latest_[static_cast<size_t>(channel)].store(count); }
  void show(int channel, float volts) { volts_[static_cast<size_t>(channel)].set(volts); }
  int latest(uint8_t channel) {
    sampler_.touch();
    return latest_[channel].load();
  }
  // In volts of the input, at the full scale of the gain the sensor was opened with: a reading
  // never sees the settings of a sensor opened after it.
  float latestVolts(uint8_t channel) { return toVolts(latest(channel), fullScale_); }

  // Its handle in the table (a serial number: a replaced object's handle never names a later one).
  const int64_t handle;

 private:
  void sampleStep();

  const float fullScale_;
  // Under g_bus: the channel this object's sampler switched the converter to (-1: none).
  int sampling_ = -1;
  std::array<std::atomic<int>, kChannels> latest_{};
  // While open the sensor is shown as "Linvo[<port>]" with the newest voltage of each channel,
  // "Voltage <n>". Declared before the sampler, which updates them, so that they outlive it.
  std::array<SimDoubleOutput, kChannels> volts_;
  SimulatedDevice device_;  // after the values: closed before they go
  Sampler sampler_;
};

// The open sensor, found by every latest-value reading and by the blocking readings (which file
// their counts in it). g_owner owns it; it is defined after the table, which therefore outlives
// it at unload.
HandleTable<Sensor, Population::OnePerProcess, 2> g_live;
std::unique_ptr<Sensor> g_owner;
// c_initializeI2C and c_closeI2C, which replace or end the open sensor, one at a time.
std::mutex g_opening;

Sensor::~Sensor() {
  // Out of the table first (once the readings that found it have returned), so nothing finds
  // it while its sampler is joined and its values go.
  g_live.remove(handle);
  sampler_.disable();
  device_.close();
}

void Sensor::open() {
  if (device_.open("Linvo", LinvoJNI::port)) {
    for (int c = 0; c < kChannels; ++c) device_.add(volts_[c], kVoltageNames[c], 0.0);
  }
  sampler_.enable();
}

// One sampler step: reads the channel selected one step ago, unless a blocking reading switched
// the converter to another one meanwhile, then selects the next channel.
void Sensor::sampleStep() {
  int sampled = -1;
  float volts = 0.0f;
  {
    std::lock_guard<std::mutex> bus(g_bus);
    int next = 0;
    if (sampling_ >= 0 && g_selected == sampling_) {
      const int count = readCount();
      latest_[static_cast<size_t>(sampling_)].store(count);
      sampled = sampling_;
      volts = toVolts(count, fullScale_);
      next = (sampling_ + 1) % kChannels;
    } else if (sampling_ >= 0) {
      next = sampling_;
    }
    selectChannel(next);
    sampling_ = next;
  }
  if (sampled >= 0) show(sampled, volts);
  health().check();
}

// One blocking conversion of the channel: its count, and (when asked) its volts at the
// converter's present gain.
int getSingle(uint8_t channel, float* voltsOut = nullptr) {
  if (channel > 3) return 0;
  auto sensor = g_live.only();
  float volts;
  int count;
  {
    std::lock_guard<std::mutex> bus(g_bus);
    selectChannel(channel);
    delay(0.001);
    count = readCount();
    if (sensor) sensor->recordReading(channel, count);
    volts = toVolts(count);
  }
  if (sensor) sensor->show(channel, volts);
  if (voltsOut != nullptr) *voltsOut = volts;
  return count;
}

}  // namespace
}  // namespace korvane::linvo

namespace korvane::linvo {

int64_t open(float reference, bool* answered) {
  int64_t handle = 0;
  {
    std::lock_guard opening(g_opening);
    auto fresh = std::make_unique<Sensor>(fullScaleVolts(kDefaultGain));
    handle = fresh->handle;
    {
      std::lock_guard<std::mutex> bus(g_bus);
      LinvoJNI::vRef = reference;
      LinvoJNI::mode = 0;
      LinvoJNI::gain = kDefaultGain;
      LinvoJNI::sampleRate = kDefaultSampleRate;
      g_selected = -1;
      g_configured = true;
      char address[32];
      std::snprintf(address, sizeof address, "I2C address 0x%02X", LinvoJNI::deviceAddress);
      health().reopen("Linvo[" + std::to_string(LinvoJNI::port) + "]", address);
      health().expectData(false);  // until the sampler samples
      int32_t status = 0;
      korvane::port::i2c::initialize(halPort(), &status);
    }
    // The sensor opened before is out of the table once add returns; freeing it joins its
    // sampler and takes it out of the simulation before the new one shows itself.
    g_live.add(handle, fresh.get());
    g_owner.swap(fresh);
    fresh.reset();
    g_owner->open();
  }
  *answered = LinvoJNI::c_isConnected();
  return handle;
}

int64_t openSampling(float reference) {
  bool answered = false;
  const int64_t handle = open(reference, &answered);
  latestRawValue(handle, 0);  // a reading starts the sampler
  return handle;
}

void close(int64_t handle) {
  std::lock_guard opening(g_opening);
  if (!g_owner || g_owner->handle != handle) return;
  g_owner.reset();  // its sampler is joined, its latest counts go
  std::lock_guard<std::mutex> bus(g_bus);
  korvane::port::i2c::close(halPort());
  g_selected = -1;
}

int64_t openHandle() {
  auto sensor = g_live.only();
  return sensor ? sensor->handle : 0;
}

int latestRawValue(int64_t handle, int channel) {
  if (channel < 0 || channel > 3) return 0;
  auto sensor = g_live.find(handle);
  return sensor ? sensor->latest(static_cast<uint8_t>(channel)) : 0;
}

float latestVoltage(int64_t handle, int channel) {
  if (channel < 0 || channel > 3) return 0.0f;
  auto sensor = g_live.find(handle);
  return sensor ? sensor->latestVolts(static_cast<uint8_t>(channel)) : 0.0f;
}

bool isAnswering(int64_t handle) {
  auto sensor = g_live.find(handle);
  if (!sensor) return false;
  if (!health().connected()) {
    // Nobody read it lately, or it stopped answering: one byte tells which.
    uint8_t answer = 0;
    std::lock_guard<std::mutex> bus(g_bus);
    readI2C(1, &answer);
  }
  return health().connected();
}

int64_t dataAgeMs(int64_t handle) {
  return g_live.find(handle) ? health().dataAgeMs() : -1;
}

std::optional<DeviceFaults> faults(int64_t handle) {
  auto sensor = g_live.find(handle);
  if (!sensor) return std::nullopt;
  isAnswering(handle);
  return health().record();
}

}  // namespace korvane::linvo

bool LinvoJNI::c_initializeI2C(float reference) {
  bool answered = false;
  korvane::linvo::open(reference, &answered);
  return answered;
}

void LinvoJNI::c_closeI2C() {
  using namespace korvane::linvo;
  std::lock_guard opening(g_opening);
  g_owner.reset();  // its sampler is joined, its latest counts go
  std::lock_guard<std::mutex> bus(g_bus);
  korvane::port::i2c::close(halPort());
  g_selected = -1;
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
  return korvane::linvo::getSingle(channel);
}

float LinvoJNI::c_getVoltage(uint8_t channel) {
  float volts = 0.0f;
  korvane::linvo::getSingle(channel, &volts);
  return volts;
}

bool LinvoJNI::c_isAnswering() {
  return korvane::linvo::isAnswering(korvane::linvo::openHandle());
}

int64_t LinvoJNI::c_getDataAgeMs() {
  return korvane::linvo::dataAgeMs(korvane::linvo::openHandle());
}

DeviceFaults LinvoJNI::c_getFaults() {
  return korvane::linvo::faults(korvane::linvo::openHandle()).value_or(DeviceFaults{});
}

int LinvoJNI::c_getLatestRawValue(uint8_t channel) {
  return korvane::linvo::latestRawValue(korvane::linvo::openHandle(), channel);
}

float LinvoJNI::c_getLatestVoltage(uint8_t channel) {
  return korvane::linvo::latestVoltage(korvane::linvo::openHandle(), channel);
}
