// The binary scan frames of the USB distance sensor, cut out of byte streams wherever the reads
// fall: the frame rules, resynchronisation, and the bound on buffered bytes.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "dystan/DystanFraming.h"

namespace {

using korvane::dystan::framing::Scan;
using Bytes = std::vector<uint8_t>;

struct Decoded {
  int sequence;
  std::vector<int> distances;
  bool operator==(const Decoded& other) const {
    return sequence == other.sequence && distances == other.distances;
  }
};

std::ostream& operator<<(std::ostream& out, const Decoded& d) {
  out << "#" << d.sequence << " [";
  for (int v : d.distances) out << v << " ";
  return out << "]";
}

// A frame with every field chosen; length < 0 means the length the values need plus trailing.
Bytes frame(uint8_t type, uint8_t sequence, uint8_t n, uint8_t flags,
            const std::vector<int16_t>& values, size_t trailing = 0, int length = -1) {
  uint16_t l = length >= 0 ? static_cast<uint16_t>(length)
                           : static_cast<uint16_t>(4 + 2 * values.size() + trailing);
  Bytes bytes = {0xA5, 0x5A, static_cast<uint8_t>(l), static_cast<uint8_t>(l >> 8), type, sequence,
                 n,    flags};
  for (int16_t v : values) {
    bytes.push_back(static_cast<uint8_t>(v));
    bytes.push_back(static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8));
  }
  for (size_t i = 0; i < trailing; ++i) bytes.push_back(static_cast<uint8_t>(0xA5 + i));
  return bytes;
}

Bytes scanFrame(uint8_t sequence, const std::vector<int16_t>& values) {
  return frame(1, sequence, static_cast<uint8_t>(values.size()), 1, values);
}

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Decoded decoded(const Scan& scan) {
  Decoded d{scan.sequence, {}};
  for (int k = 0; k < scan.count; ++k) d.distances.push_back(scan.distances[k]);
  for (int k = scan.count; k < korvane::dystan::framing::kMaxDistances; ++k) {
    EXPECT_EQ(scan.distances[k], -1) << "position " << k << " past the count";
  }
  return d;
}

// Feeds the stream in reads of `size` bytes, as the reader would, and returns the scans in order.
std::vector<Decoded> feed(const Bytes& stream, size_t size, Bytes* left = nullptr) {
  Bytes buffer;
  std::vector<Decoded> scans;
  for (size_t at = 0; at < stream.size(); at += size) {
    size_t n = std::min(size, stream.size() - at);
    korvane::dystan::framing::append(buffer, stream.data() + at, n);
    korvane::dystan::framing::consume(buffer, [&](const Scan& s) { scans.push_back(decoded(s)); });
  }
  if (left != nullptr) *left = buffer;
  return scans;
}

TEST(DystanFramingTest, TheSensorsExampleFrameIsOneScanOfThreeDistances) {
  Bytes bytes = {0xA5, 0x5A, 0x0A, 0x00, 0x01, 0x07, 0x03,
                 0x01, 0x64, 0x00, 0xC8, 0x00, 0x2C, 0x01};
  Bytes left;
  EXPECT_EQ(feed(bytes, bytes.size(), &left), (std::vector<Decoded>{{7, {100, 200, 300}}}));
  EXPECT_TRUE(left.empty()) << "the whole frame was consumed";
}

TEST(DystanFramingTest, FramesThatAreNotValidScansAreSkippedWhole) {
  std::vector<int16_t> three = {100, 200, 300};
  Bytes stream = frame(1, 1, 4, 1, three)    // four values announced, room for three
                 + frame(2, 2, 3, 1, three)  // another type
                 + frame(1, 3, 3, 0, three)  // flag bit 0 clear
                 + frame(1, 4, 3, 0xFE, three) + frame(1, 5, 3, 0x81, three)  // other bits ignored
                 + frame(1, 6, 2, 1, three, 5)  // trailing bytes (sync-like ones) not interpreted
                 + frame(1, 7, 0, 1, {})        // an empty scan is a scan
                 + scanFrame(8, {-1, -32768, 32767});
  std::vector<Decoded> expected = {
      {5, {100, 200, 300}}, {6, {100, 200}}, {7, {}}, {8, {-1, -32768, 32767}}};
  EXPECT_EQ(feed(stream, stream.size()), expected);
}

TEST(DystanFramingTest, MoreThanSixtyFourValuesGiveSixtyFour) {
  std::vector<int16_t> values;
  for (int k = 0; k < 70; ++k) values.push_back(static_cast<int16_t>(k * 7 - 100));
  auto scans = feed(scanFrame(9, values), 4096);
  ASSERT_EQ(scans.size(), 1u);
  EXPECT_EQ(scans[0].distances.size(), 64u);
  EXPECT_EQ(scans[0].distances[63], 63 * 7 - 100);
}

