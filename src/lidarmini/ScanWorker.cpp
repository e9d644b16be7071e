#include "lidarmini/ScanWorker.h"

#include <chrono>

namespace {

// After the start command the device needs a moment; what it sent meanwhile is dropped.
constexpr int kSettleMs = 150;
constexpr int kReadBlock = 2048;
constexpr size_t kBufferReserve = 4096;

int64_t monotonicNanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

LidarMiniJNI::Impl::Impl(int fd, const std::atomic<bool>& scanning,
                         const korvane::SimIntOutput& pointsShown, korvane::DeviceHealth& health)
    : scanning_(scanning), pointsShown_(pointsShown) {
  buffer_.reserve(kBufferReserve);
  reader_.start(
      fd, kReadBlock, [this](const unsigned char* bytes, int count) { consume(bytes, count); },
      kSettleMs, &health);
}

LidarMiniJNI::Impl::~Impl() {
  stop();
}

void LidarMiniJNI::Impl::stop() {
  reader_.stop();
}

LidarMiniJNI::ScanData LidarMiniJNI::Impl::lastScan() const {
  std::lock_guard lock(dataMutex_);
  return ScanData{lastStartNs_, last_};
}

void LidarMiniJNI::Impl::consume(const unsigned char* bytes, int count) {
  if (!scanning_.load()) return;
  buffer_.insert(buffer_.end(), bytes, bytes + count);
  while (korvane::lidarmini::ExtractScanPacket(buffer_, packet_)) {
    const int published = gather(packet_);
    if (published >= 0) pointsShown_.set(published);
  }
}

int LidarMiniJNI::Impl::gather(const korvane::lidarmini::ScanPacket& packet) {
  int64_t now = packet.start ? monotonicNanoseconds() : 0;
  int published = -1;
  std::lock_guard lock(dataMutex_);
  if (packet.start) {
    if (!firstScan_ && !current_.empty()) {
      lastStartNs_ = currentStartNs_;
      last_.swap(current_);
      published = static_cast<int>(last_.size());
    }
    current_.clear();
    currentStartNs_ = now;
    firstScan_ = false;
  }
  if (firstScan_) return published;  // points before the first start packet belong to none
  if (current_.size() + packet.points.size() > kMaxRevolutionPoints) {
    // No start packet for far too long: drop the runaway revolution, wait for the next start.
    current_.clear();
    firstScan_ = true;
    return published;
  }
  current_.insert(current_.end(), packet.points.begin(), packet.points.end());
  return published;
}
