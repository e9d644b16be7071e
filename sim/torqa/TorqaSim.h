#pragma once

// A simulated Torqa motor controller on the simulated CAN bus.
//
// It follows the heartbeat as the controller does (its outputs are enabled only while enabled
// heartbeats keep coming, at most 250 ms apart) and records what it is configured with.
//
// Threading: every member may be called from any thread. Frames arrive on the sender's thread;
// the controller's own clock runs on a thread of its own, stopped by detach() or destruction.

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "korvane/sim/Can.h"

namespace korvane::sim {

class TorqaSim : public CanDevice, public std::enable_shared_from_this<TorqaSim> {
 public:
  enum class Heartbeat { None, Disabled, Enabled };
  static constexpr std::chrono::milliseconds kHeartbeatTimeout{250};
  static constexpr std::chrono::milliseconds kTick{20};

  // Puts a controller with this CAN device number (1..63) on the bus, where it stays until
  // detach().
  static std::shared_ptr<TorqaSim> attach(int deviceNumber);
  ~TorqaSim() override;
  // Takes the controller off the bus and stops its clock. Safe to call more than once.
  void detach();

  int deviceNumber() const { return deviceNumber_; }
  // The last heartbeat's kind, or None when none has come for the timeout.
  Heartbeat heartbeat() const;
  // True while enabled heartbeats keep coming; a disabled heartbeat or the timeout stops every
  // motor.
  bool outputsEnabled() const;
  // Heartbeats received over the last second.
  double heartbeatRate() const;
  uint64_t heartbeatCount() const;

  // Motor frequency from the last configure frame of each motor; -1 before any.
  int motorFrequency(int motor) const;
  int configureFrameCount() const;

  void onFrameSent(const CanFrame& frame) override;

 private:
  using Clock = std::chrono::steady_clock;
  struct Motor {
    int frequency = -1;
  };

  explicit TorqaSim(int deviceNumber);
  void run();
  // Under the lock.
  bool outputsEnabledLocked(Clock::time_point now) const;
  void tickLocked(Clock::time_point now);

  const int deviceNumber_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread clock_;
  ListenerId listener_ = 0;

  Heartbeat lastHeartbeat_ = Heartbeat::None;
  Clock::time_point lastHeartbeatAt_{};
  Clock::time_point lastEnabledAt_{};
  std::deque<Clock::time_point> recentHeartbeats_;
  uint64_t heartbeatCount_ = 0;
  int configureFrames_ = 0;
  std::array<Motor, 4> motors_{};
};

}  // namespace korvane::sim
