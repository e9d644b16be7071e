#include "LidarRoomSim.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

namespace korvane::sim {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kLongestBurst = 128;

// The angle the driver adds for the device's geometry: the lens sits beside the laser.
double correctionDegrees(double mm) {
  if (mm == 0) return 0;
  return std::atan(21.8 * (155.3 - mm) / (155.3 * mm)) * 180.0 / kPi;
}

void put16(std::string& bytes, unsigned value) {
  bytes.push_back(static_cast<char>(value & 0xFF));
  bytes.push_back(static_cast<char>((value >> 8) & 0xFF));
}

// A packet: AA 55, type, count, start and end angle (1/128 degree), check code (the XOR of the
// packet's other 16-bit words), the samples (1/4 mm).
std::string packet(uint8_t type, double startDegrees, double endDegrees,
                   const std::vector<uint16_t>& samples) {
  auto raw = [](double degrees) { return static_cast<unsigned>(std::lround(degrees * 128.0)); };
  std::string bytes = {'\xAA', '\x55', static_cast<char>(type), static_cast<char>(samples.size())};
  put16(bytes, raw(startDegrees));
  put16(bytes, raw(endDegrees));
  put16(bytes, 0);
  for (uint16_t s : samples) put16(bytes, s);
  unsigned check = 0;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    if (i == 8) continue;
    check ^= static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8);
  }
  bytes[8] = static_cast<char>(check & 0xFF);
  bytes[9] = static_cast<char>(check >> 8);
  return bytes;
}

}  // namespace

double LidarRoomSim::distanceAt(const Room& room, double degrees) {
  const double dx = std::cos(degrees * kPi / 180.0);
  const double dy = std::sin(degrees * kPi / 180.0);
  const double inf = std::numeric_limits<double>::infinity();
  // Leaving the room.
  double wall = inf;
  if (dx > 0) wall = std::min(wall, (room.width - room.lidarX) / dx);
  if (dx < 0) wall = std::min(wall, -room.lidarX / dx);
  if (dy > 0) wall = std::min(wall, (room.depth - room.lidarY) / dy);
  if (dy < 0) wall = std::min(wall, -room.lidarY / dy);
  // Entering the box (slabs).
  double enter = -inf, leave = inf;
  const double origin[2] = {room.lidarX, room.lidarY};
  const double direction[2] = {dx, dy};
  const double low[2] = {room.boxX0, room.boxY0};
  const double high[2] = {room.boxX1, room.boxY1};
  for (int axis = 0; axis < 2; ++axis) {
    if (std::fabs(direction[axis]) < 1e-12) {
      if (origin[axis] < low[axis] || origin[axis] > high[axis]) leave = -inf;
      continue;
    }
    double a = (low[axis] - origin[axis]) / direction[axis];
    double b = (high[axis] - origin[axis]) / direction[axis];
    enter = std::max(enter, std::min(a, b));
    leave = std::min(leave, std::max(a, b));
  }
  if (enter <= leave && enter > 0) return std::min(wall, enter);
  return wall;
}

std::unique_ptr<LidarRoomSim> LidarRoomSim::start(unsigned seed, bool streaming) {
  auto device = PtyDevice::open();
  if (!device) return nullptr;
  std::unique_ptr<LidarRoomSim> sim(new LidarRoomSim(std::move(device), seed, streaming));
  sim->device_->run([lidar = sim.get()] { lidar->run(); });
  return sim;
}

LidarRoomSim::LidarRoomSim(std::unique_ptr<PtyDevice> device, unsigned seed, bool streaming)
    : device_(std::move(device)), streaming_(streaming), random_(seed) {}

LidarRoomSim::~LidarRoomSim() {
  hangUp();
}

void LidarRoomSim::hangUp() {
  device_->hangUp();
}

