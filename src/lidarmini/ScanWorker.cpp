#include "lidarmini/ScanWorker.h"

#include <termios.h>

#include <chrono>

#include "KorvaneSerial.h"

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

LidarMiniJNI::Impl::Impl(const int& fd, const std::atomic<bool>& scanning,
                         const korvane::SimIntOutput& pointsShown)
    : fd_(fd), scanning_(scanning), pointsShown_(pointsShown) {
  thread_ = std::thread(&Impl::run, this);
}

LidarMiniJNI::Impl::~Impl() {
  stop();
}

void LidarMiniJNI::Impl::stop() {
  stop_.request();
  if (thread_.joinable()) thread_.join();
}

LidarMiniJNI::ScanData LidarMiniJNI::Impl::lastScan() const {
  std::lock_guard lock(dataMutex_);
  return ScanData{lastStartNs_, last_};
}

void LidarMiniJNI::Impl::run() {
  if (stop_.waitFor(kSettleMs)) return;
  tcflush(fd_, TCIFLUSH);
  std::vector<uint8_t> buffer;
  buffer.reserve(kBufferReserve);
  lidarmini::ScanPacket packet;
  unsigned char block[kReadBlock];
  while (!stop_.requested() && scanning_.load()) {
    // Blocks until bytes arrive or stop is requested; after a hang-up it pauses for stop, so a
    // device that is gone costs at most two wakeups a second.
    int count = KorvaneSerial::ReadOrStop(fd_, block, kReadBlock, stop_);
    if (count <= 0) {
      if (fd_ == -1) stop_.waitFor(KorvaneSerial::kFailedPortPauseMs);
      continue;
    }
    buffer.insert(buffer.end(), block, block + count);
    while (lidarmini::ExtractScanPacket(buffer, packet)) {
      const int published = gather(packet);
      if (published >= 0) pointsShown_.set(published);
    }
  }
}

int LidarMiniJNI::Impl::gather(const lidarmini::ScanPacket& packet) {
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
