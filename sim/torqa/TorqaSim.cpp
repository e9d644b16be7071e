#include "TorqaSim.h"

#include <algorithm>
#include <cmath>

namespace korvane::sim {
namespace {

constexpr uint32_t kDeviceType = 2;
constexpr uint32_t kManufacturer = 12;

// The controller's API numbers.
enum Api : int {
  kHeartbeatDisabled = 0,
  kHeartbeatEnabled = 1,
  kMotorSpeed = 2,
  kDisableMotor = 3,
  kInfoRequest = 4,
  kInfoRecord = 5,
  kSerialRequest = 6,
  kSerialWord1 = 7,
  kConfigureMotor = 10,
  kFrequency = 12,
  kResetEncoder = 13,
  kCurrentLimit = 14,
  kMotorStopMode = 15,
  kTargetVelocity = 16,
  kTargetDistance = 17,
  kEncoderResolution = 18,
  kCurrentLimitMode = 19,
  kPIDType = 20,
  kAutotuneAll = 21,
  kSensitivity = 22,
  kTargetAngle = 23,
  kPositionHold = 24,
  kCANSensorDelay = 26,
  kAutotuneMotor = 27,
  kOrvix = 36,
  kEncoder = 37,
  kRpm = 41,
  kLimitSwitch = 45,
  kTemperature = 47,
  kTargetRpm = 48,
};

// Closed-loop modes aim to close their gap in about this time.
constexpr double kPositionGainSeconds = 0.25;

uint16_t u16(const std::array<uint8_t, 8>& d, int at) {
  return static_cast<uint16_t>(d[at] | (d[at + 1] << 8));
}

int32_t i32(const std::array<uint8_t, 8>& d, int at) {
  return static_cast<int32_t>(
      static_cast<uint32_t>(d[at]) | (static_cast<uint32_t>(d[at + 1]) << 8) |
      (static_cast<uint32_t>(d[at + 2]) << 16) | (static_cast<uint32_t>(d[at + 3]) << 24));
}

void putU16(std::array<uint8_t, 8>& d, int at, uint32_t value) {
  d[at] = value & 0xFF;
  d[at + 1] = (value >> 8) & 0xFF;
}

void putI32(std::array<uint8_t, 8>& d, int at, int32_t value) {
  auto u = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) d[at + i] = (u >> (8 * i)) & 0xFF;
}

int32_t hundredths(double value) {
  double scaled = std::round(value * 100.0);
  return static_cast<int32_t>(std::clamp(scaled, -2147483648.0, 2147483647.0));
}

double clampRpm(double rpm) {
  return std::clamp(rpm, -TorqaSim::kFreeSpeedRpm, TorqaSim::kFreeSpeedRpm);
}

}  // namespace

std::shared_ptr<TorqaSim> TorqaSim::attach(int deviceNumber, int32_t bus) {
  std::shared_ptr<TorqaSim> sim(new TorqaSim(deviceNumber, bus));
  start(sim);
  return sim;
}

TorqaSim::TorqaSim(int deviceNumber, int32_t bus)
    : ClockedCanDevice(bus), deviceNumber_(deviceNumber) {
  infoRecord_ = {static_cast<uint8_t>(deviceNumber), 1, 4, 2, 1, 3, 0, 0};
  serial_ = {0x4B560000u + static_cast<uint32_t>(deviceNumber), 0x00000001u, 0x20260001u};
}

TorqaSim::~TorqaSim() {
  detach();
}

void TorqaSim::run() {
  std::unique_lock lock(mutex_);
  auto last = Clock::now();
  while (!stopping_) {
    wake_.wait_for(lock, kTick, [this] { return stopping_; });
    if (stopping_) break;
    auto now = Clock::now();
    tickLocked(now, std::chrono::duration<double>(now - last).count());
    last = now;
    std::vector<Outgoing> frames = statusFramesLocked();
    lock.unlock();
    publish(frames);
    lock.lock();
  }
}

