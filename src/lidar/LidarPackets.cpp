#include "lidar/LidarPackets.h"

#include <cmath>

#include "common/LittleEndian.h"

namespace korvane::lidar {
namespace {

constexpr uint8_t kSync1 = 0xAA;
constexpr uint8_t kSync2 = 0x55;
constexpr double kPi = 3.14159265358979323846;

// The lens sits beside the laser: a near target is seen at a larger angle than a far one.
float angleCorrection(float distance) {
  if (distance == 0.0f) return 0.0f;
  double d = distance;
  return static_cast<float>(std::atan(21.8 * (155.3 - d) / (155.3 * d)) * 180.0 / kPi);
}

// Into [0, 360). Adding 360 to a tiny negative angle rounds to exactly 360, which is 0.
float normalised(float angle) {
  while (angle >= 360.0f) angle -= 360.0f;
  while (angle < 0.0f) angle += 360.0f;
  return angle >= 360.0f ? 0.0f : angle;
}

}  // namespace

Cut findPacket(const uint8_t* data, size_t size) {
  size_t i = 0;
  for (; i < size; ++i) {
    if (data[i] != kSync1) continue;
    if (i + 1 == size || data[i + 1] == kSync2) break;
  }
  if (i + kHeaderSize > size) return {i, 0};
  size_t length = kHeaderSize + 2 * static_cast<size_t>(data[i + 3]);
  return {i, i + length <= size ? length : 0};
}

void decodePacket(const uint8_t* packet, size_t length, const DistanceLimits& limits,
                  std::vector<LidarJNI::DataPoint>& points) {
  if (length < kHeaderSize) return;
  const uint8_t packetType = packet[2];
  int8_t sampleCount = static_cast<int8_t>(packet[3]);
  const float startAngle = static_cast<float>(korvane::readU16(packet + 4) * 0.5 * 0.015625);
  const float endAngle = static_cast<float>(korvane::readU16(packet + 6) * 0.5 * 0.015625);
  if (packetType & 0x01) sampleCount = 1;
  float angleSpan = endAngle - startAngle;
  if (angleSpan < 0) angleSpan += 360.0f;

  const size_t samples = (length - kHeaderSize) / 2;
  for (size_t n = 0; n < samples; ++n) {
    const uint16_t raw = korvane::readU16(packet + kHeaderSize + 2 * n);
    const float distance = static_cast<float>(raw * 0.25);
    float sampleAngle = startAngle;
    if (sampleCount > 1) {
      sampleAngle = startAngle + static_cast<float>(n) * (angleSpan / (sampleCount - 1));
    }
    const float angle = normalised(sampleAngle + angleCorrection(distance));
    const bool valid = distance <= limits.maxDistance && distance >= limits.minDistance;
    points.push_back({angle, valid ? distance : limits.invalidDistance});
  }
}

}  // namespace korvane::lidar
