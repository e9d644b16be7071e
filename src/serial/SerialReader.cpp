#include "serial/SerialReader.h"

#include "KorvaneSerial.h"
#include "common/DeviceHealth.h"

namespace korvane {

SerialReader::~SerialReader() {
  stop();
}

void SerialReader::start(int fd, int blockBytes, Parser parser, int settleMs,
                         DeviceHealth* health) {
  if (running_.load()) return;
  if (!stop_) stop_ = std::make_unique<StopSignal>();
  stop_->reset();
  if (block_.size() != static_cast<size_t>(blockBytes)) block_.assign(blockBytes, 0);
  parser_ = std::move(parser);
  running_.store(true);
  try {
    thread_ = std::thread(&SerialReader::run, this, fd, settleMs, health);
  } catch (...) {
    running_.store(false);
    throw;
  }
}

void SerialReader::stop() {
  if (stop_) stop_->request();
  running_.store(false);
  if (thread_.joinable()) thread_.join();
}

void SerialReader::run(int fd, int settleMs, DeviceHealth* health) {
  if (settleMs > 0) {
    if (stop_->waitFor(settleMs)) return;
    KorvaneSerial::FlushRx(fd);
  }
  const int size = static_cast<int>(block_.size());
  while (!stop_->requested()) {
    // With a health to keep, the wait gives up when the device would count as silent, so that
    // the silence is told once; the next wait then has no limit.
    const int waitMs = health != nullptr ? health->msUntilSilence() : -1;
    const int count = KorvaneSerial::ReadOrStop(fd, block_.data(), size, *stop_, waitMs);
    if (count > 0) {
      if (health != nullptr) health->heardNow();
      parser_(block_.data(), count);
    } else if (count < 0) {
      if (health != nullptr) health->hungUp();
      stop_->waitFor(-1);  // hung up or failed: the port gives nothing more
    } else if (health != nullptr && !stop_->requested()) {
      health->check();
    }
  }
}

}  // namespace korvane
