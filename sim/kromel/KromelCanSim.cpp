#include "KromelCanSim.h"

#include <algorithm>
#include <cmath>

namespace korvane::sim {
namespace {

constexpr uint32_t kColor = 0x04090540;
constexpr uint32_t kCommandBase = 0x04090500;
constexpr uint32_t kAck = 0x04090585;
constexpr unsigned kFirstCommand = 18;
constexpr unsigned kLastCommand = 26;
constexpr unsigned kSetSampleTime = 20;
constexpr unsigned kGetConfig = 26;

int16_t toCount(float value) {
  double scaled = std::round(static_cast<double>(value) * 10000.0);
  return static_cast<int16_t>(std::clamp(scaled, -32768.0, 32767.0));
}

}  // namespace

std::shared_ptr<KromelCanSim> KromelCanSim::attach(bool publishing, int32_t bus) {
  std::shared_ptr<KromelCanSim> sim(new KromelCanSim(publishing, bus));
  start(sim);
  return sim;
}

KromelCanSim::KromelCanSim(bool publishing, int32_t bus)
    : ClockedCanDevice(bus), publishing_(publishing) {}

KromelCanSim::~KromelCanSim() {
  detach();
}

void KromelCanSim::run() {
  std::unique_lock lock(mutex_);
  auto next = std::chrono::steady_clock::now() + sampleTime_;
  while (!stopping_) {
    if (wake_.wait_until(lock, next, [this] { return stopping_; })) break;
    auto now = std::chrono::steady_clock::now();
    if (now < next) continue;
    next = std::max(next + sampleTime_, now);
    if (publishing_) publishLocked();
  }
}

// Injecting under the sensor's lock is safe: the bus calls no device while injecting.
void KromelCanSim::publishLocked() {
  ++sequence_;
  uint8_t data[8] = {static_cast<uint8_t>(sequence_), static_cast<uint8_t>(sequence_ >> 8)};
  for (int i = 0; i < 3; ++i) {
    auto bits = static_cast<uint16_t>(counts_[i]);
    data[2 + 2 * i] = static_cast<uint8_t>(bits);
    data[3 + 2 * i] = static_cast<uint8_t>(bits >> 8);
  }
  publishFrame(kColor, data, 8);
}

void KromelCanSim::setColor(float x, float y, float z) {
  std::lock_guard lock(mutex_);
  counts_[0] = toCount(x);
  counts_[1] = toCount(y);
  counts_[2] = toCount(z);
}

void KromelCanSim::setPublishing(bool on) {
  std::lock_guard lock(mutex_);
  publishing_ = on;
}

std::chrono::milliseconds KromelCanSim::sampleTime() const {
  std::lock_guard lock(mutex_);
  return sampleTime_;
}

void KromelCanSim::setAckStatus(uint8_t status) {
  std::lock_guard lock(mutex_);
  ackStatus_ = status;
}

void KromelCanSim::setConfigValue(uint8_t key, uint32_t value) {
  std::lock_guard lock(mutex_);
  config_[key] = value;
}

void KromelCanSim::setSilent(bool silent) {
  std::lock_guard lock(mutex_);
  silent_ = silent;
}

std::vector<KromelCanSim::Command> KromelCanSim::commands() const {
  std::lock_guard lock(mutex_);
  return commands_;
}

uint16_t KromelCanSim::sequence() const {
  std::lock_guard lock(mutex_);
  return sequence_;
}

void KromelCanSim::onFrameSent(const CanFrame& frame) {
  if (!onMyBus(frame)) return;
  if (frame.id < kCommandBase + kFirstCommand || frame.id > kCommandBase + kLastCommand) return;
  unsigned number = frame.id - kCommandBase;
  uint8_t ack[8] = {static_cast<uint8_t>(number)};
  {
    std::lock_guard lock(mutex_);
    commands_.push_back({number, {frame.data.begin(), frame.data.begin() + frame.size}});
    if (number == kSetSampleTime && frame.size >= 2) {
      int ms = frame.data[0] | (frame.data[1] << 8);
      if (ms > 0) sampleTime_ = std::chrono::milliseconds(ms);
    }
    if (silent_) return;
    uint32_t value = 0;
    if (number == kGetConfig && frame.size >= 1) {
      auto it = config_.find(frame.data[0]);
      if (it != config_.end()) value = it->second;
    }
    ack[1] = ackStatus_;
    for (int i = 0; i < 4; ++i) ack[2 + i] = static_cast<uint8_t>(value >> (8 * i));
  }
  publishFrame(kAck, ack, 8);
}

}  // namespace korvane::sim