void TorqaSim::publish(const std::vector<Outgoing>& frames) const {
  uint32_t base =
      (kDeviceType << 24) | (kManufacturer << 16) | static_cast<uint32_t>(deviceNumber_);
  for (const Outgoing& f : frames) {
    publishFrame(base | (static_cast<uint32_t>(f.api) << 6), f.data.data(), 8);
  }
}

double TorqaSim::desiredRpmLocked(const MotorState& m) const {
  double revsPerCount = 1.0 / std::max(m.resolution, 1);
  switch (m.mode) {
    case Mode::Off:
      return 0.0;
    case Mode::Speed:
      return m.speed * kFreeSpeedRpm;
    case Mode::Velocity:
      return clampRpm(m.targetRpm);
    case Mode::Distance:
      return clampRpm((m.targetDistance - m.encoderCount) * revsPerCount * 60.0 /
                      kPositionGainSeconds);
    case Mode::Hold:
      return clampRpm((m.holdCount - m.encoderCount) * revsPerCount * 60.0 / kPositionGainSeconds);
    case Mode::Angle:
      return clampRpm((m.targetAngle - m.orvixPosition) / 360.0 * 60.0 / kPositionGainSeconds);
  }
  return 0.0;
}

void TorqaSim::tickLocked(Clock::time_point now, double seconds) {
  while (!recentHeartbeats_.empty() && now - recentHeartbeats_.front() > std::chrono::seconds(1)) {
    recentHeartbeats_.pop_front();
  }
  bool enabled = outputsEnabledLocked(now);
  for (MotorState& m : motors_) {
    m.commandedRpm = enabled ? desiredRpmLocked(m) : 0.0;
    bool driving = m.commandedRpm != 0.0;
    double tau = kTimeConstantSeconds * (driving || stopMode_ == 0 ? 1.0 : 4.0);
    m.rpm += (m.commandedRpm - m.rpm) * (1.0 - std::exp(-seconds / tau));
    if (std::abs(m.rpm) < 1e-3) m.rpm = 0.0;
    double revolutions = m.rpm / 60.0 * seconds;
    m.encoderCount += revolutions * m.resolution;
    m.orvixPosition = std::fmod(m.orvixPosition + revolutions * 360.0, 360.0);
    if (m.orvixPosition < 0) m.orvixPosition += 360.0;
  }
}

std::vector<TorqaSim::Outgoing> TorqaSim::statusFramesLocked() const {
  std::vector<Outgoing> frames;
  Outgoing frequency{kFrequency, {}};
  putU16(frequency.data, 0, static_cast<uint32_t>(lastFrequency_));
  frames.push_back(frequency);
  Outgoing temperature{kTemperature, {}};
  double whole = std::floor(std::clamp(temperature_, 0.0, 255.0));
  temperature.data[0] = static_cast<uint8_t>(whole);
  temperature.data[1] = static_cast<uint8_t>(std::lround((temperature_ - whole) * 100.0) % 100);
  frames.push_back(temperature);
  Outgoing switches{kLimitSwitch, {}};
  Outgoing orvix{kOrvix, {}};
  for (int i = 0; i < 4; ++i) {
    const MotorState& m = motors_[i];
    Outgoing rpm{kRpm + i, {}}, target{kTargetRpm + i, {}}, count{kEncoder + i, {}};
    putI32(rpm.data, 0, hundredths(m.rpm));
    putI32(target.data, 0, hundredths(m.commandedRpm));
    putI32(
        count.data, 0,
        static_cast<int32_t>(std::clamp(std::trunc(m.encoderCount), -2147483648.0, 2147483647.0)));
    frames.push_back(rpm);
    frames.push_back(target);
    frames.push_back(count);
    switches.data[2 * i] = m.limitSwitch[0];
    switches.data[2 * i + 1] = m.limitSwitch[1];
    putU16(orvix.data, 2 * i, static_cast<uint32_t>(std::lround(m.orvixPosition * 100.0)) % 36001);
  }
  frames.push_back(switches);
  frames.push_back(orvix);
  return frames;
}

bool TorqaSim::outputsEnabledLocked(Clock::time_point now) const {
  return lastHeartbeat_ == Heartbeat::Enabled && now - lastEnabledAt_ <= kHeartbeatTimeout;
}

