// The heartbeat threads: what they send, how often, and how destroy stops them.

#include <gtest/gtest.h>

#include <thread>

#include "SimBus.h"
#include "TorqaJNI.h"
#include "Wait.h"
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
  long handle = TorqaJNI::c_Torqa_create(4, 1000);
  ASSERT_NE(handle, 0);
  EXPECT_TRUE(waitForHeartbeats(kDisabled + 4, 2));
  sim::setSystemActive(true);
  EXPECT_TRUE(waitForHeartbeats(kEnabled + 4, 2));
  sim::setSystemActive(false);
  size_t disabledBefore = countWithId(kDisabled + 4);
  EXPECT_TRUE(waitForHeartbeats(kDisabled + 4, disabledBefore + 1));
  TorqaJNI::c_Torqa_destroy(handle);
  for (const auto& f : sim::sentFrames()) {
    if (f.id == kEnabled + 4 || f.id == kDisabled + 4) {
      EXPECT_EQ(test::hex(f), "00 00 00 00 00 00 00 00");
    }
  }
}

TEST_F(TorqaHeartbeatTest, BeatsRoughlyEveryHundredMilliseconds) {
  long handle = TorqaJNI::c_Torqa_create(6, 1000);
  ASSERT_TRUE(waitForHeartbeats(kDisabled + 6, 6));
  TorqaJNI::c_Torqa_destroy(handle);
  auto beats = test::framesWithId(kDisabled + 6);
  // Generous bounds: each gap is at least the sleep, and the run is not wildly slow.
  for (size_t i = 1; i < beats.size(); ++i) {
    EXPECT_GE(beats[i].timestampUs - beats[i - 1].timestampUs, 99'000);
  }
  EXPECT_LT(beats.back().timestampUs - beats.front().timestampUs, 5'000'000);
}

TEST_F(TorqaHeartbeatTest, NoHeartbeatLeavesAfterDestroyReturns) {
  long handle = TorqaJNI::c_Torqa_create(8, 1000);
  ASSERT_TRUE(waitForHeartbeats(kDisabled + 8, 2));
  TorqaJNI::c_Torqa_destroy(handle);
  size_t after = sim::sentFrames().size();
  std::this_thread::sleep_for(300ms);  // three periods: any straggler would show
  EXPECT_EQ(sim::sentFrames().size(), after);
}

// The open controllers' policy: destroying any one of them silences them all. The others stay
// open (their commands still reach them), and the next create beats for its own controller only.
TEST_F(TorqaHeartbeatTest, AnyDestroyStopsEveryHeartbeatUntilTheNextCreate) {
  auto tenth = sim::TorqaSim::attach(10);
  auto eleventh = sim::TorqaSim::attach(11);
  sim::setSystemActive(true);
  long first = TorqaJNI::c_Torqa_create(10, 1000);
  long second = TorqaJNI::c_Torqa_create(11, 1000);
  ASSERT_NE(first, 0);
  ASSERT_NE(second, 0);
  EXPECT_NE(first, second);
  ASSERT_TRUE(
      test::waitUntil([&] { return tenth->outputsEnabled() && eleventh->outputsEnabled(); }));
  EXPECT_EQ(korvane::torqa::Controllers::instance().runningHeartbeats(), 2u);

  TorqaJNI::c_Torqa_destroy(first);
  EXPECT_EQ(korvane::torqa::Controllers::instance().runningHeartbeats(), 0u);
  // Both threads were joined: nothing more leaves, and both controllers time out.
  size_t settled = sim::sentFrames().size();
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(sim::sentFrames().size(), settled);
  EXPECT_EQ(tenth->heartbeat(), sim::TorqaSim::Heartbeat::None);
  EXPECT_EQ(eleventh->heartbeat(), sim::TorqaSim::Heartbeat::None);
  // The other controller is still open, just no longer told anything.
  EXPECT_EQ(DeviceIDForHandle(second), 11);
  TorqaJNI::c_Torqa_setMotorSpeed(second, 2, 0.5);
  EXPECT_EQ(eleventh->motor(2).mode, sim::TorqaSim::Mode::Speed);

  // A new create beats again, for its own controller only.
  const uint64_t silentCount = eleventh->heartbeatCount();
  long third = TorqaJNI::c_Torqa_create(10, 1000);
  ASSERT_NE(third, 0);
  EXPECT_EQ(korvane::torqa::Controllers::instance().runningHeartbeats(), 1u);
  const uint64_t resumedFrom = tenth->heartbeatCount();
  ASSERT_TRUE(test::waitUntil([&] { return tenth->heartbeatCount() >= resumedFrom + 3; }));
  EXPECT_TRUE(tenth->outputsEnabled());
  EXPECT_EQ(eleventh->heartbeatCount(), silentCount);
  EXPECT_FALSE(eleventh->outputsEnabled());

  TorqaJNI::c_Torqa_destroy(third);
  TorqaJNI::c_Torqa_destroy(second);
  tenth->detach();
  eleventh->detach();
}

// Create 1, create 2 shortly after, destroy 1 while both threads pause between beats, and create
// 3 at once: the destroy must have ended the first controller's thread too, though the create
// that follows clears the stop flag again.
TEST_F(TorqaHeartbeatTest, NoHeartbeatOfAnOlderControllerOutlivesADestroy) {
  sim::setSystemActive(true);
  long first = TorqaJNI::c_Torqa_create(1, 1000);
  ASSERT_NE(first, 0);
  std::this_thread::sleep_for(30ms);
  long second = TorqaJNI::c_Torqa_create(2, 1000);
  ASSERT_NE(second, 0);
  std::this_thread::sleep_for(80ms);
  TorqaJNI::c_Torqa_destroy(first);
  EXPECT_EQ(korvane::torqa::Controllers::instance().runningHeartbeats(), 0u);
  sim::clearSentFrames();
  long third = TorqaJNI::c_Torqa_create(3, 1000);
  ASSERT_NE(third, 0);
  EXPECT_EQ(korvane::torqa::Controllers::instance().runningHeartbeats(), 1u);

  // Several periods of the new controller's heartbeat: time enough for any straggler to beat.
  ASSERT_TRUE(waitForHeartbeats(kEnabled + 3, 5));
  EXPECT_EQ(countWithId(kEnabled + 1) + countWithId(kDisabled + 1), 0u) << "device 1";
  // Any destroy stops every heartbeat until the next create, which beats for its own controller.
  EXPECT_EQ(countWithId(kEnabled + 2) + countWithId(kDisabled + 2), 0u) << "device 2";

  TorqaJNI::c_Torqa_destroy(third);
  TorqaJNI::c_Torqa_destroy(second);
  EXPECT_EQ(korvane::torqa::Controllers::instance().runningHeartbeats(), 0u);
}

TEST_F(TorqaHeartbeatTest, SimulatedControllerFollowsTheHeartbeat) {
  auto controller = sim::TorqaSim::attach(12);
  sim::setSystemActive(true);
  long handle = TorqaJNI::c_Torqa_create(12, 15000);
  ASSERT_NE(handle, 0);
  EXPECT_TRUE(test::waitUntil([&] { return controller->outputsEnabled(); }));
  EXPECT_EQ(controller->heartbeat(), sim::TorqaSim::Heartbeat::Enabled);
  EXPECT_EQ(controller->configureFrameCount(), 4);
  for (int motor = 0; motor < 4; ++motor) EXPECT_EQ(controller->motorFrequency(motor), 15000);

  sim::setSystemActive(false);
  EXPECT_TRUE(test::waitUntil([&] { return !controller->outputsEnabled(); }));
  EXPECT_EQ(controller->heartbeat(), sim::TorqaSim::Heartbeat::Disabled);

  sim::setSystemActive(true);
  EXPECT_TRUE(test::waitUntil([&] { return controller->outputsEnabled(); }));
  TorqaJNI::c_Torqa_destroy(handle);
  // Without heartbeats the controller stops its motors after the timeout.
  EXPECT_TRUE(test::waitUntil([&] { return !controller->outputsEnabled(); }));
  EXPECT_EQ(controller->heartbeat(), sim::TorqaSim::Heartbeat::None);
  controller->detach();
}

}  // namespace
