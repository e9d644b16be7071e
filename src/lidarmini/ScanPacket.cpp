#include "lidarmini/ScanPacket.h"

#include <algorithm>
#include <cstddef>

#include "common/LittleEndian.h"

namespace korvane::lidarmini {
namespace {

constexpr uint8_t kSync0 = 0xAA;
constexpr uint8_t kSync1 = 0x55;
constexpr size_t kHeaderBytes = 10;
constexpr size_t kSampleBytes = 3;
constexpr uint32_t kMinDistanceMm = 50;
constexpr uint32_t kMaxDistanceMm = 12000;
constexpr uint8_t kInvalidSampleBit = 0x02;

// The whole raw value over 128: the device's low bit is not removed first.
float angleOf(uint16_t raw) {
  return static_cast<float>(raw) * 0.5f * 0.015625f;
}

float wrapDegrees(float angle) {
  while (angle >= 360.0f) angle -= 360.0f;
  while (angle < 0.0f) angle += 360.0f;
  return angle;
}

korvane::LidarMini::DataPoint decodeSample(const uint8_t* sample, float angle) {
  uint32_t distanceMm = (static_cast<uint32_t>(sample[2]) << 6) | (sample[1] >> 2);
  bool invalid = distanceMm < kMinDistanceMm || distanceMm > kMaxDistanceMm ||
                 (sample[1] & kInvalidSampleBit) != 0;
  korvane::LidarMini::DataPoint point;
  point.angle = angle;
  point.distance = invalid ? -1.0f : static_cast<float>(distanceMm) / 1000.0f;
  point.intensity = static_cast<float>(sample[0]);
  return point;
}

// Erases everything before the first AA 55. Without one, only a last byte 0xAA is kept: it may
// be the first half of a header whose second half has not arrived.
void resynchronise(std::vector<uint8_t>& buffer) {
  const uint8_t sync[] = {kSync0, kSync1};
  auto found = std::search(buffer.begin(), buffer.end(), sync, sync + 2);
  if (found == buffer.end() && buffer.back() == kSync0) --found;
  buffer.erase(buffer.begin(), found);
}

}  // namespace

bool ExtractScanPacket(std::vector<uint8_t>& buffer, ScanPacket& packet) {
  if (buffer.size() < kHeaderBytes) return false;
  resynchronise(buffer);
  if (buffer.size() < kHeaderBytes) return false;

  const uint8_t* bytes = buffer.data();
  bool start = (bytes[2] & 0x01) != 0;
  size_t count = start ? 1 : bytes[3];
  size_t length = kHeaderBytes + kSampleBytes * count;
  if (buffer.size() < length) return false;

  float first = angleOf(korvane::readU16(bytes + 4));
  float last = angleOf(korvane::readU16(bytes + 6));
  float span = last - first;
  if (span < 0.0f) span += 360.0f;
  float step = count > 1 ? span / static_cast<float>(count - 1) : 0.0f;

  packet.start = start;
  packet.points.clear();
  packet.points.reserve(count);
  const uint8_t* sample = bytes + kHeaderBytes;
  for (size_t k = 0; k < count; ++k, sample += kSampleBytes) {
    float angle = count > 1 ? first + static_cast<float>(k) * step : first;
    packet.points.push_back(decodeSample(sample, wrapDegrees(angle)));
  }
  buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(length));
  return true;
}

}  // namespace korvane::lidarmini
