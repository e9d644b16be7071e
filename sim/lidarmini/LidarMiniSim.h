#pragma once

// A simulated T-mini Plus mini LiDAR: it serves a pseudo-terminal at 230400 baud whose path a
// driver opens as it would the LiDAR's USB serial device.
//
// It answers the info query (A5 90) and the health query (A5 92) with settable values, starts
// (A5 60) and stops (A5 65) scanning, and steps its scan frequency by 0.1 Hz or 1 Hz (A5 09, 0A,
// 0B, 0C) within 6..12 Hz. While scanning it streams revolutions of kSampleRate samples a second
// over the frequency, each beginning with a one-sample start packet at 0 degrees, measuring a
// virtual room (a 6 m x 3.5 m box with a pillar), never faster than 230400 baud carries the
// bytes. It can be made silent, mix garbage between its packets, and hang up like an unplugged
// device. plugIn() makes it the first USB serial device drivers find.
//
// Threading: every member may be called from any thread. The LiDAR runs on a thread of its own,
// stopped by hangUp() or destruction.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "sim/pty/PtyDevice.h"

namespace korvane::sim {

class LidarMiniSim {
 public:
  static constexpr int kBaud = 230400;
  static constexpr int kSampleRate = 4000;
  static constexpr int kMinTenthsHz = 60;
  static constexpr int kMaxTenthsHz = 120;

  // A LiDAR on a new pseudo-terminal, not scanning, at 6 Hz; null when no pseudo-terminal can be
  // made.
  static std::unique_ptr<LidarMiniSim> start();
  ~LidarMiniSim();
  LidarMiniSim(const LidarMiniSim&) = delete;
  LidarMiniSim& operator=(const LidarMiniSim&) = delete;

  // The path a driver opens, e.g. "/dev/pts/7".
  const std::string& path() const { return device_->path(); }
  // Links the terminal as ttyUSB0 in a folder of its own and makes that folder the one in which
  // drivers look for USB serial devices. Undone by hangUp(). False when the link cannot be made.
  bool plugIn();

  // The info answer: model, firmware version, hardware version, serial number (16 bytes, padded
  // with zeros or cut).
  void setInfo(uint8_t model, uint16_t firmware, uint8_t hardware, const std::string& serial);
  void setHealth(uint8_t status, uint16_t errorCode);
  // A silent LiDAR answers nothing and streams nothing, but still obeys commands.
  void setSilent(bool silent);
  // Bytes that begin no packet before every packet.
  void setGarbage(bool garbage);
  // Sends these bytes to the driver now. False when they could not all be sent within a second
  // or the LiDAR has hung up.
  bool send(const std::string& bytes);
  // Closes the pseudo-terminal and stops the LiDAR. Safe to call more than once.
  void hangUp();

  bool scanning() const;
  // The scan frequency in tenths of a hertz (60..120).
  int frequencyTenthsHz() const;
  int pointsPerRevolution() const;
  // Command codes received (the byte after each A5), oldest first.
  std::vector<uint8_t> commands() const;
  bool waitForCommands(size_t count, std::chrono::milliseconds timeout) const;
  // Revolutions whose start packet has been sent.
  uint64_t revolutionsSent() const;

 private:
  using Clock = std::chrono::steady_clock;
  explicit LidarMiniSim(std::unique_ptr<PtyDevice> device);
  void run();
  void receive();
  void obey(uint8_t code);
  // The next packet of the stream, advancing the revolution; samples is set to its sample count.
  std::string nextPacketLocked(int& samples);
  std::string garbageLocked();
  void unplug();

  const std::unique_ptr<PtyDevice> device_;
  std::string linkFolder_;

  mutable std::mutex mutex_;
  mutable std::condition_variable received_;
  bool scanning_ = false;
  bool silent_ = false;
  bool garbage_ = false;
  bool restart_ = false;  // a start command begins a new revolution now
  int tenthsHz_ = kMinTenthsHz;
  uint8_t info_[20] = {150, 0x0A, 0x01, 2};
  uint8_t health_[3] = {0, 0, 0};
  bool pendingA5_ = false;
  std::vector<uint8_t> commands_;
  int revolutionSamples_ = 0;  // samples of the revolution being sent
  int nextSample_ = 0;         // its next sample; 0 means a start packet comes next
  uint64_t revolutions_ = 0;
  std::minstd_rand random_{12345};
};

}  // namespace korvane::sim
