#pragma once

// The colour sensor's CAN traffic. Every identifier carries device type 4 and manufacturer 9 in
// its upper 13 bits; the sensor's own CAN ID appears in none of them.

#include <cstdint>

namespace korvane::kromel::frames {

constexpr uint32_t kDeviceType = 4;
constexpr uint32_t kManufacturer = 9;
constexpr uint32_t kBase = (kDeviceType << 24) | (kManufacturer << 16);  // 0x04090000
constexpr uint32_t kBaseMask = 0x1FFF0000;
constexpr uint32_t kColor = kBase | 0x0540;    // sensor -> robot, at least 8 bytes
constexpr uint32_t kCommand = kBase | 0x0500;  // robot -> sensor, plus the command number
constexpr uint32_t kAck = kBase | 0x0585;      // sensor -> robot, at least 6 bytes
constexpr uint32_t kIdMask = 0x1FFFFFFF;
constexpr uint32_t kSessionCapacity = 32;

constexpr unsigned kSetMeasureMode = 18;
constexpr unsigned kSetColorFormat = 19;
constexpr unsigned kSetSampleTime = 20;
constexpr unsigned kSetBrightness = 21;
constexpr unsigned kSetUsbOverride = 22;
constexpr unsigned kSetStatusLed = 23;
constexpr unsigned kSetCanId = 24;
constexpr unsigned kSetZmm = 25;
constexpr unsigned kGetConfig = 26;

constexpr int kCommandTimeoutMs = 500;

}  // namespace korvane::kromel::frames
