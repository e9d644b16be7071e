#pragma once

// The distance sensor's CAN traffic. Every identifier is device type 6 and manufacturer 9, the
// API number times 64, plus the sensor's own CAN ID in the low six bits.

#include <cstdint>

namespace korvane::dystan::frames {

constexpr uint32_t kDeviceType = 6;
constexpr uint32_t kManufacturer = 9;
constexpr uint32_t kBase = (kDeviceType << 24) | (kManufacturer << 16);  // 0x06090000
constexpr uint32_t kBaseMask = 0x1FFF0000;
constexpr uint32_t kIdMask = 0x1FFFFFFF;
constexpr uint32_t kSessionCapacity = 128;

constexpr unsigned kScanChunkApi = 1;       // sensor -> robot: sequence, chunk, three distances
constexpr unsigned kConfigRequestApi = 16;  // robot -> sensor: eight zero bytes
constexpr unsigned kConfigReplyApi = 17;    // sensor -> robot: version, three flags, CAN ID

constexpr uint32_t idFor(unsigned api, uint8_t canId) {
  return kBase + api * 64 + canId;
}

constexpr int kValuesPerChunk = 3;
constexpr int kCollectionPasses = 3;
constexpr int kPassGapMs = 12;
constexpr int kConfigPollMs = 2;

}  // namespace korvane::dystan::frames
