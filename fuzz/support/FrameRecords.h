#pragma once

// Reads a fuzz input as CAN frames from a device: each record is a selector byte (which
// identifier the frame carries: one of the identifiers the device sends, or, past them, one of
// those with one of its 29 bits flipped), a size byte (0..8 after reduction) and eight data bytes.
// Flipped identifiers are a finite set on purpose: the bus keeps a latest frame per identifier,
// and a table that grew at every input would look like a leak to the fuzzer.

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
    frame.id = ids[selector % ids.size()];
    if (selector >= ids.size()) frame.id ^= 1u << (data[at + 2] % 29);
    frame.size = static_cast<uint8_t>(data[at + 1] % 9);
    frames.push_back(frame);
  }
  return frames;
}
