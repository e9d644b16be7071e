#pragma once

// Little-endian fields of device frames and packets (byte 0 is the low byte), read and written
// in one place for every driver.

#include <cstdint>

namespace korvane {

inline uint16_t readU16(const uint8_t* bytes) {
  return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

inline int16_t readI16(const uint8_t* bytes) {
  return static_cast<int16_t>(readU16(bytes));
}

inline uint32_t readU32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
         (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

inline int32_t readI32(const uint8_t* bytes) {
  return static_cast<int32_t>(readU32(bytes));
}

// Byte n (0 = lowest) of a value, as it goes out in a little-endian field.
inline uint8_t byteOf(long long value, int n) {
  return static_cast<uint8_t>((value >> (8 * n)) & 0xFF);
}

inline void writeU16(uint8_t* out, uint16_t value) {
  for (int n = 0; n < 2; ++n) out[n] = byteOf(value, n);
}

inline void writeU32(uint8_t* out, uint32_t value) {
  for (int n = 0; n < 4; ++n) out[n] = byteOf(value, n);
}

}  // namespace korvane
