#include "LidarMiniSim.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "korvane/sim/SerialDevices.h"
#include "sim/pty/DeviceLinks.h"

namespace korvane::sim {
namespace {

constexpr int kSamplesPerPacket = 40;
constexpr double kPi = 3.14159265358979323846;
constexpr int kMaxRangeMm = 12000;

void put16(std::string& bytes, unsigned value) {
  bytes.push_back(static_cast<char>(value & 0xFF));
  bytes.push_back(static_cast<char>((value >> 8) & 0xFF));
}

// Angles travel in 1/64 degree above the low bit, which the device always sets.
unsigned rawAngle(double degrees) {
  return (static_cast<unsigned>(std::lround(degrees * 64.0)) << 1) | 1u;
}

// What the LiDAR at the origin sees at this angle: the walls of a box from x = -3.5 m to 2.5 m
// and y = -1.5 m to 2 m, and a round pillar of 0.25 m radius at (1.2, 0.8).
struct Echo {
  int distanceMm;
  uint8_t intensity;
};

Echo measure(double degrees) {
  double dx = std::cos(degrees * kPi / 180.0), dy = std::sin(degrees * kPi / 180.0);
  double wall = 1e9;
  if (dx > 1e-9) wall = std::min(wall, 2.5 / dx);
  if (dx < -1e-9) wall = std::min(wall, -3.5 / dx);
  if (dy > 1e-9) wall = std::min(wall, 2.0 / dy);
  if (dy < -1e-9) wall = std::min(wall, -1.5 / dy);
  Echo echo{static_cast<int>(std::lround(wall * 1000.0)), 180};
  // Ray against the pillar: |t·d - c|² = r².
  const double cx = 1.2, cy = 0.8, r = 0.25;
  double along = dx * cx + dy * cy;
  double across = cx * cx + cy * cy - along * along;
  if (along > 0 && across < r * r) {
    double t = along - std::sqrt(r * r - across);
    if (t < wall) echo = {static_cast<int>(std::lround(t * 1000.0)), 240};
  }
  if (echo.distanceMm > kMaxRangeMm) echo = {0, 0};
  return echo;
}

std::string sampleBytes(const Echo& echo) {
  std::string bytes;
  bytes.push_back(static_cast<char>(echo.intensity));
  bytes.push_back(static_cast<char>((echo.distanceMm & 0x3F) << 2));
  bytes.push_back(static_cast<char>((echo.distanceMm >> 6) & 0xFF));
  return bytes;
}

// Header AA 55, type, count, first and last angle, check code (XOR of the 16-bit words).
std::string packetBytes(bool start, double firstDeg, double lastDeg,
                        const std::vector<Echo>& echoes) {
  std::string body;
  for (const Echo& echo : echoes) body += sampleBytes(echo);
  unsigned first = rawAngle(firstDeg), last = rawAngle(lastDeg);
  unsigned check =
      0x55AA ^ (static_cast<unsigned>(echoes.size()) << 8 | (start ? 1u : 0u)) ^ first ^ last;
  for (size_t i = 0; i + 1 < body.size(); i += 2) {
    check ^= static_cast<uint8_t>(body[i]) | static_cast<uint8_t>(body[i + 1]) << 8;
  }
  std::string bytes = "\xAA\x55";
  bytes.push_back(static_cast<char>(start ? 0x01 : 0x00));
  bytes.push_back(static_cast<char>(echoes.size()));
  put16(bytes, first);
  put16(bytes, last);
  put16(bytes, check & 0xFFFF);
  return bytes + body;
}

}  // namespace

std::unique_ptr<LidarMiniSim> LidarMiniSim::start() {
  auto device = PtyDevice::open(230400);
  if (!device) return nullptr;
  std::unique_ptr<LidarMiniSim> sim(new LidarMiniSim(std::move(device)));
  sim->device_->run([lidar = sim.get()] { lidar->run(); });
  return sim;
}

LidarMiniSim::LidarMiniSim(std::unique_ptr<PtyDevice> device) : device_(std::move(device)) {
  std::memcpy(info_ + 4, "TMINIPLUS-SIM-01", 16);
}

LidarMiniSim::~LidarMiniSim() {
  hangUp();
}

bool LidarMiniSim::plugIn() {
  std::lock_guard lock(mutex_);
  if (!linkFolder_.empty()) return true;
  std::string folder = linkInNewFolder(device_->path(), "ttyUSB0");
  if (folder.empty()) return false;
  linkFolder_ = folder;
  setSerialDeviceDirectory(linkFolder_);
  return true;
}

void LidarMiniSim::unplug() {
  std::lock_guard lock(mutex_);
  if (linkFolder_.empty()) return;
  removeLinkFolder(linkFolder_, "ttyUSB0");
  if (serialDeviceDirectory() == linkFolder_) setSerialDeviceDirectory("/dev");
  linkFolder_.clear();
}

void LidarMiniSim::hangUp() {
  device_->stop();
  unplug();
  device_->close();
}

void LidarMiniSim::run() {
  auto next = Clock::now();
  while (!device_->stopping()) {
    int timeoutMs = -1;
    {
      std::lock_guard lock(mutex_);
      if (scanning_ && !silent_) timeoutMs = millisecondsUntil(next);
    }
    if (device_->waitForInput(timeoutMs)) receive();

    auto now = Clock::now();
    std::string bytes;
    {
      std::lock_guard lock(mutex_);
      if (restart_ || !scanning_ || silent_) {
        next = now;
        restart_ = false;
      }
      if (!scanning_ || silent_ || now < next) continue;
      if (garbage_) bytes = garbageLocked();
      int samples = 0;
      bytes += nextPacketLocked(samples);
      // A packet takes as long as its samples take to measure, and no less than the line needs.
      auto measuring = std::chrono::nanoseconds(int64_t{samples} * 1'000'000'000 / kSampleRate);
      next = std::max(next + std::max<Clock::duration>(measuring, lineTime(bytes.size(), kBaud)),
                      now - kMaxCatchUp);
    }
    device_->writeAll(bytes, kStreamWriteTimeoutMs);
  }
}

std::string LidarMiniSim::nextPacketLocked(int& samples) {
  if (nextSample_ == 0) {
    revolutionSamples_ = std::max(2, kSampleRate * 10 / tenthsHz_);
    nextSample_ = 1;
    samples = 1;
    ++revolutions_;
    return packetBytes(true, 0.0, 0.0, {measure(0.0)});
  }
  double step = 360.0 / revolutionSamples_;
  int first = nextSample_;
  int last = std::min(revolutionSamples_ - 1, first + kSamplesPerPacket - 1);
  std::vector<Echo> echoes;
  for (int k = first; k <= last; ++k) echoes.push_back(measure(k * step));
  nextSample_ = last + 1 >= revolutionSamples_ ? 0 : last + 1;
  samples = last - first + 1;
  return packetBytes(false, first * step, last * step, echoes);
}

std::string LidarMiniSim::garbageLocked() {
  std::string bytes;
  int count = static_cast<int>(random_() % 6);
  for (int i = 0; i < count; ++i) {
    auto byte = static_cast<char>(random_() & 0xFF);
    if (byte == '\x55' || byte == '\xAA') byte = '\x13';
    bytes.push_back(byte);
  }
  if (random_() % 4 == 0) bytes.push_back('\xAA');  // a lone sync byte
  return bytes;
}

void LidarMiniSim::receive() {
  for (char byte : device_->readAvailable()) {
    const auto value = static_cast<uint8_t>(byte);
    bool command;
    {
      std::lock_guard lock(mutex_);
      command = pendingA5_;
      pendingA5_ = !command && value == 0xA5;
    }
    if (command) obey(value);
  }
}

void LidarMiniSim::obey(uint8_t code) {
  std::string answer;
  {
    std::lock_guard lock(mutex_);
    commands_.push_back(code);
    switch (code) {
      case 0x60:
        scanning_ = true;
        restart_ = true;
        nextSample_ = 0;
        break;
      case 0x65:
        scanning_ = false;
        break;
      case 0x90:
        answer = std::string("\xA5\x5A\x14\x00\x00\x00\x04", 7) +
                 std::string(reinterpret_cast<const char*>(info_), sizeof info_);
        break;
      case 0x92:
        answer = std::string("\xA5\x5A\x03\x00\x00\x00\x06", 7) +
                 std::string(reinterpret_cast<const char*>(health_), sizeof health_);
        break;
      case 0x09:
      case 0x0A:
      case 0x0B:
      case 0x0C: {
        int step = (code == 0x09 ? 1 : code == 0x0A ? -1 : code == 0x0B ? 10 : -10);
        tenthsHz_ = std::clamp(tenthsHz_ + step, kMinTenthsHz, kMaxTenthsHz);
        break;
      }
      default:
        break;
    }
    if (silent_) answer.clear();
    received_.notify_all();
  }
  if (!answer.empty()) device_->writeAll(answer, kSendTimeoutMs);
}

void LidarMiniSim::setInfo(uint8_t model, uint16_t firmware, uint8_t hardware,
                           const std::string& serial) {
  std::lock_guard lock(mutex_);
  info_[0] = model;
  info_[1] = static_cast<uint8_t>(firmware & 0xFF);
  info_[2] = static_cast<uint8_t>(firmware >> 8);
  info_[3] = hardware;
  std::memset(info_ + 4, 0, 16);
  std::memcpy(info_ + 4, serial.data(), std::min<size_t>(serial.size(), 16));
}

void LidarMiniSim::setHealth(uint8_t status, uint16_t errorCode) {
  std::lock_guard lock(mutex_);
  health_[0] = status;
  health_[1] = static_cast<uint8_t>(errorCode & 0xFF);
  health_[2] = static_cast<uint8_t>(errorCode >> 8);
}

void LidarMiniSim::setSilent(bool silent) {
  {
    std::lock_guard lock(mutex_);
    silent_ = silent;
  }
  device_->wake();
}

void LidarMiniSim::setGarbage(bool garbage) {
  std::lock_guard lock(mutex_);
  garbage_ = garbage;
}

bool LidarMiniSim::send(const std::string& bytes) {
  return device_->writeAll(bytes, kSendTimeoutMs);
}

bool LidarMiniSim::scanning() const {
  std::lock_guard lock(mutex_);
  return scanning_;
}

int LidarMiniSim::frequencyTenthsHz() const {
  std::lock_guard lock(mutex_);
  return tenthsHz_;
}

int LidarMiniSim::pointsPerRevolution() const {
  std::lock_guard lock(mutex_);
  return std::max(2, kSampleRate * 10 / tenthsHz_);
}

std::vector<uint8_t> LidarMiniSim::commands() const {
  std::lock_guard lock(mutex_);
  return commands_;
}

bool LidarMiniSim::waitForCommands(size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return received_.wait_for(lock, timeout, [&] { return commands_.size() >= count; });
}

uint64_t LidarMiniSim::revolutionsSent() const {
  std::lock_guard lock(mutex_);
  return revolutions_;
}

}  // namespace korvane::sim
