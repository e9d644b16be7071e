// Scan packets: the decoding of every sample into an angle and a distance, and the framing that
// finds whole packets in a stream however the reads cut it.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "LidarPacketBytes.h"
#include "lidar/LidarPackets.h"

using korvane::test::bytesOf;
using korvane::test::lidarPacket;
using Point = LidarJNI::DataPoint;

namespace {

std::vector<Point> decode(const std::string& packet) {
  std::vector<Point> points;
  korvane::lidar::decodePacket(reinterpret_cast<const uint8_t*>(packet.data()), packet.size(), {},
                               points);
  return points;
}

// The correction the device's geometry gives a distance, in degrees.
double correction(double d) {
  return std::atan(21.8 * (155.3 - d) / (155.3 * d)) * 180.0 / std::numbers::pi;
}

// Feeds the stream in reads of the given sizes (cycled) through a buffer kept across reads, as
// the worker does, and returns every point decoded.
std::vector<Point> replay(const std::string& stream, const std::vector<size_t>& readSizes) {
  std::vector<uint8_t> buffer;
  std::vector<Point> points;
  size_t offset = 0;
  for (size_t i = 0; offset < stream.size(); ++i) {
    size_t size = std::min(readSizes[i % readSizes.size()], stream.size() - offset);
    buffer.insert(buffer.end(), stream.begin() + offset, stream.begin() + offset + size);
    offset += size;
    size_t position = 0;
    while (true) {
      korvane::lidar::Cut cut =
          korvane::lidar::findPacket(buffer.data() + position, buffer.size() - position);
      position += cut.start;
      if (cut.length == 0) break;
      korvane::lidar::decodePacket(buffer.data() + position, cut.length, {}, points);
      position += cut.length;
    }
    buffer.erase(buffer.begin(), buffer.begin() + position);
  }
  return points;
}

void expectSamePoints(const std::vector<Point>& actual, const std::vector<Point>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < actual.size(); ++i) {
    EXPECT_EQ(actual[i].angle, expected[i].angle) << "point " << i;
    EXPECT_EQ(actual[i].distance, expected[i].distance) << "point " << i;
  }
}

TEST(LidarDecoding, TheFourteenByteExampleGivesSlots353And14) {
  auto points = decode(bytesOf(
      {0xAA, 0x55, 0x00, 0x02, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0xA0, 0x0F, 0x90, 0x01}));
  ASSERT_EQ(points.size(), 2u);
  EXPECT_EQ(korvane::lidar::slotOf(points[0].angle), 353);
  EXPECT_NEAR(points[0].angle, 353.238, 0.001);
  EXPECT_NEAR(points[0].angle, 360.0 + correction(1000.0), 1e-3);
  EXPECT_EQ(points[0].distance, 1000.0f);
  EXPECT_EQ(korvane::lidar::slotOf(points[1].angle), 14);
  EXPECT_NEAR(points[1].angle, 14.439, 0.001);
  EXPECT_EQ(points[1].distance, -1.0f);  // 100 mm is below the shortest valid distance
}

TEST(LidarDecoding, ScanStartAndSignedCountsPutEverySampleAtTheStartAngle) {
  // Scan start (type bit 0), three samples, start 90 degrees, end 100.
  auto start = decode(lidarPacket(0x01, 90 * 128, 100 * 128, {4000, 2000, 800}));
  ASSERT_EQ(start.size(), 3u);
  EXPECT_NEAR(start[0].angle, 90.0 + correction(1000.0), 1e-3);
  EXPECT_NEAR(start[1].angle, 90.0 + correction(500.0), 1e-3);
  EXPECT_NEAR(start[2].angle, 90.0 + correction(200.0), 1e-3);

  // A count byte of 128 is negative as a signed byte: every sample sits at the start angle too.
  std::initializer_list<uint16_t> none = {};
  std::string negative = lidarPacket(0x00, 90 * 128, 100 * 128, none, 128);
  negative.append(256, '\0');
  for (int i = 0; i < 3; ++i)
    negative[10 + 2 * i] = static_cast<char>(0xA0), negative[11 + 2 * i] = 0x0F;
  auto counted = decode(negative);
  ASSERT_EQ(counted.size(), 128u);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(counted[i].angle, 90.0 + correction(1000.0), 1e-3);
  EXPECT_EQ(counted[5].distance, -1.0f);
  EXPECT_NEAR(counted[5].angle, 90.0, 1e-4);  // raw 0: no correction

  // A count of 2 spreads the two samples one whole span apart.
  auto two = decode(lidarPacket(0x00, 90 * 128, 100 * 128, {4000, 4000}));
  ASSERT_EQ(two.size(), 2u);
  EXPECT_NEAR(two[1].angle - two[0].angle, 10.0, 1e-3);
}

