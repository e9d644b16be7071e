#pragma once

// A simulated Dystan distance sensor on the simulated CAN bus.
//
// It publishes a scan as 22 chunk frames (three distances each, 64 positions) at a settable
// scan rate with a rising 8-bit sequence number, answers the configuration request with a
// settable reply, can leave chosen chunks out of every scan, and can fall silent (no scans, no
// replies).
//
// Threading: every member may be called from any thread. Configuration requests are answered on
// the sender's thread, before the send returns; scans come from a thread of the simulator's own,
// stopped by detach() or destruction.

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "sim/can/ClockedCanDevice.h"

namespace korvane::sim {

class DystanCanSim : public ClockedCanDevice {
 public:
  static constexpr int kPositions = 64;
  static constexpr int kChunks = 22;

  struct Config {
    uint8_t version = 1;
    bool distanceEnabled = true;
    bool canFdEnabled = false;
    bool canBrsEnabled = false;
    uint8_t canId = 0;  // reported as the sensor's own
  };

  // Puts a sensor with this CAN ID on the bus, publishing scansPerSecond scans (0: none until
  // setScanRate). It reports its own CAN ID in the configuration reply.
  static std::shared_ptr<DystanCanSim> attach(uint8_t canId, int scansPerSecond = 20,
                                              int32_t bus = 0);
  ~DystanCanSim() override;

  // Distances of the next scans; positions past the values given carry 0.
  void setDistances(const std::vector<int16_t>& distances);
  void setScanRate(int scansPerSecond);
  // Chunks (0..21) left out of every scan from now on.
  void setDroppedChunks(const std::set<int>& chunks);
  // A silent sensor sends nothing: no scans, no configuration replies.
  void setSilent(bool silent);
  void setConfig(const Config& config);

  // Sequence number of the last scan published, and how many were published.
  uint8_t sequence() const;
  uint64_t scansPublished() const;
  int configRequests() const;

  void onFrameSent(const CanFrame& frame) override;

 private:
  DystanCanSim(uint8_t canId, int scansPerSecond, int32_t bus);
  void run() override;
  void publishLocked();
  std::chrono::nanoseconds periodLocked() const;

  const uint8_t canId_;
  int scansPerSecond_;
  std::array<int16_t, kPositions> distances_{};
  std::set<int> dropped_;
  bool silent_ = false;
  Config config_;
  uint8_t sequence_ = 0;
  uint64_t scans_ = 0;
  int configRequests_ = 0;
  bool rescheduled_ = false;
};

}  // namespace korvane::sim
