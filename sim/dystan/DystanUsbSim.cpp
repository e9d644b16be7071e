#include "DystanUsbSim.h"

#include <algorithm>
#include <cstdlib>

namespace korvane::sim {
namespace {

constexpr int kMaxRate = 1000;

void putUInt16(std::string& out, uint16_t value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>(value >> 8));
}

bool startsWith(const std::string& text, const char* prefix) {
  return text.rfind(prefix, 0) == 0;
}

}  // namespace

std::string DystanUsbSim::frame(uint8_t sequence, const std::vector<int16_t>& distances) {
  size_t n = std::min<size_t>(distances.size(), 255);
  std::string bytes = "\xA5\x5A";
  putUInt16(bytes, static_cast<uint16_t>(4 + 2 * n));
  bytes.push_back(1);  // distance scan
  bytes.push_back(static_cast<char>(sequence));
  bytes.push_back(static_cast<char>(n));
  bytes.push_back(1);  // the scan is valid
  for (size_t k = 0; k < n; ++k) putUInt16(bytes, static_cast<uint16_t>(distances[k]));
  return bytes;
}

std::unique_ptr<DystanUsbSim> DystanUsbSim::start(const Options& options) {
  auto device = PtyDevice::open();
  if (!device) return nullptr;
  std::unique_ptr<DystanUsbSim> sim(new DystanUsbSim(std::move(device), options));
  sim->device_->run([sensor = sim.get()] { sensor->run(); });
  return sim;
}

DystanUsbSim::DystanUsbSim(std::unique_ptr<PtyDevice> device, const Options& options)
    : device_(std::move(device)),
      streaming_(options.streaming),
      binary_(options.binary),
      outputRate_(std::clamp(options.outputRate, 0, kMaxRate)) {
  for (int k = 0; k < 64; ++k) distances_.push_back(static_cast<int16_t>(500 + 5 * k));
}

DystanUsbSim::~DystanUsbSim() {
  hangUp();
}

void DystanUsbSim::hangUp() {
  device_->hangUp();
}

void DystanUsbSim::run() {
  auto next = Clock::now();
  while (!device_->stopping()) {
    int timeoutMs = -1;
    {
      std::lock_guard lock(mutex_);
      if (streaming_) timeoutMs = millisecondsUntil(next);
    }
    if (device_->waitForInput(timeoutMs)) receive();

    std::vector<std::string> replies;
    std::string scan;
    auto now = Clock::now();
    {
      std::lock_guard lock(mutex_);
      replies.swap(pendingReplies_);
      if (!streaming_ || rescheduled_) {
        next = now;
        rescheduled_ = false;
      }
      if (streaming_ && now >= next) {
        scan = nextScanLocked();
        next = std::max(next + intervalLocked(scan.size()), now - kMaxCatchUp);
      }
    }
    for (const std::string& reply : replies) device_->writeAll(reply, kStreamWriteTimeoutMs);
    if (!scan.empty() && device_->writeAll(scan, kStreamWriteTimeoutMs)) {
      std::lock_guard lock(mutex_);
      ++scansSent_;
    }
  }
}

void DystanUsbSim::receive() {
  for (const std::string& line : received_.add(device_->readAvailable())) {
    obey(line);
    received_.obeyed(line);
  }
}

void DystanUsbSim::obey(const std::string& line) {
  std::lock_guard lock(mutex_);
  if (line == "GETCONFIG") {
    if (!configReply_.empty()) pendingReplies_.push_back(configReply_ + "\r\n");
  } else if (startsWith(line, "VERBOSE,")) {
    verbose_ = line != "VERBOSE,0";
  } else if (line == "DATAFORMAT,BIN") {
    binary_ = true;
  } else if (line == "DATAFORMAT,TXT") {
    binary_ = false;
  } else if (startsWith(line, "ODR,")) {
    const char* digits = line.c_str() + 4;
    char* end = nullptr;
    long rate = std::strtol(digits, &end, 10);
    if (end != digits && rate > 0) {
      outputRate_ = static_cast<int>(std::min<long>(rate, kMaxRate));
      rescheduled_ = true;
    }
  }
}

std::string DystanUsbSim::nextScanLocked() {
  ++sequence_;
  std::string bytes = garbage_;
  if (binary_) return bytes + frame(sequence_, distances_);
  bytes += "SCAN " + std::to_string(sequence_) + ":";
  for (int16_t d : distances_) bytes += " " + std::to_string(d);
  return bytes + "\r\n";
}

DystanUsbSim::Clock::duration DystanUsbSim::intervalLocked(size_t bytes) const {
  Clock::duration period = outputRate_ > 0 ? std::chrono::nanoseconds(1'000'000'000LL / outputRate_)
                                           : Clock::duration::zero();
  return std::max<Clock::duration>(period, lineTime(bytes, kBaud));
}

void DystanUsbSim::setDistances(const std::vector<int16_t>& distances) {
  std::lock_guard lock(mutex_);
  distances_.assign(distances.begin(), distances.begin() + std::min<size_t>(distances.size(), 255));
}

void DystanUsbSim::setStreaming(bool on) {
  {
    std::lock_guard lock(mutex_);
    streaming_ = on;
  }
  device_->wake();
}

void DystanUsbSim::setGarbage(const std::string& bytes) {
  std::lock_guard lock(mutex_);
  garbage_ = bytes;
}

void DystanUsbSim::setConfigReply(const std::string& line) {
  std::lock_guard lock(mutex_);
  configReply_ = line;
}

bool DystanUsbSim::send(const std::string& bytes) {
  return device_->writeAll(bytes, kSendTimeoutMs);
}

bool DystanUsbSim::binary() const {
  std::lock_guard lock(mutex_);
  return binary_;
}

bool DystanUsbSim::verbose() const {
  std::lock_guard lock(mutex_);
  return verbose_;
}

int DystanUsbSim::outputRate() const {
  std::lock_guard lock(mutex_);
  return outputRate_;
}

std::vector<std::string> DystanUsbSim::commands() const {
  return received_.lines();
}

std::string DystanUsbSim::received() const {
  return received_.bytes();
}

bool DystanUsbSim::waitForCommands(size_t count, std::chrono::milliseconds timeout) const {
  return received_.waitFor(count, timeout);
}

uint64_t DystanUsbSim::scansSent() const {
  std::lock_guard lock(mutex_);
  return scansSent_;
}

uint8_t DystanUsbSim::sequence() const {
  std::lock_guard lock(mutex_);
  return sequence_;
}

}  // namespace korvane::sim
