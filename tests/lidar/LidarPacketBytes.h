#pragma once

// Scan packets as the LiDAR sends them, for tests.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace korvane::test {

// AA 55, type, count, start and end angle (1/128 degree), check code 0, then the raw samples
// (1/4 mm), all little-endian. The count byte is the number of samples unless given.
inline std::string lidarPacket(uint8_t type, uint16_t startRaw, uint16_t endRaw,
                               std::initializer_list<uint16_t> samples, int countByte = -1) {
  std::string bytes = {'\xAA', '\x55', static_cast<char>(type),
                       static_cast<char>(countByte < 0 ? samples.size() : countByte)};
  for (uint16_t value : {startRaw, endRaw, uint16_t{0}}) {
    bytes.push_back(static_cast<char>(value & 0xFF));
    bytes.push_back(static_cast<char>(value >> 8));
  }
  for (uint16_t value : samples) {
    bytes.push_back(static_cast<char>(value & 0xFF));
    bytes.push_back(static_cast<char>(value >> 8));
  }
  return bytes;
}

inline std::string bytesOf(std::initializer_list<int> values) {
  std::string bytes;
  for (int v : values) bytes.push_back(static_cast<char>(v));
  return bytes;
}

}  // namespace korvane::test
