#include "TorqaSim.h"

namespace korvane::sim {
namespace {

constexpr uint32_t kDeviceType = 2;
constexpr uint32_t kManufacturer = 12;
constexpr int kApiHeartbeatDisabled = 0;
constexpr int kApiHeartbeatEnabled = 1;
constexpr int kApiConfigureMotor = 10;

}  // namespace

std::shared_ptr<TorqaSim> TorqaSim::attach(int deviceNumber) {
  std::shared_ptr<TorqaSim> sim(new TorqaSim(deviceNumber));
  sim->listener_ = attachDevice(sim);
  sim->clock_ = std::thread(&TorqaSim::run, sim.get());
  return sim;
}

TorqaSim::TorqaSim(int deviceNumber) : deviceNumber_(deviceNumber) {}

TorqaSim::~TorqaSim() {
  detach();
}

void TorqaSim::detach() {
  ListenerId listener;
  {
    std::lock_guard lock(mutex_);
    listener = listener_;
    listener_ = 0;
    stopping_ = true;
  }
  wake_.notify_all();
  if (listener != 0) detachDevice(listener);
  if (clock_.joinable() && clock_.get_id() != std::this_thread::get_id()) clock_.join();
}

void TorqaSim::run() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    wake_.wait_for(lock, kTick, [this] { return stopping_; });
    tickLocked(Clock::now());
  }
}

void TorqaSim::tickLocked(Clock::time_point now) {
  while (!recentHeartbeats_.empty() && now - recentHeartbeats_.front() > std::chrono::seconds(1)) {
    recentHeartbeats_.pop_front();
  }
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

void TorqaSim::onFrameSent(const CanFrame& frame) {
  if ((frame.id >> 24) != kDeviceType || ((frame.id >> 16) & 0xFF) != kManufacturer) return;
  if (static_cast<int>(frame.id & 0x3F) != deviceNumber_) return;
  int api = static_cast<int>((frame.id >> 6) & 0x3FF);
  auto now = Clock::now();
  std::lock_guard lock(mutex_);
  switch (api) {
    case kApiHeartbeatDisabled:
    case kApiHeartbeatEnabled:
      lastHeartbeat_ = api == kApiHeartbeatEnabled ? Heartbeat::Enabled : Heartbeat::Disabled;
      lastHeartbeatAt_ = now;
      if (api == kApiHeartbeatEnabled) lastEnabledAt_ = now;
      recentHeartbeats_.push_back(now);
      ++heartbeatCount_;
      break;
    case kApiConfigureMotor: {
      ++configureFrames_;
      uint8_t motor = frame.data[0];
      if (motor < 4) motors_[motor].frequency = frame.data[1] | (frame.data[2] << 8);
      break;
    }
    default:
      break;
  }
}

}  // namespace korvane::sim
