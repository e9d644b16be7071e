// The worker's per-cycle arithmetic without the clock: packet bytes, sequence wrap, warm-up
// count and the 20 ms grid.

#include <gtest/gtest.h>

#include <vector>

#include "SimBus.h"
#include "mockds/ControlPacket.h"

using korvane::mockds::ControlCycle;
using korvane::mockds::PacketBuffer;

namespace {

std::string built(ControlCycle& cycle, bool enabled) {
  PacketBuffer packet;
  cycle.build(enabled, packet);
  return korvane::test::hex(std::vector<uint8_t>(packet.data(), packet.data() + packet.size()));
}

int control(ControlCycle& cycle, bool enabled) {
  PacketBuffer packet;
  cycle.build(enabled, packet);
  return packet.data()[3];
}

TEST(ControlCycleTest, SequenceWrapsFromFFFFToZero) {
  ControlCycle cycle;
  EXPECT_EQ(built(cycle, false), "00 00 01 00 10 00");
  EXPECT_EQ(built(cycle, false), "00 01 01 00 10 00");
  for (int i = 2; i < 255; ++i) built(cycle, false);
  EXPECT_EQ(built(cycle, false), "00 FF 01 00 10 00");
  EXPECT_EQ(built(cycle, false), "01 00 01 00 10 00");
  for (int i = 257; i < 65535; ++i) built(cycle, true);
  EXPECT_EQ(built(cycle, true), "FF FF 01 06 10 00");
  EXPECT_EQ(built(cycle, true), "00 00 01 06 10 00");
  EXPECT_EQ(built(cycle, false), "00 01 01 00 10 00");
}

TEST(ControlCycleTest, FiftyEnabledCyclesOfWarmUp) {
  ControlCycle cycle;
  for (int i = 0; i < 50; ++i) EXPECT_EQ(control(cycle, true), 0x00) << i;
  EXPECT_EQ(built(cycle, true), "00 32 01 06 10 00");
  EXPECT_EQ(cycle.enabledCycles(), 50);
}

TEST(ControlCycleTest, WarmUpCountIsCumulativeAndNeverReset) {
  ControlCycle cycle;
  for (int i = 0; i < 30; ++i) EXPECT_EQ(control(cycle, true), 0x00);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(control(cycle, false), 0x00);
  EXPECT_EQ(cycle.enabledCycles(), 30);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(control(cycle, true), 0x00) << i;
  EXPECT_EQ(control(cycle, true), 0x06);
  EXPECT_EQ(control(cycle, false), 0x00);
  EXPECT_EQ(control(cycle, true), 0x06);  // at once after the warm-up
}

TEST(ControlCycleTest, GridSkipsMissedPointsInsteadOfBursting) {
  EXPECT_EQ(korvane::mockds::nextGridPoint(1000, 1000), 21000);  // never the current instant
  EXPECT_EQ(korvane::mockds::nextGridPoint(21000, 1500), 21000);
  EXPECT_EQ(korvane::mockds::nextGridPoint(21000, 21000), 41000);
  // A cycle that overran by 95 ms lands on the next point of the same grid.
  EXPECT_EQ(korvane::mockds::nextGridPoint(21000, 116000), 121000);
}

TEST(PacketBufferTest, KeepsAtMostEightBytesInline) {
  PacketBuffer packet;
  for (int i = 0; i < 12; ++i) packet.push_back(static_cast<uint8_t>(i));
  EXPECT_EQ(packet.size(), 8u);
  packet.clear();
  EXPECT_EQ(packet.size(), 0u);
}

}  // namespace