TEST(DystanFramingTest, GarbageAndFalseSyncPairsCostOnlyTheirOwnBytes) {
  Bytes garbage = {0x00, 0xA5, 0xA5, 0x13, 0x5A, 0xFF};
  Bytes shortHeader = frame(1, 1, 0, 1, {}, 0, 2);  // L = 2: A5 5A 02 00 ...
  Bytes stream = garbage + shortHeader + scanFrame(2, {10}) + Bytes{0xA5};
  Bytes left;
  EXPECT_EQ(feed(stream, stream.size(), &left), (std::vector<Decoded>{{2, {10}}}));
  EXPECT_EQ(left, Bytes{0xA5}) << "a last byte that may begin a sync pair is kept";
  EXPECT_EQ(
      feed(Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 0xA5} + Bytes{0x5A, 6, 0, 1, 3, 1, 1, 0x2A, 0}, 10),
      (std::vector<Decoded>{{3, {42}}}))
      << "a sync pair split across reads";
}

// A false sync pair followed by a huge length must not hold back the frames behind it until the
// buffer bound throws them away.
TEST(DystanFramingTest, AHeaderLongerThanTheBufferBoundIsRejectedAtOnce) {
  Bytes stream = Bytes{0xA5, 0x5A, 0xFF, 0xFF, 0x01, 0x00, 0x00, 0x01} + scanFrame(4, {1, 2}) +
                 Bytes{0xA5, 0x5A, 0x01, 0x20, 0x01, 0x00, 0x00, 0x01} + scanFrame(5, {3});
  EXPECT_EQ(feed(stream, stream.size()), (std::vector<Decoded>{{4, {1, 2}}, {5, {3}}}));
  std::vector<int16_t> many(4000, 9);  // 8008 bytes: within the bound
  auto scans = feed(frame(1, 6, 1, 1, many) + scanFrame(7, {5}), 256);
  ASSERT_EQ(scans.size(), 2u);
  EXPECT_EQ(scans[1], (Decoded{7, {5}}));
}

TEST(DystanFramingTest, PastTheBufferBoundOnlyTheNewestBytesStay) {
  Bytes buffer(8000, 0x11);
  Bytes more(192, 0x22);
  korvane::dystan::framing::append(buffer, more.data(), more.size());
  EXPECT_EQ(buffer.size(), 8192u) << "exactly at the bound nothing is dropped";
  uint8_t one = 0x33;
  korvane::dystan::framing::append(buffer, &one, 1);
  ASSERT_EQ(buffer.size(), 4096u);
  EXPECT_EQ(buffer.back(), 0x33);
  EXPECT_EQ(buffer[4096 - 194], 0x11);
  EXPECT_EQ(buffer[4096 - 193], 0x22);
}

TEST(DystanFramingTest, IncompleteFramesWaitForTheirLastByte) {
  Bytes whole = scanFrame(12, {7, 8, 9});
  Bytes buffer;
  int scans = 0;
  for (size_t i = 0; i < whole.size(); ++i) {
    korvane::dystan::framing::append(buffer, &whole[i], 1);
    scans += static_cast<int>(korvane::dystan::framing::consume(buffer, [](const Scan&) {}));
    EXPECT_EQ(scans, i + 1 == whole.size() ? 1 : 0) << "after byte " << i;
  }
}

// One stream with every case in it, cut at every read size from 1 to 64: the same scans come
// out, in order, whatever the cut.
TEST(DystanFramingTest, EveryReadSizeGivesTheSameScans) {
  std::vector<int16_t> full;
  for (int k = 0; k < 64; ++k) full.push_back(static_cast<int16_t>(k % 2 ? -k * 3 : k * 1000));
  Bytes stream = Bytes{0x13, 0xA5, 0x00, 0x5A} + scanFrame(1, {100, 200, 300}) +
                 frame(2, 2, 1, 1, {5}) + Bytes{0xA5, 0x5A, 0x02, 0x00, 0, 0, 0, 0} +
                 scanFrame(3, full) + frame(1, 4, 2, 1, {-7, 8}, 11) +
                 Bytes{0xA5, 0x5A, 0xF0, 0xFF, 1, 1, 1, 1} + frame(1, 5, 5, 1, {1, 2}) +
                 scanFrame(6, {}) +
                 Bytes{0xA5, 0xA5, 0x5A, 0x06, 0x00, 0x01, 0x07, 0x01, 0x01, 0x0A, 0x00} +
                 Bytes{0xFF, 0xFE} + scanFrame(255, {-1});
  std::vector<int> fullValues(full.begin(), full.end());
  std::vector<Decoded> expected = {
      {1, {100, 200, 300}}, {3, fullValues}, {4, {-7, 8}}, {6, {}}, {7, {10}}, {255, {-1}}};
  for (size_t size = 1; size <= 64; ++size) {
    EXPECT_EQ(feed(stream, size), expected) << "reads of " << size << " bytes";
  }
}

}  // namespace
