#pragma once

// A simulated Torqa motor controller on the simulated CAN bus.
//
// It follows the heartbeat as the controller does (its outputs are enabled only while enabled
// heartbeats keep coming, at most 250 ms apart; otherwise every motor stops), decodes every
// command frame into per-motor state, and every 20 ms publishes its status frames from a simple
// first-order motor model: frequency, temperature, RPM and target RPM, encoder counts that
// integrate the RPM, limit switches and absolute-encoder positions. It answers the info request
// with a configurable record (or stays silent, or answers with device number 0) and the
// serial-number request with three words.
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
#include <vector>

#include "sim/can/ClockedCanDevice.h"

namespace korvane::sim {

class TorqaSim : public ClockedCanDevice {
 public:
  enum class Heartbeat { None, Disabled, Enabled };
  // What a motor was last told to do.
  enum class Mode { Off, Speed, Velocity, Distance, Angle, Hold };
  // How the controller answers the info request.
  enum class InfoReply { Record, Silent, ZeroDeviceNumber };

  static constexpr std::chrono::milliseconds kHeartbeatTimeout{250};
  static constexpr std::chrono::milliseconds kTick{20};
  // Motor model: RPM at full output, and the time constant with which the RPM follows its
  // target (braking; a coasting motor slows four times more slowly).
  static constexpr double kFreeSpeedRpm = 6000.0;
  static constexpr double kTimeConstantSeconds = 0.1;
  static constexpr int kDefaultResolution = 2048;  // encoder counts per revolution

  struct MotorState {
    Mode mode = Mode::Off;
    double speed = 0.0;      // last open-loop output, -1.0 to 1.0
    double targetRpm = 0.0;  // last target velocity
    int32_t targetDistance = 0;
    double targetAngle = 0.0;
    bool positionHold = false;
    int32_t holdCount = 0;
    double currentLimit = 0.0;  // amperes
    bool currentLimitOn = false;
    int pidType = -1;      // -1 before any PID-type frame
    int sensitivity = -1;  // -1 before any sensitivity frame
    int resolution = kDefaultResolution;
    int frequency = -1;  // -1 before any configure frame
    int autotunes = 0;
    // The model.
    double rpm = 0.0;
    double commandedRpm = 0.0;  // what the motor is driven towards now
    double encoderCount = 0.0;
    double orvixPosition = 0.0;  // degrees, 0 to 360
    std::array<uint8_t, 2> limitSwitch{};
  };

  // Puts a controller with this CAN device number (1..63) on CAN bus `bus`, where it stays until
  // detach().
  static std::shared_ptr<TorqaSim> attach(int deviceNumber, int32_t bus = 0);
  ~TorqaSim() override;

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

  // A copy of one motor's state (motor 0..3; a default state otherwise).
  MotorState motor(int motor) const;
  int stopMode() const;
  int canSensorDelay() const;  // -1 before any
  int autotuneAllCount() const;
  int infoRequestCount() const;
  int serialRequestCount() const;
  // Frames received that the controller does not know.
  int unknownFrameCount() const;

  // Simulation controls.
  void setInfoRecord(const std::array<uint8_t, 8>& record);
  void setInfoReply(InfoReply reply);
  void setSerialNumber(uint32_t word1, uint32_t word2, uint32_t word3);
  void setSerialAnswers(bool answers);
  void setLimitSwitch(int motor, int which, uint8_t value);
  void setOrvixPosition(int motor, double degrees);
  void setTemperature(double celsius);

  void onFrameSent(const CanFrame& frame) override;

 private:
  using Clock = std::chrono::steady_clock;
  struct Outgoing {
    int api;
    std::array<uint8_t, 8> data;
  };

  TorqaSim(int deviceNumber, int32_t bus);
  void run() override;
  void publish(const std::vector<Outgoing>& frames) const;
  // Under the lock.
  bool outputsEnabledLocked(Clock::time_point now) const;
  void tickLocked(Clock::time_point now, double seconds);
  double desiredRpmLocked(const MotorState& m) const;
  std::vector<Outgoing> statusFramesLocked() const;
  void commandLocked(int api, const std::array<uint8_t, 8>& data, std::vector<Outgoing>& replies);

  const int deviceNumber_;

  Heartbeat lastHeartbeat_ = Heartbeat::None;
  Clock::time_point lastHeartbeatAt_{};
  Clock::time_point lastEnabledAt_{};
  std::deque<Clock::time_point> recentHeartbeats_;
  uint64_t heartbeatCount_ = 0;
  int configureFrames_ = 0;
  std::array<MotorState, 4> motors_{};
  int lastFrequency_ = 0;
  int stopMode_ = 0;
  int canSensorDelay_ = -1;
  int autotuneAll_ = 0;
  int infoRequests_ = 0;
  int serialRequests_ = 0;
  int unknownFrames_ = 0;
  double temperature_ = 31.5;
  std::array<uint8_t, 8> infoRecord_{};
  InfoReply infoReply_ = InfoReply::Record;
  std::array<uint32_t, 3> serial_{};
  bool serialAnswers_ = true;
};

}  // namespace korvane::sim
