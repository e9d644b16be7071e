#pragma once

// A simulated scanning LiDAR in a rectangular room with a box in it, serving a pseudo-terminal
// that the serial-port stand-in maps to a HAL port (korvane::sim::mapSerialPort).
//
// The head turns about 7 times a second, measuring every half degree. Each revolution starts
// with a scan-start packet (one sample) followed by packets of up to 40 samples; the bytes leave
// at the 115200-baud line rate in bursts of 1 to 128 bytes, cut wherever they fall, as a USB
// serial adapter delivers them. Distances are what a ray from the LiDAR meets first (wall or
// box), at the angle the driver will compute after its correction for the device's geometry;
// optional Gaussian noise and dropouts (samples of 0, which the driver files as invalid) give
// the filters something to do.
//
// Threading: every member may be called from any thread. The LiDAR runs on a thread of its own,
// stopped by hangUp() or destruction.

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <random>
#include <string>

#include "sim/pty/PtyDevice.h"

namespace korvane::sim {

class LidarRoomSim {
 public:
  static constexpr int kBaud = 115200;
  static constexpr int kSamplesPerRevolution = 720;
  static constexpr int kSamplesPerPacket = 40;
  static constexpr double kRevolutionsPerSecond = 7.0;

  // Millimetres; the room spans [0, width] x [0, depth], angle 0 points along +x, angles grow
  // towards +y.
  struct Room {
    double width = 6000, depth = 4000;
    double lidarX = 2000, lidarY = 1500;
    double boxX0 = 3500, boxY0 = 2200, boxX1 = 4300, boxY1 = 2800;
  };

  // A LiDAR on a new pseudo-terminal, streaming unless told otherwise; null when no
  // pseudo-terminal can be made.
  static std::unique_ptr<LidarRoomSim> start(unsigned seed = 1, bool streaming = true);
  ~LidarRoomSim();
  LidarRoomSim(const LidarRoomSim&) = delete;
  LidarRoomSim& operator=(const LidarRoomSim&) = delete;

  // The path a driver opens, e.g. "/dev/pts/7".
  const std::string& path() const { return device_->path(); }

  // Standard deviation of the noise added to each distance (0: none).
  void setNoise(double sigmaMm);
  // Fraction of samples (0..1) that come back as 0.
  void setDropoutRate(double fraction);
  // A LiDAR that is not streaming sends nothing but what send() gives it; it stops at the end
  // of the revolution it is sending.
  void setStreaming(bool on);
  // Sends these bytes now, as they are. False when they could not all be sent within a second or
  // the LiDAR has hung up.
  bool send(const std::string& bytes);
  // Closes the pseudo-terminal and stops the LiDAR. Safe to call more than once.
  void hangUp();

  uint64_t revolutions() const;
  uint64_t packetsSent() const;

  // The distance (mm) a ray from the LiDAR at that angle (degrees) meets first.
  static double distanceAt(const Room& room, double degrees);
  // The packets of one revolution with the current noise and dropouts.
  std::string revolution();

 private:
  using Clock = std::chrono::steady_clock;
  LidarRoomSim(std::unique_ptr<PtyDevice> device, unsigned seed, bool streaming);
  void run();
  // Waits until the time or a wake-up; false when stopping.
  bool waitUntil(Clock::time_point when);
  uint16_t sampleAt(double degrees);

  const std::unique_ptr<PtyDevice> device_;
  const Room room_;

  mutable std::mutex mutex_;
  bool streaming_;
  double noise_ = 0;
  double dropouts_ = 0;
  std::mt19937 random_;
  uint64_t revolutions_ = 0;
  uint64_t packets_ = 0;
};

}  // namespace korvane::sim