TEST(LidarDecoding, SpansAcross360AndAnglesStayInRange) {
  // 350 to 10 degrees: a span of 20; the middle of three samples lies at 0 (360).
  auto across = decode(lidarPacket(0x00, 350 * 128, 10 * 128, {4000, 4000, 4000}));
  ASSERT_EQ(across.size(), 3u);
  EXPECT_NEAR(across[0].angle, 350.0 + correction(1000.0), 1e-3);
  EXPECT_NEAR(across[1].angle, 360.0 + correction(1000.0), 1e-3);
  EXPECT_NEAR(across[2].angle, 10.0 + correction(1000.0), 1e-3);

  // Exactly 360 (start raw 360 x 128, raw sample 0, no correction) is slot 0 at angle 0.
  auto full = decode(lidarPacket(0x01, 360 * 128, 360 * 128, {0}));
  ASSERT_EQ(full.size(), 1u);
  EXPECT_EQ(full[0].angle, 0.0f);
  EXPECT_EQ(full[0].distance, -1.0f);

  // Start 359.5, end 359.0 (span 359.5), 1 mm: the second sample lands at 359.5 + 359.5 + 87.4,
  // more than 720. One correction step would leave it at 446 and file it past the table.
  auto wide = decode(bytesOf(
      {0xAA, 0x55, 0x00, 0x02, 0xC0, 0xB3, 0x80, 0xB3, 0x00, 0x00, 0x04, 0x00, 0x04, 0x00}));
  ASSERT_EQ(wide.size(), 2u);
  for (const Point& p : wide) {
    EXPECT_GE(p.angle, 0.0f);
    EXPECT_LT(p.angle, 360.0f);
  }
  EXPECT_NEAR(wide[1].angle, 359.5 + 359.5 + correction(1.0) - 720.0, 1e-2);

  // Start 1.765625 degrees and 199 mm (a correction of -1.765625...) give -2.4e-7, which plus 360
  // rounds to exactly 360 in single precision: it is slot 0 at angle 0, not slot 360.
  auto tiny = decode(lidarPacket(0x01, 226, 226, {796}));
  ASSERT_EQ(tiny.size(), 1u);
  EXPECT_EQ(tiny[0].angle, 0.0f);
  EXPECT_EQ(tiny[0].distance, 199.0f);
}

TEST(LidarDecoding, DistancesOutsideTheLimitsAreInvalid) {
  auto points = decode(lidarPacket(0x01, 0, 0, {0, 479, 480, 32000, 32004}));
  ASSERT_EQ(points.size(), 5u);
  EXPECT_EQ(points[0].distance, -1.0f);
  EXPECT_NEAR(points[0].angle, 0.0f, 1e-6);  // raw 0: no correction
  EXPECT_EQ(points[1].distance, -1.0f);      // 119.75 mm
  EXPECT_EQ(points[2].distance, 120.0f);
  EXPECT_EQ(points[3].distance, 8000.0f);
  EXPECT_EQ(points[4].distance, -1.0f);  // 8001 mm
}

TEST(LidarFraming, FindsWholePacketsAndWaitsForTheRest) {
  std::string packet = lidarPacket(0x00, 0, 1280, {4000, 400});
  const auto* data = reinterpret_cast<const uint8_t*>(packet.data());
  korvane::lidar::Cut whole = korvane::lidar::findPacket(data, packet.size());
  EXPECT_EQ(whole.start, 0u);
  EXPECT_EQ(whole.length, 14u);
  for (size_t cut = 0; cut < packet.size(); ++cut) {
    korvane::lidar::Cut part = korvane::lidar::findPacket(data, cut);
    EXPECT_EQ(part.length, 0u) << "after " << cut << " bytes";
    EXPECT_EQ(part.start, 0u) << "after " << cut << " bytes";
  }
  std::string noise = bytesOf({0x00, 0x55, 0xAA, 0x13, 0xAA});
  korvane::lidar::Cut skipped =
      korvane::lidar::findPacket(reinterpret_cast<const uint8_t*>(noise.data()), noise.size());
  EXPECT_EQ(skipped.start, 4u);  // the last 0xAA may begin a header
  EXPECT_EQ(skipped.length, 0u);
}

TEST(LidarFraming, AnyCutOfAStreamDecodesLikeWholePackets) {
  std::string first = lidarPacket(0x01, 0, 0, {4000});
  std::string second = lidarPacket(0x00, 10 * 128, 20 * 128, {4000, 2000, 1600, 1200});
  std::string third = lidarPacket(0x00, 350 * 128, 10 * 128, {3000, 0, 5000});
  std::vector<Point> expected;
  for (const std::string& p : {first, second, third}) {
    auto points = decode(p);
    expected.insert(expected.end(), points.begin(), points.end());
  }
  // Garbage before a header, and between packets a stray 0xAA and a false 0xAA 0x00.
  std::string stream =
      bytesOf({0x13, 0x55, 0x00}) + first + bytesOf({0xAA, 0x00, 0x7F}) + second + third;

  expectSamePoints(replay(stream, {stream.size()}), expected);  // several packets in one read
  for (size_t split = 1; split < stream.size(); ++split) {
    SCOPED_TRACE("split at " + std::to_string(split));
    expectSamePoints(replay(stream, {split, stream.size()}), expected);
  }
  for (size_t size = 1; size <= stream.size(); ++size) {
    SCOPED_TRACE("reads of " + std::to_string(size));
    expectSamePoints(replay(stream, {size}), expected);
  }
  expectSamePoints(replay(stream, {1, 7, 2, 13, 5}), expected);
}

TEST(LidarFraming, TheLongestPacketIsCutByItsUnsignedCount) {
  std::string packet = lidarPacket(0x00, 0, 128, {}, 255);
  packet.append(2 * 255, '\x10');
  std::string stream = packet + lidarPacket(0x01, 0, 0, {4000});
  auto points = replay(stream, {64});
  ASSERT_EQ(points.size(), 256u);
  EXPECT_EQ(points.back().distance, 1000.0f);
}

}  // namespace
