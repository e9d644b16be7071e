#pragma once

// Scan packets and responses of the T-mini Plus written out byte by byte, for feeding the driver.

#include <cstdint>
#include <string>
#include <vector>

namespace korvane::test::lidarmini {

struct Sample {
  uint8_t intensity;
  uint16_t distanceMm;  // 14 bits
  bool invalid = false;
};

inline void put16(std::string& bytes, uint16_t value) {
  bytes.push_back(static_cast<char>(value & 0xFF));
  bytes.push_back(static_cast<char>(value >> 8));
}

inline std::string sampleBytes(const Sample& s) {
  std::string bytes;
  bytes.push_back(static_cast<char>(s.intensity));
  bytes.push_back(static_cast<char>(((s.distanceMm & 0x3F) << 2) | (s.invalid ? 0x02 : 0x00)));
  bytes.push_back(static_cast<char>(s.distanceMm >> 6));
  return bytes;
}

// Raw angles are whole 1/128 degrees; the device sets the low bit.
inline uint16_t rawAngle(double degrees) {
  return static_cast<uint16_t>(static_cast<int>(degrees * 64) * 2 + 1);
}

inline std::string packet(bool start, double firstDeg, double lastDeg,
                          const std::vector<Sample>& samples) {
  std::string bytes = "\xAA\x55";
  bytes.push_back(static_cast<char>(start ? 0x01 : 0x00));
  bytes.push_back(static_cast<char>(samples.size()));
  put16(bytes, rawAngle(firstDeg));
  put16(bytes, rawAngle(lastDeg));
  put16(bytes, 0);
  for (const Sample& s : samples) bytes += sampleBytes(s);
  return bytes;
}

// n valid samples of distinct distances starting at firstMm.
inline std::vector<Sample> samples(int n, uint16_t firstMm) {
  std::vector<Sample> out;
  for (int i = 0; i < n; ++i) {
    out.push_back({static_cast<uint8_t>(10 + i), static_cast<uint16_t>(firstMm + i)});
  }
  return out;
}

inline std::string startPacket(uint16_t distanceMm) {
  return packet(true, 0.0, 0.0, {{200, distanceMm}});
}

inline std::string bytesOf(std::initializer_list<int> values) {
  std::string bytes;
  for (int v : values) bytes.push_back(static_cast<char>(v));
  return bytes;
}

}  // namespace korvane::test::lidarmini
