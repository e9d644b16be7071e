#include "serial/SerialReader.h"

#include "KorvaneSerial.h"
#include "common/DeviceHealth.h"
#include "common/PortIo.h"

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
    int count;
    if (health != nullptr) {
      if (!waitWhileHealthy(fd, *health)) continue;
      count = KorvaneSerial::ReadWithin(fd, block_.data(), size, 0);  // ready: no wait
    } else {
      count = KorvaneSerial::ReadOrStop(fd, block_.data(), size, *stop_);
    }
    if (count > 0) {
      if (health != nullptr) health->heardNow();
      parser_(block_.data(), count);
    } else if (count < 0) {
      if (health != nullptr) health->hungUp();
      stop_->waitFor(-1);  // hung up or failed: the port gives nothing more
    }
  }
}

bool SerialReader::waitWhileHealthy(int fd, DeviceHealth& health) {
  while (true) {
    switch (waitForInput(fd, *stop_, health.msUntilSilence())) {
      case PortEvent::Input:
        return true;
      case PortEvent::Timeout:
        health.check();  // silent by now: told once, and the next wait has no timeout
        continue;
      case PortEvent::HungUp:
        health.hungUp();
        stop_->waitFor(-1);
        return false;
      case PortEvent::Stop:
        return false;
    }
  }
}

}  // namespace korvane
