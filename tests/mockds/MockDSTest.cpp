// The mock driver station's packets as the robot receives them on 127.0.0.1:1110, sent by
// korvane::MockDS (and by the MockDSJNI statics where their own behaviour is the point).

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <thread>

#include "DsReceiver.h"
#include "MockDSJNI.h"
#include "SimBus.h"
#include "ThreadCpu.h"
#include "Wait.h"
#include "korvane/MockDS.h"

using namespace korvane;
using namespace std::chrono_literals;
using test::DsPacket;

namespace {

class MockDSTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(receiver.bound()) << "UDP 127.0.0.1:1110 is taken"; }
  void TearDown() override {
    ds_.reset();
    MockDSJNI::c_MockDS_destroy();
  }

  // The next packet of the followed worker; fails the test when none comes.
  DsPacket next() {
    auto packet = receiver.next();
    EXPECT_TRUE(packet.has_value()) << "no packet within the deadline";
    return packet.value_or(DsPacket{});
  }
  // Receives until a packet with this control byte; the packets before it are counted.
  int packetsBefore(int control, int limit = 200) {
    for (int n = 0; n < limit; ++n) {
      if (next().control() == control) return n;
    }
    ADD_FAILURE() << "control " << control << " never came";
    return limit;
  }

  test::DsReceiver receiver;
  std::optional<MockDS> ds_;
};

TEST_F(MockDSTest, FirstPacketsCountUpFromZeroMarkedDisabled) {
  auto created = std::chrono::steady_clock::now();
  ds_.emplace();
  auto first = receiver.followNewSender();
  ASSERT_TRUE(first);
  EXPECT_EQ(test::hex(first->bytes), "00 00 01 00 10 00");
  EXPECT_EQ(test::hex(next().bytes), "00 01 01 00 10 00");
  EXPECT_EQ(test::hex(next().bytes), "00 02 01 00 10 00");
  DsPacket p;
  for (int i = 3; i <= 10; ++i) p = next();
  EXPECT_EQ(p.sequence(), 10);
  // Eleven packets take at least ten periods after the first grid point: no burst.
  EXPECT_GE(p.receivedAt - created, 200ms);
}

TEST_F(MockDSTest, FiftyEnabledCyclesOfWarmUpBeforeTheFirstEnabledPacket) {
  ds_.emplace();
  ds_->Enable();  // usually before the first packet, which leaves a period later
  auto first = receiver.followNewSender();
  ASSERT_TRUE(first);
  EXPECT_EQ(first->control(), 0x00);
  // Never fewer than fifty enabled cycles of warm-up. On a loaded machine the enable above may
  // run a packet or two after the first, which moves the first enabled packet as far; the
  // cycle count itself is pinned exactly by ControlCycleTest.
  DsPacket p = next();
  for (int sequence = 1; p.control() == 0x00 && sequence < 60; ++sequence) {
    ASSERT_EQ(p.sequence(), sequence);
    p = next();
  }
  EXPECT_GE(p.sequence(), 50);
  EXPECT_LE(p.sequence(), 55);
  EXPECT_EQ(test::hex(std::vector<uint8_t>(p.bytes.begin() + 2, p.bytes.end())), "01 06 10 00");
  EXPECT_EQ(next().control(), 0x06);
}

TEST_F(MockDSTest, AnInterruptedEnableContinuesTheWarmUp) {
  ds_.emplace();
  ASSERT_TRUE(receiver.followNewSender());
  ds_->Enable();
  for (int i = 0; i < 30; ++i) EXPECT_EQ(next().control(), 0x00);
  ds_->Disable();
  for (int i = 0; i < 30; ++i) next();
  ds_->Enable();
  // About 30 of the 50 warm-up cycles are spent; a count restarted by the disable would need
  // 50 more, one that also counted disabled cycles none.
  int warmUpLeft = packetsBefore(0x06);
  EXPECT_GE(warmUpLeft, 5);
  EXPECT_LE(warmUpLeft, 22);
}

TEST_F(MockDSTest, AfterTheWarmUpEnablingAgainIsImmediate) {
  ds_.emplace();
  ASSERT_TRUE(receiver.followNewSender());
  ds_->Enable();
  packetsBefore(0x06);
  ds_->Disable();
  packetsBefore(0x00);
  EXPECT_EQ(next().control(), 0x00);
  ds_->Enable();
  // At most the packet already on its way still says disabled.
  EXPECT_LE(packetsBefore(0x06), 1);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(next().control(), 0x06);
}