TorqaSim::Heartbeat TorqaSim::heartbeat() const {
  std::lock_guard lock(mutex_);
  if (lastHeartbeat_ == Heartbeat::None || Clock::now() - lastHeartbeatAt_ > kHeartbeatTimeout) {
    return Heartbeat::None;
  }
  return lastHeartbeat_;
}

bool TorqaSim::outputsEnabled() const {
  std::lock_guard lock(mutex_);
  return outputsEnabledLocked(Clock::now());
}

double TorqaSim::heartbeatRate() const {
  std::lock_guard lock(mutex_);
  auto now = Clock::now();
  size_t count = 0;
  for (auto at : recentHeartbeats_) {
    if (now - at <= std::chrono::seconds(1)) ++count;
  }
  return static_cast<double>(count);
}

uint64_t TorqaSim::heartbeatCount() const {
  std::lock_guard lock(mutex_);
  return heartbeatCount_;
}

int TorqaSim::motorFrequency(int motor) const {
  std::lock_guard lock(mutex_);
  if (motor < 0 || motor > 3) return -1;
  return motors_[motor].frequency;
}

int TorqaSim::configureFrameCount() const {
  std::lock_guard lock(mutex_);
  return configureFrames_;
}

TorqaSim::MotorState TorqaSim::motor(int motor) const {
  std::lock_guard lock(mutex_);
  if (motor < 0 || motor > 3) return MotorState{};
  return motors_[motor];
}

int TorqaSim::stopMode() const {
  std::lock_guard lock(mutex_);
  return stopMode_;
}

int TorqaSim::canSensorDelay() const {
  std::lock_guard lock(mutex_);
  return canSensorDelay_;
}

int TorqaSim::autotuneAllCount() const {
  std::lock_guard lock(mutex_);
  return autotuneAll_;
}

int TorqaSim::infoRequestCount() const {
  std::lock_guard lock(mutex_);
  return infoRequests_;
}

int TorqaSim::serialRequestCount() const {
  std::lock_guard lock(mutex_);
  return serialRequests_;
}

int TorqaSim::unknownFrameCount() const {
  std::lock_guard lock(mutex_);
  return unknownFrames_;
}

void TorqaSim::setInfoRecord(const std::array<uint8_t, 8>& record) {
  std::lock_guard lock(mutex_);
  infoRecord_ = record;
}

void TorqaSim::setInfoReply(InfoReply reply) {
  std::lock_guard lock(mutex_);
  infoReply_ = reply;
}

void TorqaSim::setSerialNumber(uint32_t word1, uint32_t word2, uint32_t word3) {
  std::lock_guard lock(mutex_);
  serial_ = {word1, word2, word3};
}

void TorqaSim::setSerialAnswers(bool answers) {
  std::lock_guard lock(mutex_);
  serialAnswers_ = answers;
}

void TorqaSim::setLimitSwitch(int motor, int which, uint8_t value) {
  std::lock_guard lock(mutex_);
  if (motor < 0 || motor > 3 || which < 0 || which > 1) return;
  motors_[motor].limitSwitch[which] = value;
}

void TorqaSim::setOrvixPosition(int motor, double degrees) {
  std::lock_guard lock(mutex_);
  if (motor < 0 || motor > 3 || !std::isfinite(degrees)) return;
  motors_[motor].orvixPosition = std::clamp(degrees, 0.0, 360.0);
}

void TorqaSim::setTemperature(double celsius) {
  std::lock_guard lock(mutex_);
  if (std::isfinite(celsius)) temperature_ = celsius;
}

void TorqaSim::onFrameSent(const CanFrame& frame) {
  if (!onMyBus(frame)) return;
  if ((frame.id >> 24) != kDeviceType || ((frame.id >> 16) & 0xFF) != kManufacturer) return;
  if (static_cast<int>(frame.id & 0x3F) != deviceNumber_) return;
  int api = static_cast<int>((frame.id >> 6) & 0x3FF);
  std::vector<Outgoing> replies;
  {
    std::lock_guard lock(mutex_);
    commandLocked(api, frame.data, replies);
  }
  publish(replies);
}

