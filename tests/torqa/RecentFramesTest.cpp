// The recent frames: reads of one status frame within the freshness bound share one HAL read,
// a later read reads the HAL again, one session read collects every status frame of the
// controller, each frame keeps the HAL's timestamp and status, every HAL read (of any getter) is
// kept and tells the controller's health, whose own look at the controller shares the kept frame,
// and a closed controller's frames are never handed out again.
// The object's getters are the recent reads; the statics' plain getters, which read the HAL every
// time, show when a HAL read happened.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "OpenControllerTest.h"
#include "TorqaJNI.h"
#include "korvane/sim/Can.h"
#include "torqa/Controllers.h"
#include "torqa/StatusFrames.h"

using namespace korvane;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kDevice = 7;
constexpr int kRpmApi = 41;

uint32_t statusId(int api) {
  return 0x020C0000u | (static_cast<uint32_t>(api) << 6) | kDevice;
}

// A status frame whose first two bytes are the value (little-endian, under 32768).
void injectValue(int api, int value) {
  sim::injectFrame(statusId(api), {static_cast<uint8_t>(value & 0xFF),
                                   static_cast<uint8_t>(value >> 8), 0, 0, 0, 0, 0, 0});
}

// An RPM frame of motor 0 of value hundredths: 1.0 RPM per 100.
void injectRpm(int hundredths) {
  injectValue(kRpmApi, hundredths);
}

class RecentFramesTest : public test::OpenControllerTest<kDevice> {
 protected:
  // Without a heartbeat, whose look at the controller's health would read the HAL now and then,
  // every HAL read is a test's own.
  void SetUp() override {
    test::OpenControllerTest<kDevice>::SetUp();
    quiet();
  }

  void quiet() {
    torqa::Controllers::instance().stopEveryHeartbeat();
    // A first beat may have read the motor-0 frame already: its read is stale once past the bound.
    std::this_thread::sleep_for(2 * torqa::RecentFrames::kFreshFor);
  }

  // Opens the controller again, left as quiet as SetUp leaves it.
  void reopen() {
    controller.emplace(kDevice, 1000);
    ASSERT_TRUE(controller->IsOpen());
    handle = static_cast<long>(controller->GetHandle());
    quiet();
  }

  // The frame kept for the API of the open controller, and when it was read.
  bool kept(int api, torqa::StatusFrame& frame, Clock::time_point& readAt) {
    const auto controller = torqa::Controllers::instance().find(handle);
    return controller && controller->recentFrames().kept(api, frame, readAt);
  }
};

// Whether a read made a HAL read is told by a failure armed for the next HAL read: a read that
// reads the HAL takes it and gives 0. Only a pair of reads that happened well within the bound
// counts (on a loaded machine a pair may be pulled apart; then it is tried again).
TEST_F(RecentFramesTest, ReadsWithinTheBoundShareOneHalRead) {
  injectRpm(1000);
  bool pairWithinBound = false;
  for (int attempt = 0; attempt < 50 && !pairWithinBound; ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));  // the kept frame is stale now
    const auto first = Clock::now();
    ASSERT_EQ(controller->GetRPM(0), 10.0);
    sim::failCanCalls(sim::CanCall::ReadPacketLatest, -1, 1);
    const double shared = controller->GetEncoderSpeed(0);  // the same frame
    const auto last = Clock::now();
    const double direct = TorqaJNI::c_Torqa_getRPM(handle, 0);
    sim::clearCanFailures();
    if (last - first > torqa::RecentFrames::kFreshFor / 2) continue;
    pairWithinBound = true;
    EXPECT_EQ(shared, 10.0) << "within the bound the kept frame is decoded again";
    EXPECT_EQ(direct, 0.0) << "the failure was still armed for the next HAL read";
  }
  EXPECT_TRUE(pairWithinBound);
  EXPECT_EQ(TorqaJNI::c_Torqa_getRPM(handle, 0), 10.0);
  EXPECT_EQ(TorqaJNI::c_Torqa_getRecentRPM(handle, 0), 10.0) << "the statics' recent form";
}

TEST_F(RecentFramesTest, AFrameOlderThanTheBoundIsReadAgain) {
  injectRpm(1000);
  EXPECT_EQ(controller->GetRPM(0), 10.0);
  injectRpm(2000);
  // Readings change only once the bound has passed, however soon they are taken.
  const auto changedBy = Clock::now() + std::chrono::seconds(5);
  while (controller->GetRPM(0) != 20.0 && Clock::now() < changedBy) {
  }
  EXPECT_EQ(controller->GetRPM(0), 20.0);
  EXPECT_EQ(TorqaJNI::c_Torqa_getRPM(handle, 0), 20.0);
}

