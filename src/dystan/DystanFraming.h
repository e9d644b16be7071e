#pragma once

// The distance sensor's binary scan frames on its serial stream, cut out of a buffer of received
// bytes wherever the reads happened to fall:
//
//   A5 5A | L (16-bit LE, bytes after this field, >= 4) | type | sequence | n | flags |
//   n distances (signed 16-bit LE) | trailing bytes up to L + 4 in all
//
// A frame of type 1 with flag bit 0 set and room for its n values is a scan; every other frame
// is skipped whole. The functions here are plain functions of the buffer, so tests and
// benchmarks drive them with any cut of any stream.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace korvane::dystan::framing {

// The buffer keeps at most this many bytes: past it, only the newest kKeptAfterOverflow stay.
constexpr size_t kMaxBuffered = 8192;
constexpr size_t kKeptAfterOverflow = 4096;
constexpr size_t kHeaderSize = 8;
constexpr int kMaxDistances = 64;

struct Scan {
  uint8_t sequence = 0;
  uint8_t count = 0;                               // min(n, 64)
  std::array<int16_t, kMaxDistances> distances{};  // -1 past count
};

enum class FrameStatus {
  NeedMore,     // not enough bytes yet for a header or for the whole frame
  DroppedByte,  // no frame can start at the front: its first byte was erased
  Skipped,      // a whole frame that is not a scan
  Taken,        // a scan, written to the output
};

// Looks at the frame at the front of the buffer (which the caller has already aligned to a sync
// pair). For Skipped and Taken, frameLength is the frame's size in bytes; the caller erases it.
// For DroppedByte the first byte has already been erased. A frame longer than the buffer bound
// could never complete, so its header is treated as a false sync pair.
FrameStatus tryParseFrame(std::vector<uint8_t>& buffer, size_t* frameLength, Scan* scan);

// Appends received bytes and applies the buffer bound.
void append(std::vector<uint8_t>& buffer, const uint8_t* bytes, size_t count);

// Cuts every complete frame from the front of the buffer, discarding bytes that cannot start
// one (a false sync pair costs one byte, and the search goes on at once), and hands each scan to
// sink in stream order. An incomplete frame stays for the next append. The number of scans
// handed over.
template <class Sink>
size_t consume(std::vector<uint8_t>& buffer, Sink&& sink);

// The first position at or after from where A5 5A starts, or npos.
size_t findSync(const std::vector<uint8_t>& buffer, size_t from);

}  // namespace korvane::dystan::framing

template <class Sink>
size_t korvane::dystan::framing::consume(std::vector<uint8_t>& buffer, Sink&& sink) {
  size_t taken = 0;
  Scan scan;
  while (buffer.size() >= kHeaderSize) {
    size_t sync = findSync(buffer, 0);
    if (sync == static_cast<size_t>(-1)) {
      // The last byte may be the first half of a sync pair.
      buffer.erase(buffer.begin(), buffer.end() - 1);
      break;
    }
    buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(sync));
    if (buffer.size() < kHeaderSize) break;
    size_t length = 0;
    FrameStatus status = tryParseFrame(buffer, &length, &scan);
    if (status == FrameStatus::NeedMore) break;
    if (status == FrameStatus::DroppedByte) continue;  // resynchronise on the bytes behind it
    if (status == FrameStatus::Taken) {
      sink(scan);
      ++taken;
    }
    buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(length));
  }
  return taken;
}
