#include "LinvoSim.h"

#include <algorithm>
#include <cmath>

namespace korvane::sim {
namespace {

constexpr uint8_t kConversionPointer = 0x00;
constexpr uint8_t kConfigPointer = 0x01;
constexpr uint8_t kLowThresholdPointer = 0x02;
constexpr uint8_t kHighThresholdPointer = 0x03;

constexpr uint16_t kStartBit = 0x8000;
constexpr uint16_t kSingleShotBit = 0x0100;

// Full-scale voltage of the gain bits 11-9.
double fullScale(uint16_t config) {
  static constexpr double kScales[8] = {6.144, 4.096, 2.048, 1.024, 0.512, 0.256, 0.256, 0.256};
  return kScales[(config >> 9) & 0x7];
}

// Samples per second of the data-rate bits 7-5.
int samplesPerSecond(uint16_t config) {
  static constexpr int kRates[8] = {128, 250, 490, 920, 1600, 2400, 3300, 3300};
  return kRates[(config >> 5) & 0x7];
}

}  // namespace

std::shared_ptr<LinvoSim> LinvoSim::attach(int port, int address) {
  std::shared_ptr<LinvoSim> sim(new LinvoSim);
  sim->id_ = attachI2cDevice(port, address, sim);
  return sim;
}

LinvoSim::~LinvoSim() {
  detach();
}

void LinvoSim::detach() {
  I2cDeviceId id;
  {
    std::lock_guard lock(mutex_);
    id = id_;
    id_ = 0;
  }
  if (id != 0) detachI2cDevice(id);
}

void LinvoSim::setVoltage(int channel, double volts) {
  if (channel < 0 || channel > 3) return;
  std::lock_guard lock(mutex_);
  volts_[channel] = volts;
}

double LinvoSim::voltage(int channel) const {
  if (channel < 0 || channel > 3) return 0.0;
  std::lock_guard lock(mutex_);
  return volts_[channel];
}

uint16_t LinvoSim::configRegister() const {
  std::lock_guard lock(mutex_);
  return config_;
}

int LinvoSim::configWrites() const {
  std::lock_guard lock(mutex_);
  return configWrites_;
}

uint16_t LinvoSim::convertLocked() const {
  int mux = (config_ >> 12) & 0x7;
  // Differential inputs (mux 0-3) are not wired on the board: they read 0.
  double volts = mux >= 4 ? volts_[mux - 4] : 0.0;
  double code = std::round(volts / fullScale(config_) * 2048.0);
  int counts = static_cast<int>(std::clamp(code, -2048.0, 2047.0));
  return static_cast<uint16_t>(counts * 16);
}

uint16_t LinvoSim::conversionLocked(Clock::time_point now) {
  if (conversionPending_ && now >= conversionDoneAt_) {
    conversion_ = pendingConversion_;
    conversionPending_ = false;
  }
  bool continuous = (config_ & kSingleShotBit) == 0;
  if (continuous && !conversionPending_) conversion_ = convertLocked();
  return conversion_;
}

uint16_t LinvoSim::registerLocked(uint8_t pointer, Clock::time_point now) {
  switch (pointer & 0x3) {
    case kConversionPointer:
      return conversionLocked(now);
    case kConfigPointer:
      conversionLocked(now);
      // Bit 15 reads 1 while no conversion is in progress.
      return static_cast<uint16_t>((config_ & ~kStartBit) | (conversionPending_ ? 0 : kStartBit));
    case kLowThresholdPointer:
      return lowThreshold_;
    default:
      return highThreshold_;
  }
}

bool LinvoSim::onWrite(const uint8_t* data, int size) {
  std::lock_guard lock(mutex_);
  if (size < 1) return false;
  pointer_ = data[0] & 0x3;
  if (size < 3) return true;  // a pointer write; a lone extra byte is ignored
  uint16_t value = static_cast<uint16_t>(data[1] << 8 | data[2]);
  switch (pointer_) {
    case kConfigPointer: {
      auto now = Clock::now();
      conversionLocked(now);
      config_ = value;
      ++configWrites_;
      bool singleShot = (value & kSingleShotBit) != 0;
      if (!singleShot || (value & kStartBit) != 0) {
        pendingConversion_ = convertLocked();
        conversionPending_ = true;
        conversionDoneAt_ = now + std::chrono::microseconds(1000000 / samplesPerSecond(value));
      }
      break;
    }
    case kLowThresholdPointer:
      lowThreshold_ = value;
      break;
    case kHighThresholdPointer:
      highThreshold_ = value;
      break;
    default:
      break;  // the conversion register is read-only
  }
  return true;
}

bool LinvoSim::onRead(uint8_t* data, int size) {
  std::lock_guard lock(mutex_);
  uint16_t value = registerLocked(pointer_, Clock::now());
  for (int i = 0; i < size; ++i)
    data[i] = i % 2 == 0 ? static_cast<uint8_t>(value >> 8) : static_cast<uint8_t>(value & 0xFF);
  return true;
}

}  // namespace korvane::sim
