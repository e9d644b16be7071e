#include "DystanCanSim.h"

#include <algorithm>

namespace korvane::sim {
namespace {

constexpr uint32_t kBase = 0x06090000;
constexpr uint32_t kChunkApi = 1;
constexpr uint32_t kConfigRequestApi = 16;
constexpr uint32_t kConfigReplyApi = 17;

uint32_t idFor(uint32_t api, uint8_t canId) {
  return kBase + api * 64 + canId;
}

}  // namespace

std::shared_ptr<DystanCanSim> DystanCanSim::attach(uint8_t canId, int scansPerSecond, int32_t bus) {
  std::shared_ptr<DystanCanSim> sim(new DystanCanSim(canId, scansPerSecond, bus));
  start(sim);
  return sim;
}

DystanCanSim::DystanCanSim(uint8_t canId, int scansPerSecond, int32_t bus)
    : ClockedCanDevice(bus),
      canId_(static_cast<uint8_t>(canId & 0x3F)),
      scansPerSecond_(std::max(scansPerSecond, 0)) {
  config_.canId = canId_;
  for (int k = 0; k < kPositions; ++k) distances_[k] = static_cast<int16_t>(1000 + 10 * k);
}

DystanCanSim::~DystanCanSim() {
  detach();
}

std::chrono::nanoseconds DystanCanSim::periodLocked() const {
  return std::chrono::nanoseconds(1'000'000'000LL / std::max(scansPerSecond_, 1));
}

void DystanCanSim::run() {
  std::unique_lock lock(mutex_);
  auto next = std::chrono::steady_clock::now() + periodLocked();
  while (!stopping_) {
    if (scansPerSecond_ == 0) {
      wake_.wait(lock, [this] { return stopping_ || rescheduled_; });
    } else if (wake_.wait_until(lock, next, [this] { return stopping_ || rescheduled_; })) {
      if (stopping_) break;
    }
    auto now = std::chrono::steady_clock::now();
    if (rescheduled_) {
      rescheduled_ = false;
      next = now + periodLocked();
      continue;
    }
    if (now < next) continue;
    next = std::max(next + periodLocked(), now);
    if (!silent_) publishLocked();
  }
}

// Injecting under the sensor's lock is safe: the bus calls no device while injecting.
void DystanCanSim::publishLocked() {
  ++sequence_;
  ++scans_;
  for (int chunk = 0; chunk < kChunks; ++chunk) {
    if (dropped_.count(chunk) != 0) continue;
    uint8_t data[8] = {sequence_, static_cast<uint8_t>(chunk)};
    for (int v = 0; v < 3; ++v) {
      int position = chunk * 3 + v;
      auto bits = static_cast<uint16_t>(position < kPositions ? distances_[position] : 0);
      data[2 + 2 * v] = static_cast<uint8_t>(bits);
      data[3 + 2 * v] = static_cast<uint8_t>(bits >> 8);
    }
    publishFrame(idFor(kChunkApi, canId_), data, 8);
  }
}

void DystanCanSim::setDistances(const std::vector<int16_t>& distances) {
  std::lock_guard lock(mutex_);
  distances_.fill(0);
  std::copy_n(distances.begin(), std::min<size_t>(distances.size(), kPositions),
              distances_.begin());
}

void DystanCanSim::setScanRate(int scansPerSecond) {
  {
    std::lock_guard lock(mutex_);
    scansPerSecond_ = std::max(scansPerSecond, 0);
    rescheduled_ = true;
  }
  wake_.notify_all();
}

void DystanCanSim::setDroppedChunks(const std::set<int>& chunks) {
  std::lock_guard lock(mutex_);
  dropped_ = chunks;
}

void DystanCanSim::setSilent(bool silent) {
  std::lock_guard lock(mutex_);
  silent_ = silent;
}

void DystanCanSim::setConfig(const Config& config) {
  std::lock_guard lock(mutex_);
  config_ = config;
}

uint8_t DystanCanSim::sequence() const {
  std::lock_guard lock(mutex_);
  return sequence_;
}

uint64_t DystanCanSim::scansPublished() const {
  std::lock_guard lock(mutex_);
  return scans_;
}

int DystanCanSim::configRequests() const {
  std::lock_guard lock(mutex_);
  return configRequests_;
}

void DystanCanSim::onFrameSent(const CanFrame& frame) {
  if (!onMyBus(frame)) return;
  if (frame.id != idFor(kConfigRequestApi, canId_)) return;
  uint8_t reply[8] = {};
  {
    std::lock_guard lock(mutex_);
    ++configRequests_;
    if (silent_) return;
    reply[0] = config_.version;
    reply[1] = config_.distanceEnabled ? 1 : 0;
    reply[2] = config_.canFdEnabled ? 1 : 0;
    reply[3] = config_.canBrsEnabled ? 1 : 0;
    reply[4] = config_.canId;
  }
  publishFrame(idFor(kConfigReplyApi, canId_), reply, 8);
}

}  // namespace korvane::sim
