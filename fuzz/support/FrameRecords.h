#pragma once

// Reads a fuzz input as CAN frames from a device: each record is a selector byte (which
// identifier the frame carries: one of the identifiers the device sends, or, past them, one taken
// from the next four bytes), a size byte (0..8 after reduction) and eight data bytes.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

struct FuzzFrame {
  uint32_t id;
  uint8_t size;
  uint8_t data[8];
};

inline std::vector<FuzzFrame> readFrames(const uint8_t* data, size_t size,
                                         const std::vector<uint32_t>& ids, size_t maxFrames) {
  constexpr size_t kRecord = 10;
  std::vector<FuzzFrame> frames;
  for (size_t at = 0; at + kRecord <= size && frames.size() < maxFrames; at += kRecord) {
    FuzzFrame frame;
    const uint8_t selector = data[at];
    std::memcpy(frame.data, data + at + 2, 8);
    if (selector < ids.size()) {
      frame.id = ids[selector];
    } else {
      std::memcpy(&frame.id, frame.data, 4);
      frame.id &= 0x1FFFFFFF;
    }
    frame.size = static_cast<uint8_t>(data[at + 1] % 9);
    frames.push_back(frame);
  }
  return frames;
}