TEST_F(RecentFramesTest, EachKeptFrameHasTheHalsTimestampAndStatusAndWhenItWasRead) {
  torqa::StatusFrame frame;
  Clock::time_point readAt;
  EXPECT_FALSE(kept(kRpmApi + 1, frame, readAt));
  // No frame yet: the read is kept with the HAL's status.
  const auto before = Clock::now();
  EXPECT_EQ(controller->GetRPM(1), 0.0);
  ASSERT_TRUE(kept(kRpmApi + 1, frame, readAt));
  EXPECT_NE(frame.status, 0);
  EXPECT_FALSE(frame.there());
  EXPECT_GE(readAt, before);

  injectRpm(1234);
  EXPECT_EQ(controller->GetRPM(0), 12.34);
  ASSERT_TRUE(kept(kRpmApi, frame, readAt));
  EXPECT_EQ(frame.status, 0);
  EXPECT_EQ(frame.length, 8);
  EXPECT_GT(frame.receivedTimestamp, 0u);
  EXPECT_EQ(controller->TryGetRPM(0).value_or(0.0), 12.34);
  double out = 0;
  EXPECT_TRUE(TorqaJNI::c_Torqa_tryGetRecentRPM(handle, 0, &out));
  EXPECT_EQ(out, 12.34);
}

TEST_F(RecentFramesTest, AClosedControllersFramesAreNotHandedOutAgain) {
  injectRpm(1000);
  EXPECT_EQ(controller->GetRPM(0), 10.0);
  const long closed = handle;
  controller->Close();
  EXPECT_EQ(controller->GetRPM(0), 0.0) << "a closed object reads nothing";
  // Opened again on the same device (the HAL may give the closed one's handle again), the
  // controller keeps nothing the closed one read. Its own heartbeat may have read the frame before
  // it was quieted: kept then, but read after the opening.
  const Clock::time_point reopening = Clock::now();
  reopen();
  ASSERT_NE(handle, 0);
  torqa::StatusFrame frame;
  Clock::time_point readAt;
  EXPECT_TRUE(!kept(kRpmApi, frame, readAt) || readAt >= reopening)
      << "a frame of the closed controller, read before the opening";
  controller.reset();
  handle = 0;
  // The static's own rule: a closed handle is read through the HAL, which no longer knows it.
  EXPECT_EQ(TorqaJNI::c_Torqa_getRecentRPM(closed, 0), 0.0);
}

// A getter that reads the HAL every time keeps its frame too: a recent read within the bound
// decodes it instead of reading again.
TEST_F(RecentFramesTest, AGetterThatReadsTheHalKeepsItsFrameForTheRecentReads) {
  bool pairWithinBound = false;
  for (int attempt = 0; attempt < 50 && !pairWithinBound; ++attempt) {
    injectRpm(1000 + attempt);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    const auto first = Clock::now();
    const double direct = TorqaJNI::c_Torqa_getRPM(handle, 0);
    sim::failCanCalls(sim::CanCall::ReadPacketLatest, -1, 1);
    const double recent = controller->GetRPM(0);
    const auto last = Clock::now();
    sim::clearCanFailures();
    if (last - first > torqa::RecentFrames::kFreshFor / 2) continue;
    pairWithinBound = true;
    EXPECT_EQ(direct, (1000 + attempt) / 100.0);
    EXPECT_EQ(recent, direct) << "the recent read took the frame the getter read";
  }
  EXPECT_TRUE(pairWithinBound);
}

// The controller's health is told by the telemetry's own reads, of any status frame: a controller
// that sends only its temperature is heard from once the temperature is read.
TEST_F(RecentFramesTest, TheTelemetrysReadsTellTheHealth) {
  constexpr int kTemperatureApi = 47;
  EXPECT_EQ(controller->GetDataAgeMs(), -1);
  sim::injectFrame(statusId(kTemperatureApi), {30, 50, 0, 0, 0, 0, 0, 0});
  EXPECT_DOUBLE_EQ(controller->GetTemperature(), 30.5);
  EXPECT_GE(controller->GetDataAgeMs(), 0);
  EXPECT_TRUE(controller->IsConnected());
}

