#include "dystan/DystanFraming.h"

#include <algorithm>
#include <cstring>

#include "common/LittleEndian.h"

namespace korvane::dystan::framing {
namespace {

constexpr uint8_t kSync0 = 0xA5;
constexpr uint8_t kSync1 = 0x5A;
constexpr uint8_t kScanType = 1;
constexpr uint8_t kScanFlag = 0x01;
constexpr size_t kMinLength = 4;  // type, sequence, n and flags

}  // namespace

size_t findSync(const std::vector<uint8_t>& buffer, size_t from) {
  const uint8_t* data = buffer.data();
  size_t size = buffer.size();
  while (from + 1 < size) {
    const void* hit = std::memchr(data + from, kSync0, size - from - 1);
    if (hit == nullptr) break;
    size_t at = static_cast<size_t>(static_cast<const uint8_t*>(hit) - data);
    if (data[at + 1] == kSync1) return at;
    from = at + 1;
  }
  return static_cast<size_t>(-1);
}

FrameStatus tryParseFrame(std::vector<uint8_t>& buffer, size_t* frameLength, Scan* scan) {
  if (buffer.size() < kHeaderSize) return FrameStatus::NeedMore;
  const uint8_t* frame = buffer.data();
  size_t length = korvane::readU16(frame + 2);
  if (frame[0] != kSync0 || frame[1] != kSync1 || length < kMinLength ||
      length + 4 > kMaxBuffered) {
    buffer.erase(buffer.begin());
    return FrameStatus::DroppedByte;
  }
  if (buffer.size() < length + 4) return FrameStatus::NeedMore;
  *frameLength = length + 4;
  uint8_t type = frame[4];
  uint8_t n = frame[6];
  uint8_t flags = frame[7];
  if (type != kScanType || (flags & kScanFlag) == 0 || length - kMinLength < 2u * n) {
    return FrameStatus::Skipped;
  }
  scan->sequence = frame[5];
  scan->count = static_cast<uint8_t>(std::min<int>(n, kMaxDistances));
  for (int k = 0; k < scan->count; ++k) scan->distances[k] = korvane::readI16(frame + 8 + 2 * k);
  std::fill(scan->distances.begin() + scan->count, scan->distances.end(), int16_t{-1});
  return FrameStatus::Taken;
}

void append(std::vector<uint8_t>& buffer, const uint8_t* bytes, size_t count) {
  buffer.insert(buffer.end(), bytes, bytes + count);
  if (buffer.size() > kMaxBuffered) {
    buffer.erase(buffer.begin(), buffer.end() - static_cast<std::ptrdiff_t>(kKeptAfterOverflow));
  }
}

}  // namespace korvane::dystan::framing
