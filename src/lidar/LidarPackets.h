#pragma once

// The LiDAR's scan packets: finding them in a byte stream and decoding their samples. Plain
// functions of a buffer, so any cut of any stream can be replayed through them.
//
// A packet: AA 55, packet type (bit 0: scan start), sample count, start angle and end angle
// (little-endian, 1/128 degree), a check code (not verified), then two bytes (little-endian,
// 1/4 mm) per sample.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "LidarJNI.h"

namespace korvane::lidar {

constexpr size_t kHeaderSize = 10;
constexpr size_t kMaxPacketSize = kHeaderSize + 2 * 255;

// Where the next packet lies in a buffer: the bytes before `start` start no packet and can be
// dropped; `length` is 0 when no whole packet begins at `start` yet (wait for more bytes).
struct Cut {
  size_t start;
  size_t length;
};
Cut findPacket(const uint8_t* data, size_t size);

struct DistanceLimits {
  float minDistance = 120.0f;
  float maxDistance = 8000.0f;
  float invalidDistance = -1.0f;
};

// Appends the points of one whole packet (as cut by findPacket) to `points`.
void decodePacket(const uint8_t* packet, size_t length, const DistanceLimits& limits,
                  std::vector<LidarJNI::DataPoint>& points);

// The slot of an angle in [0, 360).
inline int slotOf(float angle) {
  int k = static_cast<int>(angle);
  return k < 0 ? 0 : (k >= LidarJNI::kSlots ? LidarJNI::kSlots - 1 : k);
}

}  // namespace korvane::lidar
