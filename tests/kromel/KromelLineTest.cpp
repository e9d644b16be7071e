// The USB line grammar: bytes as the reader thread hands them over, the newest reading as getColor
// would report it.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "kromel/KromelLines.h"

namespace {

// A line reader and the newest reading it handed over.
struct Lines {
  korvane::kromel::LineReader reader;
  korvane::Kromel::ColorData newest;

  const korvane::Kromel::ColorData& feed(const std::string& bytes) {
    reader.feed(reinterpret_cast<const unsigned char*>(bytes.data()),
                static_cast<int>(bytes.size()),
                [this](const korvane::Kromel::ColorData& reading) { newest = reading; });
    return newest;
  }
};

class KromelLineTest : public ::testing::Test {
 protected:
  korvane::Kromel::ColorData feed(const std::string& bytes) { return lines_.feed(bytes); }
  const korvane::Kromel::ColorData& newest() const { return lines_.newest; }
  uint16_t sequence() const { return newest().sequence; }

  Lines lines_;
};

TEST_F(KromelLineTest, ReadingsAreCountedFromOneAndTheCountWrapsAt65536) {
  EXPECT_FALSE(newest().valid) << "no reading before the first line";
  korvane::Kromel::ColorData first = feed("XYZ: 0.5, 0.25, 1\r\n");
  EXPECT_TRUE(first.valid);
  EXPECT_EQ(first.sequence, 1);
  EXPECT_FLOAT_EQ(first.x, 0.5f);
  EXPECT_FLOAT_EQ(first.y, 0.25f);
  EXPECT_FLOAT_EQ(first.z, 1.0f);
  EXPECT_EQ(feed("XYZ: 0.1, 0.2, 0.3\r\n").sequence, 2);

  std::string many;
  for (int i = 3; i <= 65535; ++i) many += "XYZ: 1,1,1\n";
  EXPECT_EQ(feed(many).sequence, 65535);
  korvane::Kromel::ColorData wrapped = feed("XYZ: 2, 3, 4\n");
  EXPECT_EQ(wrapped.sequence, 0) << "the 65536th reading";
  EXPECT_TRUE(wrapped.valid);
  EXPECT_FLOAT_EQ(wrapped.z, 4.0f);
  EXPECT_EQ(feed("XYZ: 2, 3, 4\n").sequence, 1);
}

TEST_F(KromelLineTest, DistancePrefixIsDroppedUpToTheFirstTwoSpaces) {
  korvane::Kromel::ColorData r = feed("DIST: 120mm  XYZ: 1,2,3\r\n");
  EXPECT_EQ(r.sequence, 1);
  EXPECT_FLOAT_EQ(r.x, 1.0f);
  EXPECT_FLOAT_EQ(r.y, 2.0f);
  EXPECT_FLOAT_EQ(r.z, 3.0f);
  feed("DIST: 120mm XYZ: 4,5,6\r\n");  // one space only
  feed("DIST: 120mm\r\n");             // nothing after it
  feed("DIST: a  b  XYZ: 4,5,6\r\n");  // after the first gap comes "b", not a reading
  EXPECT_EQ(feed("DIST: 9mm     XYZ: 7,8,9\r\n").sequence, 2) << "a wider gap is trimmed";
  EXPECT_FLOAT_EQ(newest().x, 7.0f);
  feed("XYZ: 0,0,0 DIST: 1mm  XYZ: 5,5,5\n");
  EXPECT_FLOAT_EQ(newest().x, 0.0f) << "the prefix counts only at the start";
}

TEST_F(KromelLineTest, FieldListsShorterThanThreeAreIgnoredLongerOnesUseTheFirstThree) {
  feed("XYZ: 1,2\n");
  feed("XYZ:\n");
  feed("XYZ: 1 2 3\n");
  EXPECT_FALSE(newest().valid);
  korvane::Kromel::ColorData r = feed("XYZ: 1,2,3,4\n");
  EXPECT_EQ(r.sequence, 1);
  EXPECT_FLOAT_EQ(r.z, 3.0f);
  r = feed("XYZ:-1.5,2e-1,+3\n");
  EXPECT_FLOAT_EQ(r.x, -1.5f);
  EXPECT_FLOAT_EQ(r.y, 0.2f);
  EXPECT_FLOAT_EQ(r.z, 3.0f);
}

TEST_F(KromelLineTest, NonNumbersReadAsZeroAndTrailingTextAfterANumberIsIgnored) {
  korvane::Kromel::ColorData r = feed("XYZ: 5,5,5\n");
  r = feed("XYZ: a,b,c\n");
  EXPECT_EQ(r.sequence, 2) << "a line of non-numbers still counts";
  EXPECT_EQ(r.x, 0.0f);
  EXPECT_EQ(r.y, 0.0f);
  EXPECT_EQ(r.z, 0.0f);
  r = feed("XYZ: 0.75lux, 12abc, ,\n");
  EXPECT_FLOAT_EQ(r.x, 0.75f);
  EXPECT_FLOAT_EQ(r.y, 12.0f);
  EXPECT_EQ(r.z, 0.0f);
  r = feed("XYZ: 0x10, inf, 1e3\n");  // what strtof accepts in the C locale
  EXPECT_FLOAT_EQ(r.x, 16.0f);
  EXPECT_TRUE(std::isinf(r.y));
  EXPECT_FLOAT_EQ(r.z, 1000.0f);
}

TEST_F(KromelLineTest, LinesAreTrimmedAndCarriageReturnsIgnoredWherever) {
  korvane::Kromel::ColorData r = feed("  \tXYZ:  0.5 ,\t0.25 , 1  \t\r\n");
  EXPECT_EQ(r.sequence, 1);
  EXPECT_FLOAT_EQ(r.y, 0.25f);
  r = feed("XY\rZ: 7,\r8,9\r\r\n");
  EXPECT_EQ(r.sequence, 2);
  EXPECT_FLOAT_EQ(r.y, 8.0f);
  feed("\r\n\n   \n\t\r\n");
  EXPECT_EQ(sequence(), 2) << "blank lines are ignored";
  feed("XYZ: 1,");
  EXPECT_EQ(sequence(), 2) << "a line counts only once its line feed arrives";
  r = feed("2,3\n");
  EXPECT_EQ(r.sequence, 3);
  EXPECT_FLOAT_EQ(r.x, 1.0f);
  EXPECT_FLOAT_EQ(r.z, 3.0f);
}

TEST_F(KromelLineTest, MatchingIsCaseSensitiveAndOtherFormatsAreIgnored) {
  for (const char* line : {"xyz: 1,2,3\n", "Xyz: 1,2,3\n", "RGB: 1,2,3\n", "HEX: #102030\n",
                           "dist: 1mm  XYZ: 1,2,3\n", "X YZ: 1,2,3\n", "OK\n"}) {
    feed(line);
  }
  EXPECT_FALSE(newest().valid);
}

TEST_F(KromelLineTest, AnOverlongLineIsDroppedAndItsTailFormsALineOfItsOwn) {
  std::string tail = "XYZ: 4,5,6";
  tail.resize(87, ' ');
  std::string line(513, 'a');
  EXPECT_EQ((line + tail).size(), 600u);
  korvane::Kromel::ColorData r = feed(line + tail + "\n");
  EXPECT_EQ(r.sequence, 1);
  EXPECT_FLOAT_EQ(r.x, 4.0f);

  std::string longest = "XYZ: 7,8,9";
  longest.resize(512, ' ');
  EXPECT_EQ(feed(longest + "\n").sequence, 2) << "512 characters still make a line";
  std::string tooLong = "XYZ: 1,1,1";
  tooLong.resize(513, ' ');
  EXPECT_EQ(feed(tooLong + "\n").sequence, 2);
  EXPECT_FLOAT_EQ(newest().x, 7.0f);
}

// A stream as a sensor sends it, cut into reads of every size from 1 to 64 bytes: the readings
// do not depend on where the reads end.
TEST(KromelLineStream, ReadingsDoNotDependOnWhereReadsEnd) {
  const std::string stream =
      "\r\nXYZ: 0.4120, 0.3770, 0.2010\r\nOK\r\nDIST: 88mm  XYZ: 0.1, 0.2, 0.3\r\n"
      "RGB: 105, 96, 51\r\nXYZ: 1,2\r\n  XYZ: -0.5, 0.0, 2.25, 9\r\nXYZ: 0.3";
  for (size_t chunk = 1; chunk <= 64; ++chunk) {
    SCOPED_TRACE("reads of " + std::to_string(chunk) + " bytes");
    Lines lines;
    for (size_t at = 0; at < stream.size(); at += chunk) lines.feed(stream.substr(at, chunk));
    const korvane::Kromel::ColorData& r = lines.newest;
    EXPECT_EQ(r.sequence, 3);
    EXPECT_FLOAT_EQ(r.x, -0.5f);
    EXPECT_FLOAT_EQ(r.z, 2.25f);
  }
}

}  // namespace