// The health's look at the controller (its motor-0 RPM frame) within the bound of a getter's
// read of that frame takes the kept frame: no second HAL read.
TEST_F(RecentFramesTest, TheHealthSharesTheKeptFrame) {
  injectRpm(1000);
  bool pairWithinBound = false;
  for (int attempt = 0; attempt < 50 && !pairWithinBound; ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    const auto first = Clock::now();
    ASSERT_EQ(controller->GetRPM(0), 10.0);
    sim::failCanCalls(sim::CanCall::ReadPacketLatest, -1, 1);
    const DeviceFaults faults = controller->GetFaults();
    const auto last = Clock::now();
    sim::clearCanFailures();
    if (last - first > torqa::RecentFrames::kFreshFor / 2) continue;
    pairWithinBound = true;
    EXPECT_TRUE(faults.connected);
    EXPECT_EQ(faults.receiveFailures, 0u) << "the health read the HAL again";
  }
  EXPECT_TRUE(pairWithinBound);
}

// The getters of one loop make one HAL call for all of a controller's status frames: the session
// read of the first collects every frame that came, and the others, within the bound, make no HAL
// call at all (one would take the failure armed for it and give 0).
TEST_F(RecentFramesTest, OneSessionReadCollectsEveryStatusFrameOfTheLoop) {
  constexpr int kEncoderApi = 37;
  bool loopWithinBound = false;
  for (int attempt = 0; attempt < 50 && !loopWithinBound; ++attempt) {
    for (int m = 0; m < 4; ++m) {
      injectValue(kRpmApi + m, 100 * (m + 1) + attempt);
      injectValue(kEncoderApi + m, 1000 * (m + 1) + attempt);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));  // every kept frame is stale now
    const auto first = Clock::now();
    double rpms[4] = {controller->GetRPM(0)};
    sim::failCanCalls(sim::CanCall::ReadStreamSession, -1);
    sim::failCanCalls(sim::CanCall::ReadPacketLatest, -1);
    for (int m = 1; m < 4; ++m) rpms[m] = controller->GetRPM(m);
    int counts[4];
    for (int m = 0; m < 4; ++m) counts[m] = controller->GetEncoderCount(m);
    const auto last = Clock::now();
    sim::clearCanFailures();
    if (last - first > torqa::RecentFrames::kFreshFor / 2) continue;
    loopWithinBound = true;
    for (int m = 0; m < 4; ++m) {
      EXPECT_EQ(rpms[m], (100 * (m + 1) + attempt) / 100.0) << "motor " << m;
      EXPECT_EQ(counts[m], 1000 * (m + 1) + attempt) << "motor " << m;
    }
  }
  EXPECT_TRUE(loopWithinBound);
}

// A session collects only what comes after it opened: a frame that came before is read through the
// HAL alone.
TEST_F(RecentFramesTest, AFrameThatCameBeforeTheControllerWasOpenedIsRead) {
  controller.reset();
  injectRpm(4321);
  reopen();
  EXPECT_EQ(controller->GetRPM(0), 43.21);
}

// A session that overflowed while nothing read it still ends in the newest frame of each kind.
TEST_F(RecentFramesTest, AfterTheSessionOverflowedTheNewestFrameIsHandedOut) {
  EXPECT_EQ(controller->GetRPM(0), 0.0);
  for (int hundredths = 1; hundredths <= 300; ++hundredths) injectRpm(hundredths);
  std::this_thread::sleep_for(2 * torqa::RecentFrames::kFreshFor);
  EXPECT_EQ(controller->GetRPM(0), 3.0);
  EXPECT_EQ(controller->GetEncoderSpeed(0), 3.0);
  EXPECT_EQ(TorqaJNI::c_Torqa_getRPM(handle, 0), 3.0);
}

// The session is the controller's, closed with it; a controller whose session could not be opened
// reads every frame through the HAL alone.
TEST_F(RecentFramesTest, TheSessionIsClosedWithTheControllerAndReadsNeedNone) {
  EXPECT_EQ(sim::openStreamSessions(), 1);
  controller.reset();
  EXPECT_EQ(sim::openStreamSessions(), 0);
  sim::failCanCalls(sim::CanCall::OpenStreamSession, -44088, 1);
  reopen();
  EXPECT_EQ(sim::openStreamSessions(), 0);
  injectRpm(1500);
  EXPECT_EQ(controller->GetRPM(0), 15.0);
  injectRpm(1600);
  std::this_thread::sleep_for(2 * torqa::RecentFrames::kFreshFor);
  EXPECT_EQ(controller->GetRPM(0), 16.0);
}

}  // namespace
