#include "KromelUsbSim.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace korvane::sim {
namespace {

constexpr int kMaxSampleTimeMs = 65535;

// Fixed four decimals, written without the process's locale (whose decimal mark may be a
// comma).
std::string decimal(float value) {
  long scaled = std::lround(static_cast<double>(value) * 10000.0);
  std::string sign = scaled < 0 ? "-" : "";
  scaled = std::labs(scaled);
  char digits[32];
  std::snprintf(digits, sizeof digits, "%ld.%04ld", scaled / 10000, scaled % 10000);
  return sign + digits;
}

int byteOf(float channel) {
  return static_cast<int>(std::clamp(std::lround(channel * 255.0), 0L, 255L));
}

}  // namespace

std::unique_ptr<KromelUsbSim> KromelUsbSim::start(int sampleTimeMs) {
  auto device = PtyDevice::open();
  if (!device) return nullptr;
  std::unique_ptr<KromelUsbSim> sim(new KromelUsbSim(std::move(device), sampleTimeMs));
  sim->device_->run([sensor = sim.get()] { sensor->run(); });
  return sim;
}

KromelUsbSim::KromelUsbSim(std::unique_ptr<PtyDevice> device, int sampleTimeMs)
    : device_(std::move(device)), sampleTimeMs_(std::clamp(sampleTimeMs, 0, kMaxSampleTimeMs)) {}

KromelUsbSim::~KromelUsbSim() {
  hangUp();
}

void KromelUsbSim::hangUp() {
  device_->hangUp();
}

void KromelUsbSim::run() {
  auto next = Clock::now();
  while (!device_->stopping()) {
    int timeoutMs = -1;
    {
      std::lock_guard lock(mutex_);
      if (streaming_) timeoutMs = millisecondsUntil(next);
    }
    if (device_->waitForInput(timeoutMs)) receive();

    auto now = Clock::now();
    std::string line;
    {
      std::lock_guard lock(mutex_);
      if (!streaming_ || rescheduled_) {
        next = now;
        rescheduled_ = false;
      }
      if (!streaming_ || now < next) continue;
      line = nextLineLocked();
      next = std::max(next + intervalLocked(line.size()), now - kMaxCatchUp);
    }
    if (device_->writeAll(line, kStreamWriteTimeoutMs)) {
      std::lock_guard lock(mutex_);
      ++linesSent_;
    }
  }
}

void KromelUsbSim::receive() {
  for (const std::string& line : received_.add(device_->readAvailable())) {
    obey(line);
    received_.obeyed(line);
  }
}

void KromelUsbSim::obey(const std::string& line) {
  std::lock_guard lock(mutex_);
  const std::string formatCommand = "COLORFORMAT,";
  const std::string sampleCommand = "SAMPLETIME,";
  if (line.rfind(formatCommand, 0) == 0) {
    std::string name = line.substr(formatCommand.size());
    if (name == "RGB" || name == "RAW" || name == "SRGB" || name == "HEX" || name == "XYZ") {
      format_ = name;
    }
  } else if (line.rfind(sampleCommand, 0) == 0) {
    const char* digits = line.c_str() + sampleCommand.size();
    char* end = nullptr;
    long ms = std::strtol(digits, &end, 10);
    if (end != digits) {
      sampleTimeMs_ = static_cast<int>(std::clamp(ms, 0L, 65535L));
      rescheduled_ = true;
    }
  }
}

std::string KromelUsbSim::nextLineLocked() {
  const float x = color_[0], y = color_[1], z = color_[2];
  if (format_ == "XYZ")
    return "XYZ: " + decimal(x) + ", " + decimal(y) + ", " + decimal(z) + "\r\n";
  if (format_ == "HEX") {
    char text[32];
    std::snprintf(text, sizeof text, "HEX: #%02X%02X%02X\r\n", byteOf(x), byteOf(y), byteOf(z));
    return text;
  }
  std::string values = std::to_string(byteOf(x)) + ", " + std::to_string(byteOf(y)) + ", " +
                       std::to_string(byteOf(z));
  if (format_ == "RAW") values += ", " + std::to_string(byteOf((x + y + z) / 3));
  return format_ + ": " + values + "\r\n";
}

KromelUsbSim::Clock::duration KromelUsbSim::intervalLocked(size_t lineBytes) const {
  return std::max<Clock::duration>(std::chrono::milliseconds(sampleTimeMs_),
                                   lineTime(lineBytes, kBaud));
}

void KromelUsbSim::setColor(float x, float y, float z) {
  std::lock_guard lock(mutex_);
  color_[0] = x;
  color_[1] = y;
  color_[2] = z;
}

void KromelUsbSim::setStreaming(bool on) {
  {
    std::lock_guard lock(mutex_);
    streaming_ = on;
  }
  device_->wake();
}

bool KromelUsbSim::send(const std::string& bytes) {
  return device_->writeAll(bytes, kSendTimeoutMs);
}

std::string KromelUsbSim::colorFormat() const {
  std::lock_guard lock(mutex_);
  return format_;
}

int KromelUsbSim::sampleTimeMs() const {
  std::lock_guard lock(mutex_);
  return sampleTimeMs_;
}

std::vector<std::string> KromelUsbSim::commands() const {
  return received_.lines();
}

std::string KromelUsbSim::received() const {
  return received_.bytes();
}

bool KromelUsbSim::waitForCommands(size_t count, std::chrono::milliseconds timeout) const {
  return received_.waitFor(count, timeout);
}

uint64_t KromelUsbSim::linesSent() const {
  std::lock_guard lock(mutex_);
  return linesSent_;
}

}  // namespace korvane::sim
