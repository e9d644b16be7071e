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
    : scanning_(scanning), pointsShown_(pointsShown), health_(health) {
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
  ScanData scan;
  RevolutionTime time;
  size_t count = 0;
  // Sized by a first look; a newer, larger revolution published meanwhile is looked at again.
  while (last_.read(time, scan.points.size(), count,
                    [&](size_t i, const DataPoint& point) { scan.points[i] = point; })) {
    if (count <= scan.points.size()) {
      scan.points.resize(count);
      scan.timestampNs = time.startNs;
      return scan;
    }
    scan.points.resize(count);
  }
  return ScanData();
}

size_t LidarMiniJNI::Impl::copyLastScan(float* angles, float* distances, float* intensities,
                                        size_t room, int64_t* timestampNs, int64_t* ageMs) const {
  size_t count = 0;
  RevolutionTime time;
  const bool any = last_.read(time, room, count, [&](size_t i, const DataPoint& point) {
    angles[i] = point.angle;
    distances[i] = point.distance;
    intensities[i] = point.intensity;
  });
  *timestampNs = any ? time.startNs : 0;
  *ageMs = any ? health_.ageOf(time.lastArrivedMs) : -1;
  return any ? count : 0;
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
  if (packet.start) {
    if (!firstScan_ && !current_.empty()) {
      last_.publish(currentTime_, current_.data(), current_.size());
      published = static_cast<int>(current_.size());
    }
    current_.clear();
    currentTime_.startNs = now;
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
  // The read that completed the packet has just been heard: its stamp is the packet's.
  currentTime_.lastArrivedMs = health_.newestMs();
  return published;
}