uint16_t LidarRoomSim::sampleAt(double degrees) {
  // The sample reported at this angle is filed by the driver at the angle plus the correction
  // for its own distance: find the distance that agrees with it.
  double mm = distanceAt(room_, degrees);
  for (int i = 0; i < 4; ++i) mm = distanceAt(room_, degrees + correctionDegrees(mm));
  std::lock_guard lock(mutex_);
  if (dropouts_ > 0 && std::uniform_real_distribution<double>(0, 1)(random_) < dropouts_) return 0;
  if (noise_ > 0) mm += std::normal_distribution<double>(0, noise_)(random_);
  return static_cast<uint16_t>(std::clamp(std::lround(mm * 4.0), 1L, 65535L));
}

std::string LidarRoomSim::revolution() {
  constexpr double step = 360.0 / kSamplesPerRevolution;
  std::string bytes = packet(0x01, 0.0, 0.0, {sampleAt(0.0)});
  int sent = 1;
  for (int first = 1; first < kSamplesPerRevolution; first += kSamplesPerPacket) {
    int count = std::min(kSamplesPerPacket, kSamplesPerRevolution - first);
    std::vector<uint16_t> samples;
    for (int i = 0; i < count; ++i) samples.push_back(sampleAt((first + i) * step));
    bytes += packet(0x00, first * step, (first + count - 1) * step, samples);
    ++sent;
  }
  std::lock_guard lock(mutex_);
  packets_ += sent;
  ++revolutions_;
  return bytes;
}

void LidarRoomSim::run() {
  const auto period = std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(1.0 / kRevolutionsPerSecond));
  auto next = Clock::now();
  while (!device_->stopping()) {
    bool streaming;
    {
      std::lock_guard lock(mutex_);
      streaming = streaming_;
    }
    if (!streaming) {
      if (!waitUntil(Clock::time_point::max())) return;
      next = Clock::now();
      continue;
    }
    const std::string bytes = revolution();
    // Bytes leave at the line rate; a revolution takes at least its period.
    const auto byteTime = lineTime(1, kBaud);
    const auto start = next;
    size_t offset = 0;
    while (offset < bytes.size()) {
      size_t burst;
      {
        std::lock_guard lock(mutex_);
        burst = std::uniform_int_distribution<size_t>(1, kLongestBurst)(random_);
      }
      burst = std::min(burst, bytes.size() - offset);
      if (!waitUntil(start + byteTime * static_cast<int64_t>(offset + burst))) return;
      device_->writeAll(bytes.data() + offset, burst, kStreamWriteTimeoutMs);
      offset += burst;
    }
    next = std::max(start + std::max<Clock::duration>(period, byteTime * bytes.size()),
                    Clock::now() - kMaxCatchUp);
    if (!waitUntil(next)) return;
  }
}

bool LidarRoomSim::waitUntil(Clock::time_point when) {
  while (!device_->stopping()) {
    if (when == Clock::time_point::max()) {
      if (device_->waitForWake(-1)) return true;  // a setting changed
      continue;
    }
    int timeoutMs = millisecondsUntil(when);
    if (timeoutMs <= 0) return true;
    device_->waitForWake(timeoutMs);
  }
  return false;
}

void LidarRoomSim::setNoise(double sigmaMm) {
  std::lock_guard lock(mutex_);
  noise_ = std::max(0.0, sigmaMm);
}

void LidarRoomSim::setDropoutRate(double fraction) {
  std::lock_guard lock(mutex_);
  dropouts_ = std::clamp(fraction, 0.0, 1.0);
}

void LidarRoomSim::setStreaming(bool on) {
  {
    std::lock_guard lock(mutex_);
    streaming_ = on;
  }
  device_->wake();
}

bool LidarRoomSim::send(const std::string& bytes) {
  return device_->writeAll(bytes, kSendTimeoutMs);
}

uint64_t LidarRoomSim::revolutions() const {
  std::lock_guard lock(mutex_);
  return revolutions_;
}

uint64_t LidarRoomSim::packetsSent() const {
  std::lock_guard lock(mutex_);
  return packets_;
}

}  // namespace korvane::sim