void TorqaSim::commandLocked(int api, const std::array<uint8_t, 8>& d,
                             std::vector<Outgoing>& replies) {
  auto now = Clock::now();
  uint8_t index = d[0];
  MotorState* m = index < 4 ? &motors_[index] : nullptr;
  switch (api) {
    case kHeartbeatDisabled:
    case kHeartbeatEnabled:
      lastHeartbeat_ = api == kHeartbeatEnabled ? Heartbeat::Enabled : Heartbeat::Disabled;
      lastHeartbeatAt_ = now;
      if (api == kHeartbeatEnabled) lastEnabledAt_ = now;
      recentHeartbeats_.push_back(now);
      ++heartbeatCount_;
      return;
    case kConfigureMotor:
      ++configureFrames_;
      if (m) m->frequency = lastFrequency_ = u16(d, 1);
      return;
    case kMotorSpeed:
      if (!m) break;
      m->mode = Mode::Speed;
      // Forward and reverse both set means stop.
      m->speed = d[1] / 100.0 * (d[2] && !d[3] ? 1.0 : !d[2] && d[3] ? -1.0 : 0.0);
      return;
    case kDisableMotor:
      if (!m) break;
      m->mode = Mode::Off;
      m->positionHold = false;
      return;
    case kResetEncoder:
      if (!m) break;
      m->encoderCount = 0;
      m->holdCount = 0;
      return;
    case kTargetVelocity:
      if (!m) break;
      m->mode = Mode::Velocity;
      m->targetRpm = i32(d, 1) / 100.0;
      return;
    case kTargetDistance:
      if (!m) break;
      m->mode = Mode::Distance;
      // 24 bits, sign-extended.
      m->targetDistance =
          static_cast<int32_t>(static_cast<uint32_t>(i32(d, 1) & 0xFFFFFF) << 8) >> 8;
      return;
    case kTargetAngle:
      if (!m) break;
      m->mode = Mode::Angle;
      m->targetAngle = u16(d, 1) / 100.0;
      return;
    case kPositionHold:
      if (!m) break;
      m->positionHold = d[1] != 0;
      if (m->positionHold) {
        m->mode = Mode::Hold;
        m->holdCount = static_cast<int32_t>(m->encoderCount);
      } else if (m->mode == Mode::Hold) {
        m->mode = Mode::Off;
      }
      return;
    case kEncoderResolution:
      if (!m) break;
      m->resolution = u16(d, 1);
      return;
    case kCurrentLimit:
      if (!m) break;
      m->currentLimit = u16(d, 1) / 100.0;
      return;
    case kCurrentLimitMode:
      if (!m) break;
      m->currentLimitOn = d[1] != 0;
      return;
    case kMotorStopMode:
      stopMode_ = d[0];
      return;
    case kPIDType:
      if (d[2] != 0xC3) break;
      if (index == 0xFF) {
        for (MotorState& each : motors_) each.pidType = d[1];
        return;
      }
      if (!m) break;
      m->pidType = d[1];
      return;
    case kAutotuneAll:
      ++autotuneAll_;
      for (MotorState& each : motors_) ++each.autotunes;
      return;
    case kAutotuneMotor:
      if (!m) break;
      ++m->autotunes;
      return;
    case kSensitivity:
      if (!m) break;
      m->sensitivity = d[1];
      return;
    case kCANSensorDelay:
      canSensorDelay_ = u16(d, 0);
      return;
    case kInfoRequest:
      ++infoRequests_;
      if (infoReply_ == InfoReply::Silent) return;
      replies.push_back({kInfoRecord, infoRecord_});
      if (infoReply_ == InfoReply::ZeroDeviceNumber) replies.back().data[0] = 0;
      return;
    case kSerialRequest:
      ++serialRequests_;
      if (!serialAnswers_) return;
      for (int w = 0; w < 3; ++w) {
        Outgoing word{kSerialWord1 + w, {}};
        putI32(word.data, 0, static_cast<int32_t>(serial_[w]));
        replies.push_back(word);
      }
      return;
    default:
      break;
  }
  ++unknownFrames_;
}

}  // namespace korvane::sim