// The destroy native a Java program's close calls only disables: the worker keeps sending.
TEST_F(MockDSTest, DestroyKeepsSendingDisabledPackets) {
  MockDSJNI::c_MockDS_create();
  ASSERT_TRUE(receiver.followNewSender());
  MockDSJNI::c_MockDS_enable();
  packetsBefore(0x06);
  MockDSJNI::c_MockDS_destroy();
  EXPECT_LE(packetsBefore(0x00), 1);
  int sequence = next().sequence();
  for (int i = 1; i <= 10; ++i) {
    DsPacket p = next();
    EXPECT_EQ(p.control(), 0x00);
    EXPECT_EQ(p.sequence(), sequence + i);
  }
}

TEST_F(MockDSTest, OpeningAnotherReplacesTheWorker) {
  const auto before = test::threadIds();
  MockDS first;
  ASSERT_TRUE(first.IsOpen());
  ASSERT_TRUE(receiver.followNewSender());
  first.Enable();
  packetsBefore(0x06);
  uint16_t oldWorker = receiver.followedPort();

  ds_.emplace();  // returns once the old worker is joined
  EXPECT_FALSE(first.IsOpen()) << "replaced";
  EXPECT_FALSE(first.IsSending());
  EXPECT_TRUE(ds_->IsSending());
  int fromOld = 0;
  int expectedSequence = 0;
  auto quietUntil = std::chrono::steady_clock::now() + 300ms;
  while (std::chrono::steady_clock::now() < quietUntil || expectedSequence < 10) {
    auto p = receiver.receive();
    ASSERT_TRUE(p);
    if (p->sourcePort == oldWorker) {
      ++fromOld;
      continue;
    }
    // The new worker starts at sequence 0, disabled, with its own warm-up ahead.
    EXPECT_EQ(p->sequence(), expectedSequence++);
    EXPECT_EQ(p->control(), 0x00);
  }
  EXPECT_LE(fromOld, 2) << "the old worker kept sending after create returned";
  // One worker is left: the old one was joined (its /proc entry may outlive the join a moment).
  EXPECT_TRUE(test::waitUntil([&] { return test::threadsStartedSince(before).size() == 1; }))
      << test::threadsStartedSince(before).size() << " workers";

  // The replaced object's calls reach nothing; the new one's reach its worker, whose warm-up
  // starts from the beginning. Closing the replaced one leaves the new one sending.
  first.Disable();
  first.Close();
  EXPECT_TRUE(ds_->IsSending());
  ds_->Enable();
  int warmUp = 0;
  while (true) {
    auto p = receiver.receive();
    ASSERT_TRUE(p);
    ASSERT_NE(p->sourcePort, oldWorker);
    if (p->control() == 0x06) break;
    ++warmUp;
  }
  EXPECT_GE(warmUp, 50);
  EXPECT_LT(warmUp, 80);
}

TEST_F(MockDSTest, ClosingStopsSendingAndTheStaticsThenFindNone) {
  const auto before = test::threadIds();
  ds_.emplace();
  ASSERT_TRUE(ds_->IsOpen());
  EXPECT_TRUE(MockDSJNI::c_MockDS_isSending());
  ASSERT_TRUE(receiver.followNewSender());
  ds_->Close();
  EXPECT_FALSE(ds_->IsOpen());
  EXPECT_FALSE(ds_->IsSending());
  EXPECT_FALSE(MockDSJNI::c_MockDS_isSending());
  EXPECT_TRUE(test::waitUntil([&] { return test::threadsStartedSince(before).empty(); }))
      << "the worker was joined";
  // A packet may have been on its way; none after that.
  receiver.receive(100ms);
  EXPECT_FALSE(receiver.receive(300ms).has_value());
  ds_->Enable();  // a closed object does nothing
  MockDSJNI::c_MockDS_enable();
  EXPECT_FALSE(receiver.receive(100ms).has_value());
}

// The natives before any create have no instance to reach.
TEST_F(MockDSTest, CallsBeforeCreateDoNothing) {
  if (receiver.receive(100ms)) GTEST_SKIP() << "an earlier test in this process created one";
  MockDSJNI::c_MockDS_enable();
  MockDSJNI::c_MockDS_disable();
  MockDSJNI::c_MockDS_destroy();
  EXPECT_FALSE(receiver.receive(100ms).has_value());
}

TEST(MockDSUnloadTest, UnloadStopsAndJoinsTheWorker) {
  // A run may choose the style (GTEST_DEATH_TEST_STYLE=fast under user-mode emulation, where a
  // test program cannot execute itself again).
  if (std::getenv("GTEST_DEATH_TEST_STYLE") == nullptr) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
  }
  // The process exits while the worker sends and its object is never destroyed; the library's
  // own owner must stop and join the worker, or the exit ends in std::terminate.
  EXPECT_EXIT(
      {
        MockDS ds;
        ds.Enable();
        std::this_thread::sleep_for(100ms);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
