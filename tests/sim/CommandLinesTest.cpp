// The record of command lines a simulated sensor receives.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "sim/pty/CommandLines.h"

namespace korvane::sim {
namespace {

using Lines = std::vector<std::string>;

TEST(CommandLinesTest, SplitsAtLineFeedsAcrossPiecesAndDropsCarriageReturns) {
  CommandLines received;
  EXPECT_EQ(received.add("SAMPLE"), Lines{});
  EXPECT_EQ(received.add("TIME,5\r\nGET"), Lines{"SAMPLETIME,5"});
  EXPECT_EQ(received.add("CONFIG\n\n\rA\rB\r\n"), (Lines{"GETCONFIG", "", "AB"}));
  EXPECT_EQ(received.bytes(), "SAMPLETIME,5\r\nGETCONFIG\n\n\rA\rB\r\n");
  // Lines count once the device has obeyed them.
  EXPECT_EQ(received.lines(), Lines{});
  received.obeyed("SAMPLETIME,5");
  EXPECT_EQ(received.lines(), Lines{"SAMPLETIME,5"});
}

TEST(CommandLinesTest, AWaitEndsWhenEnoughLinesAreObeyedOrTimesOut) {
  CommandLines received;
  EXPECT_FALSE(received.waitFor(1, std::chrono::milliseconds(20)));
  std::thread device([&] {
    for (const std::string& line : received.add("A\nB\n")) received.obeyed(line);
  });
  EXPECT_TRUE(received.waitFor(2, std::chrono::seconds(5)));
  device.join();
  EXPECT_EQ(received.lines(), (Lines{"A", "B"}));
}

}  // namespace
}  // namespace korvane::sim
