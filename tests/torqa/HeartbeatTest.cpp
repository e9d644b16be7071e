// The heartbeat threads: what they send, how often, and how closing a controller stops them.

#include <gtest/gtest.h>

#include <thread>

#include "SimBus.h"
#include "Wait.h"
#include "korvane/Torqa.h"
#include "korvane/sim/Can.h"
#include "korvane/sim/System.h"
#include "sim/torqa/TorqaSim.h"
#include "torqa/Controllers.h"

using namespace korvane;
using namespace std::chrono_literals;

namespace {

class TorqaHeartbeatTest : public test::SimBusTest {};

constexpr uint32_t kDisabled = 0x020C0000;
constexpr uint32_t kEnabled = 0x020C0040;

size_t runningHeartbeats() {
  return torqa::Controllers::instance().runningHeartbeats();
}

size_t countWithId(uint32_t id) {
  return test::framesWithId(id).size();
}

bool waitForHeartbeats(uint32_t id, size_t count) {
  return sim::waitForSentFrames(
      [&](const std::vector<sim::CanFrame>& frames) {
        size_t n = 0;
        for (const auto& f : frames) n += f.id == id;
        return n >= count;
      },
      5s);
}

TEST_F(TorqaHeartbeatTest, TellsTheControllerWhetherTheRobotIsEnabled) {
  Torqa controller(4, 1000);
  ASSERT_TRUE(controller.IsOpen());
  EXPECT_TRUE(waitForHeartbeats(kDisabled + 4, 2));
  sim::setSystemActive(true);
  EXPECT_TRUE(waitForHeartbeats(kEnabled + 4, 2));
  sim::setSystemActive(false);
  size_t disabledBefore = countWithId(kDisabled + 4);
  EXPECT_TRUE(waitForHeartbeats(kDisabled + 4, disabledBefore + 1));
  controller.Close();
  for (const auto& f : sim::sentFrames()) {
    if (f.id == kEnabled + 4 || f.id == kDisabled + 4) {
      EXPECT_EQ(test::hex(f), "00 00 00 00 00 00 00 00");
    }
  }
}

TEST_F(TorqaHeartbeatTest, BeatsRoughlyEveryHundredMilliseconds) {
  Torqa controller(6, 1000);
  ASSERT_TRUE(controller.IsOpen());
  ASSERT_TRUE(waitForHeartbeats(kDisabled + 6, 6));
  controller.Close();
  auto beats = test::framesWithId(kDisabled + 6);
  // Generous bounds: each gap is at least the sleep, and the run is not wildly slow.
  for (size_t i = 1; i < beats.size(); ++i) {
    EXPECT_GE(beats[i].timestampUs - beats[i - 1].timestampUs, 99'000);
  }
  EXPECT_LT(beats.back().timestampUs - beats.front().timestampUs, 5'000'000);
}

TEST_F(TorqaHeartbeatTest, NoHeartbeatLeavesAfterCloseReturns) {
  Torqa controller(8, 1000);
  ASSERT_TRUE(controller.IsOpen());
  ASSERT_TRUE(waitForHeartbeats(kDisabled + 8, 2));
  controller.Close();
  size_t after = sim::sentFrames().size();
  std::this_thread::sleep_for(300ms);  // three periods: any straggler would show
  EXPECT_EQ(sim::sentFrames().size(), after);
}

// The open controllers' policy: closing any one of them silences them all. The others stay open
// (their commands still reach them), and the next opening beats for its own controller only.
TEST_F(TorqaHeartbeatTest, AnyCloseStopsEveryHeartbeatUntilTheNextOpening) {
  auto tenth = sim::TorqaSim::attach(10);
  auto eleventh = sim::TorqaSim::attach(11);
  sim::setSystemActive(true);
  Torqa first(10, 1000);
  Torqa second(11, 1000);
  ASSERT_TRUE(first.IsOpen());
  ASSERT_TRUE(second.IsOpen());
  EXPECT_NE(first.GetHandle(), second.GetHandle());
  ASSERT_TRUE(
      test::waitUntil([&] { return tenth->outputsEnabled() && eleventh->outputsEnabled(); }));
  EXPECT_EQ(runningHeartbeats(), 2u);

  first.Close();
  EXPECT_EQ(runningHeartbeats(), 0u);
  // Both threads were joined: nothing more leaves, and both controllers time out.
  size_t settled = sim::sentFrames().size();
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(sim::sentFrames().size(), settled);
  EXPECT_EQ(tenth->heartbeat(), sim::TorqaSim::Heartbeat::None);
  EXPECT_EQ(eleventh->heartbeat(), sim::TorqaSim::Heartbeat::None);
  // The other controller is still open, just no longer told anything.
  EXPECT_TRUE(second.IsOpen());
  second.SetSpeed(2, 0.5);
  EXPECT_EQ(eleventh->motor(2).mode, sim::TorqaSim::Mode::Speed);

  // A new opening beats again, for its own controller only.
  const uint64_t silentCount = eleventh->heartbeatCount();
  Torqa third(10, 1000);
  ASSERT_TRUE(third.IsOpen());
  EXPECT_EQ(runningHeartbeats(), 1u);
  const uint64_t resumedFrom = tenth->heartbeatCount();
  ASSERT_TRUE(test::waitUntil([&] { return tenth->heartbeatCount() >= resumedFrom + 3; }));
  EXPECT_TRUE(tenth->outputsEnabled());
  EXPECT_EQ(eleventh->heartbeatCount(), silentCount);
  EXPECT_FALSE(eleventh->outputsEnabled());

  third.Close();
  second.Close();
  tenth->detach();
  eleventh->detach();
}

// Open 1, open 2 shortly after, close 1 while both threads pause between beats, and open 3 at
// once: the close must have ended the first controller's thread too, though the opening that
// follows clears the stop flag again.
TEST_F(TorqaHeartbeatTest, NoHeartbeatOfAnOlderControllerOutlivesAClose) {
  sim::setSystemActive(true);
  Torqa first(1, 1000);
  ASSERT_TRUE(first.IsOpen());
  std::this_thread::sleep_for(30ms);
  Torqa second(2, 1000);
  ASSERT_TRUE(second.IsOpen());
  std::this_thread::sleep_for(80ms);
  first.Close();
  EXPECT_EQ(runningHeartbeats(), 0u);
  sim::clearSentFrames();
  Torqa third(3, 1000);
  ASSERT_TRUE(third.IsOpen());
  EXPECT_EQ(runningHeartbeats(), 1u);

  // Several periods of the new controller's heartbeat: time enough for any straggler to beat.
  ASSERT_TRUE(waitForHeartbeats(kEnabled + 3, 5));
  EXPECT_EQ(countWithId(kEnabled + 1) + countWithId(kDisabled + 1), 0u) << "device 1";
  // Any close stops every heartbeat until the next opening, which beats for its own controller.
  EXPECT_EQ(countWithId(kEnabled + 2) + countWithId(kDisabled + 2), 0u) << "device 2";

  third.Close();
  second.Close();
  EXPECT_EQ(runningHeartbeats(), 0u);
}

TEST_F(TorqaHeartbeatTest, SimulatedControllerFollowsTheHeartbeat) {
  auto controller = sim::TorqaSim::attach(12);
  sim::setSystemActive(true);
  Torqa opened(12, 15000);
  ASSERT_TRUE(opened.IsOpen());
  EXPECT_TRUE(test::waitUntil([&] { return controller->outputsEnabled(); }));
  EXPECT_EQ(controller->heartbeat(), sim::TorqaSim::Heartbeat::Enabled);
  EXPECT_EQ(controller->configureFrameCount(), 4);
  for (int motor = 0; motor < 4; ++motor) EXPECT_EQ(controller->motorFrequency(motor), 15000);

  sim::setSystemActive(false);
  EXPECT_TRUE(test::waitUntil([&] { return !controller->outputsEnabled(); }));
  EXPECT_EQ(controller->heartbeat(), sim::TorqaSim::Heartbeat::Disabled);

  sim::setSystemActive(true);
  EXPECT_TRUE(test::waitUntil([&] { return controller->outputsEnabled(); }));
  opened.Close();
  // Without heartbeats the controller stops its motors after the timeout.
  EXPECT_TRUE(test::waitUntil([&] { return !controller->outputsEnabled(); }));
  EXPECT_EQ(controller->heartbeat(), sim::TorqaSim::Heartbeat::None);
  controller->detach();
}

}  // namespace
