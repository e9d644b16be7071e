#pragma once

// A simulated line sensor: a four-channel 12-bit converter with the ADS1015 register protocol on
// the simulated I2C bus, with settable input voltages.
//
// The converter has a pointer register (the first byte of every write) that selects the
// configuration (0x01), conversion (0x00) or threshold registers (0x02, 0x03); three-byte writes
// set the selected register, reads return it most significant byte first. A conversion takes
// one sample period of the configured data rate; until it is done, the conversion register keeps
// the previous result. Results are single-ended readings of the selected channel at the
// configured gain, 12 bits left-justified in 16, clipped at full scale.
//
// Threading: every member may be called from any thread.

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>

#include "korvane/sim/I2c.h"

namespace korvane::sim {

class LinvoSim : public I2cDevice, public std::enable_shared_from_this<LinvoSim> {
 public:
  static constexpr int kDefaultPort = 1;
  static constexpr int kDefaultAddress = 0x48;
  static constexpr uint16_t kPowerOnConfig = 0x8583;

  // Puts a converter on the bus, where it stays until detach().
  static std::shared_ptr<LinvoSim> attach(int port = kDefaultPort, int address = kDefaultAddress);
  ~LinvoSim() override;
  void detach();

  // Input voltage of channel 0..3 (others are ignored); 0 V at start.
  void setVoltage(int channel, double volts);
  double voltage(int channel) const;
  uint16_t configRegister() const;
  // Configuration words written, in total.
  int configWrites() const;

  bool onWrite(const uint8_t* data, int size) override;
  bool onRead(uint8_t* data, int size) override;

 private:
  using Clock = std::chrono::steady_clock;
  LinvoSim() = default;
  // Under the lock.
  uint16_t convertLocked() const;
  uint16_t conversionLocked(Clock::time_point now);
  uint16_t registerLocked(uint8_t pointer, Clock::time_point now);

  mutable std::mutex mutex_;
  I2cDeviceId id_ = 0;
  std::array<double, 4> volts_{};
  uint8_t pointer_ = 0;
  uint16_t config_ = kPowerOnConfig;
  uint16_t lowThreshold_ = 0x8000;
  uint16_t highThreshold_ = 0x7FFF;
  uint16_t conversion_ = 0;
  uint16_t pendingConversion_ = 0;
  Clock::time_point conversionDoneAt_{};
  bool conversionPending_ = false;
  int configWrites_ = 0;
};

}  // namespace korvane::sim
