// Scan packets cut out of the byte stream: decoding into points, resynchronisation on AA 55,
// incomplete packets, and whole streams with garbage fed in reads of every size from 1 to 64.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "PacketBytes.h"
#include "lidarmini/ScanPacket.h"

using korvane::lidarmini::ExtractScanPacket;
using korvane::lidarmini::ScanPacket;
using namespace korvane::test::lidarmini;

namespace {

std::vector<uint8_t> bufferOf(const std::string& bytes) {
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

void expectPoint(const korvane::LidarMini::DataPoint& p, float angle, float distance,
                 float intensity) {
  EXPECT_FLOAT_EQ(p.angle, angle);
  EXPECT_FLOAT_EQ(p.distance, distance);
  EXPECT_FLOAT_EQ(p.intensity, intensity);
}

TEST(ScanPacketTest, ThreeSamplesSpreadFromStartToEndAngleWithTheFlaggedOneInvalid) {
  auto buffer = bufferOf(bytesOf({0xAA, 0x55, 0x00, 0x03, 0x01, 0x0A, 0x01, 0x14, 0x00, 0x00,
                                  0x64, 0xE8, 0x0F, 0x10, 0xC8, 0x00, 0x20, 0xEA, 0x0F, 0x77}));
  ScanPacket packet;
  ASSERT_TRUE(ExtractScanPacket(buffer, packet));
  EXPECT_FALSE(packet.start);
  ASSERT_EQ(packet.points.size(), 3u);
  expectPoint(packet.points[0], 20.0078125f, 1.018f, 100.0f);
  expectPoint(packet.points[1], 30.0078125f, 0.05f, 16.0f);
  expectPoint(packet.points[2], 40.0078125f, -1.0f, 32.0f);
  EXPECT_EQ(buffer, std::vector<uint8_t>{0x77}) << "only the packet's 19 bytes are consumed";
  EXPECT_FALSE(ExtractScanPacket(buffer, packet));
}

TEST(ScanPacketTest, AStartPacketIsThirteenBytesWithOnePointWhateverItsCount) {
  std::string start =
      bytesOf({0xAA, 0x55, 0x01, 0x05, 0x01, 0x0A, 0x01, 0x14, 0x00, 0x00, 0x64, 0xE8, 0x0F});
  std::string next = packet(false, 1.0, 2.0, samples(2, 500));
  auto buffer = bufferOf(start + next);
  ScanPacket packet;
  ASSERT_TRUE(ExtractScanPacket(buffer, packet));
  EXPECT_TRUE(packet.start);
  ASSERT_EQ(packet.points.size(), 1u);
  expectPoint(packet.points[0], 20.0078125f, 1.018f, 100.0f);
  ASSERT_TRUE(ExtractScanPacket(buffer, packet)) << "the next packet follows the 13 bytes";
  EXPECT_FALSE(packet.start);
  EXPECT_EQ(packet.points.size(), 2u);
  EXPECT_TRUE(buffer.empty());
}

TEST(ScanPacketTest, AnglesWrapPastZeroAndDistancesKeepTheirLimits) {
  std::string bytes = "\xAA\x55";
  bytes += bytesOf({0x00, 0x05});
  put16(bytes, 350 * 128 + 1);
  put16(bytes, 10 * 128 + 1);
  put16(bytes, 0);
  bytes += sampleBytes({1, 49});
  bytes += sampleBytes({2, 50});
  bytes += sampleBytes({3, 12000});
  bytes += sampleBytes({4, 12001});
  bytes += bytesOf({5, (1000 & 0x3F) << 2 | 0x01, 1000 >> 6});  // bit 0 alone: still valid
  auto buffer = bufferOf(bytes);
  ScanPacket packet;
  ASSERT_TRUE(ExtractScanPacket(buffer, packet));
  ASSERT_EQ(packet.points.size(), 5u);
  expectPoint(packet.points[0], 350.0078125f, -1.0f, 1.0f);
  expectPoint(packet.points[1], 355.0078125f, 0.05f, 2.0f);
  expectPoint(packet.points[2], 0.0078125f, 12.0f, 3.0f);
  expectPoint(packet.points[3], 5.0078125f, -1.0f, 4.0f);
  expectPoint(packet.points[4], 10.0078125f, 1.0f, 5.0f);
}

TEST(ScanPacketTest, BytesBeforeTheSyncAreDroppedAndShortOrIncompleteBuffersWait) {
  ScanPacket packet;
  auto buffer = bufferOf(bytesOf({0x00, 0x11}) + korvane::test::lidarmini::packet(false, 0, 0, {}));
  ASSERT_TRUE(ExtractScanPacket(buffer, packet)) << "a packet of no samples is 10 bytes";
  EXPECT_TRUE(packet.points.empty());
  EXPECT_TRUE(buffer.empty());

  buffer = bufferOf(std::string(12, '\x13'));
  EXPECT_FALSE(ExtractScanPacket(buffer, packet));
  EXPECT_TRUE(buffer.empty()) << "twelve bytes without AA 55 are all dropped";

  buffer = bufferOf(std::string(9, '\x13'));
  EXPECT_FALSE(ExtractScanPacket(buffer, packet));
  EXPECT_EQ(buffer.size(), 9u) << "fewer than ten bytes are left alone";

  std::string whole = korvane::test::lidarmini::packet(false, 0, 90, samples(4, 300));
  buffer = bufferOf("\x01\x02" + whole.substr(0, whole.size() - 1));
  EXPECT_FALSE(ExtractScanPacket(buffer, packet));
  EXPECT_EQ(buffer, bufferOf(whole.substr(0, whole.size() - 1))) << "the partial packet waits";
  buffer.push_back(static_cast<uint8_t>(whole.back()));
  ASSERT_TRUE(ExtractScanPacket(buffer, packet));
  EXPECT_EQ(packet.points.size(), 4u);
}

TEST(ScanPacketTest, ALastByteAaIsKeptAsTheFirstHalfOfAHeader) {
  auto buffer = bufferOf(std::string(11, '\x13') + "\xAA");
  ScanPacket packet;
  EXPECT_FALSE(ExtractScanPacket(buffer, packet));
  EXPECT_EQ(buffer, std::vector<uint8_t>{0xAA});
  std::string rest = korvane::test::lidarmini::packet(false, 0, 90, samples(3, 700)).substr(1);
  buffer.insert(buffer.end(), rest.begin(), rest.end());
  ASSERT_TRUE(ExtractScanPacket(buffer, packet));
  EXPECT_EQ(packet.points.size(), 3u);
}

TEST(ScanPacketTest, FalseSyncBytesAreSkipped) {
  // AA not followed by 55, and AA AA 55: the search moves on to the real header.
  std::string bytes = bytesOf({0xAA, 0x56, 0xAA, 0x00, 0x55, 0xAA}) +
                      korvane::test::lidarmini::packet(false, 0, 10, samples(2, 900));
  auto buffer = bufferOf(bytes);
  ScanPacket packet;
  ASSERT_TRUE(ExtractScanPacket(buffer, packet));
  ASSERT_EQ(packet.points.size(), 2u);
  EXPECT_FLOAT_EQ(packet.points[1].distance, 0.901f);
}

// A stream of revolutions with garbage between packets (never AA 55, sometimes a lone AA),
// and the points every packet must give.
struct Stream {
  std::string bytes;
  std::vector<ScanPacket> expected;
};

Stream makeStream() {
  std::mt19937 random(7);
  Stream stream;
  auto garbage = [&] {
    int n = static_cast<int>(random() % 8);
    for (int i = 0; i < n; ++i) {
      uint8_t b = static_cast<uint8_t>(random());
      if (b == 0x55) b = 0x54;
      stream.bytes.push_back(static_cast<char>(b));
    }
    if (random() % 3 == 0) stream.bytes.push_back('\xAA');
  };
  for (int revolution = 0; revolution < 6; ++revolution) {
    garbage();
    uint16_t mm = static_cast<uint16_t>(1000 + revolution);
    stream.bytes += startPacket(mm);
    stream.expected.push_back({true, {{0.0078125f, mm / 1000.0f, 200.0f}}});
    for (int p = 0; p < 5; ++p) {
      garbage();
      int n = 1 + static_cast<int>(random() % 40);
      auto s = samples(n, static_cast<uint16_t>(100 * (p + 1) + revolution));
      double first = 10.0 + 70.0 * p;
      stream.bytes += packet(false, first, first + n - 1, s);
      ScanPacket expected;
      float a0 = static_cast<float>(rawAngle(first)) / 128.0f;
      for (int k = 0; k < n; ++k) {
        expected.points.push_back({a0 + static_cast<float>(k), s[k].distanceMm / 1000.0f,
                                   static_cast<float>(s[k].intensity)});
      }
      stream.expected.push_back(expected);
    }
  }
  return stream;
}

TEST(ScanPacketTest, AStreamGivesTheSamePacketsWhateverSizeItsReadsHave) {
  Stream stream = makeStream();
  stream.bytes += packet(false, 0, 90, samples(9, 400)).substr(0, 20);  // cut off by the end
  for (size_t readSize = 1; readSize <= 64; ++readSize) {
    std::vector<uint8_t> buffer;
    std::vector<ScanPacket> got;
    ScanPacket packet;
    for (size_t at = 0; at < stream.bytes.size(); at += readSize) {
      std::string read = stream.bytes.substr(at, readSize);
      buffer.insert(buffer.end(), read.begin(), read.end());
      while (ExtractScanPacket(buffer, packet)) got.push_back(packet);
      ASSERT_LT(buffer.size(), 200u) << "the buffer holds at most one packet";
    }
    ASSERT_EQ(got.size(), stream.expected.size()) << "read size " << readSize;
    for (size_t i = 0; i < got.size(); ++i) {
      ASSERT_EQ(got[i].start, stream.expected[i].start) << "packet " << i;
      ASSERT_EQ(got[i].points.size(), stream.expected[i].points.size()) << "packet " << i;
      for (size_t k = 0; k < got[i].points.size(); ++k) {
        const auto& g = got[i].points[k];
        const auto& e = stream.expected[i].points[k];
        ASSERT_NEAR(g.angle, e.angle, 1e-3) << "read size " << readSize << " packet " << i;
        ASSERT_FLOAT_EQ(g.distance, e.distance);
        ASSERT_FLOAT_EQ(g.intensity, e.intensity);
      }
    }
    EXPECT_EQ(buffer.size(), 20u) << "the incomplete last packet waits, read size " << readSize;
  }
}

}  // namespace
