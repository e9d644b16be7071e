// The distance sensor over the simulated CAN bus: creation, scan reassembly from chunk frames
// (the sequence choice, missing chunks, the count rule), and the configuration request. The
// reads that work on the frames they read themselves are the statics' c_Dystan_getData, tested
// through it; the rest goes through korvane::Dystan.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "BackgroundCall.h"
#include "DystanJNI.h"
#include "SimBus.h"
#include "Wait.h"
#include "korvane/Dystan.h"
#include "korvane/sim/Can.h"
#include "sim/dystan/DystanCanSim.h"

using namespace korvane;

namespace {

constexpr uint8_t kId = 5;
constexpr uint32_t kChunk = 0x06090040;
constexpr uint32_t kConfigRequest = 0x06090400;
constexpr uint32_t kConfigReply = 0x06090440;
// The HAL's statuses (HAL_ERR_CANSessionMux_NotAllowed, _MessageNotFound), in every WPILib
// generation.
constexpr int32_t kCanNotAllowed = -44088;
constexpr int32_t kCanMessageNotFound = -44087;

struct SensorDeleter {
  void operator()(DystanJNI* sensor) const { DystanJNI::c_Dystan_destroy(sensor); }
};
using Sensor = std::unique_ptr<DystanJNI, SensorDeleter>;

// The value position k carries in a scan of this sequence.
int16_t valueAt(uint8_t sequence, int k) {
  return static_cast<int16_t>(sequence * 100 + k - 2000);
}

void injectChunk(uint8_t sequence, uint8_t chunk, uint32_t id = kChunk + kId, uint8_t size = 8) {
  uint8_t data[8] = {sequence, chunk};
  for (int v = 0; v < 3; ++v) {
    auto bits = static_cast<uint16_t>(valueAt(sequence, chunk * 3 + v));
    data[2 + 2 * v] = static_cast<uint8_t>(bits);
    data[3 + 2 * v] = static_cast<uint8_t>(bits >> 8);
  }
  sim::injectFrame(id, data, size);
}

void injectChunks(uint8_t sequence, int first, int last) {
  for (int c = first; c <= last; ++c) injectChunk(sequence, static_cast<uint8_t>(c));
}

class DystanCanTest : public test::SimBusTest {
 protected:
  void SetUp() override {
    SimBusTest::SetUp();
    sensor_.emplace(kId);
    ASSERT_TRUE(sensor_->IsOpen());
  }
  void TearDown() override {
    sensor_.reset();
    SimBusTest::TearDown();
  }

  std::optional<Dystan> sensor_;
};

// The statics' blocking read, whose scan is cut from the frames that call read.
class DystanBlockingReadTest : public test::SimBusTest {
 protected:
  void SetUp() override {
    SimBusTest::SetUp();
    sensor_.reset(DystanJNI::c_Dystan_create(kId));
    ASSERT_NE(sensor_, nullptr);
  }
  void TearDown() override {
    sensor_.reset();
    SimBusTest::TearDown();
  }
  uint8_t chosenSequence() { return sensor_->c_Dystan_getData(64).sequence; }

  Sensor sensor_;
};

TEST_F(DystanCanTest, CanIdsOutsideZeroToSixtyThreeAndAFailedSessionLeaveItClosed) {
  for (int id : {64, -1}) {
    testing::internal::CaptureStdout();
    Dystan refused(id);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "[Dystan] CAN ID " + std::to_string(id) + " is out of range (0 - 63)\n");
    EXPECT_FALSE(refused.IsOpen());
    EXPECT_EQ(refused.GetCanId(), -1);
    EXPECT_FALSE(refused.GetTransport().has_value());
  }
  sim::failCanCalls(sim::CanCall::OpenStreamSession, kCanNotAllowed, 1);
  testing::internal::CaptureStdout();
  Dystan noSession(3);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "[Dystan] Failed to open CAN stream session (status -44088)\n");
  EXPECT_FALSE(noSession.IsOpen());
  EXPECT_EQ(noSession.GetData(64).count, 0);
  EXPECT_FALSE(noSession.GetConfig(0).valid);
  EXPECT_EQ(sim::openStreamSessions(), 1) << "only the fixture's sensor";

  std::optional<Dystan> last(std::in_place, 63);
  ASSERT_TRUE(last->IsOpen());
  EXPECT_EQ(last->GetCanId(), 63);
  EXPECT_EQ(last->GetTransport(), Transport::kCan);
  EXPECT_EQ(sim::openStreamSessions(), 2);
  last.reset();
  EXPECT_EQ(sim::openStreamSessions(), 1) << "closing closes the session";
}

TEST_F(DystanBlockingReadTest, CountsOfZeroOrLessReadNothingAndCountsAboveSixtyFourMeanSixtyFour) {
  injectChunks(7, 0, 21);
  for (int count : {0, -3}) {
    DystanJNI::ScanData none = sensor_->c_Dystan_getData(count);
    EXPECT_EQ(none.sequence, 0);
    EXPECT_EQ(none.count, 0);
  }
  DystanJNI::ScanData scan = sensor_->c_Dystan_getData(100);
  EXPECT_EQ(scan.sequence, 7) << "the frames were still waiting in the session";
  ASSERT_EQ(scan.count, 64);
  for (int k = 0; k < 64; ++k) EXPECT_EQ(scan.distance[k], valueAt(7, k)) << "position " << k;
  EXPECT_EQ(sensor_->c_Dystan_getData(64).count, 0) << "each call works on the frames it reads";
}

TEST_F(DystanBlockingReadTest, TheScanWithMostChunksWinsAndTiesGoToTheNewestWithChunkZero) {
  injectChunks(7, 0, 21);
  injectChunks(8, 0, 5);
  EXPECT_EQ(chosenSequence(), 7);

  injectChunks(7, 0, 4);
  injectChunks(8, 0, 4);
  EXPECT_EQ(chosenSequence(), 8);

  injectChunks(7, 0, 4);
  injectChunks(8, 1, 5);
  EXPECT_EQ(chosenSequence(), 7);

  injectChunks(7, 1, 5);
  injectChunks(8, 0, 4);
  EXPECT_EQ(chosenSequence(), 8);

  injectChunks(200, 1, 5);
  injectChunks(9, 1, 5);
  EXPECT_EQ(chosenSequence(), 200) << "no chunk 0 anywhere: the first to arrive";

  injectChunks(255, 0, 3);
  injectChunks(0, 0, 3);
  EXPECT_EQ(chosenSequence(), 0) << "0 came after 255: the newer";
  injectChunks(254, 0, 21);
  injectChunks(255, 0, 20);
  injectChunks(0, 0, 21);
  EXPECT_EQ(chosenSequence(), 0) << "the newest complete scan, across the wrap";
}

// What a robot loop reads: the scans kept between calls, without waiting.
TEST_F(DystanCanTest, LatestDataIsTheNewestCompleteScanByArrivalKeptBetweenCalls) {
  EXPECT_EQ(sensor_->GetData(64).count, 0) << "nothing received yet";
  injectChunks(254, 0, 21);
  injectChunks(255, 0, 20);
  injectChunks(0, 0, 21);
  Dystan::ScanData scan = sensor_->GetData(100);
  EXPECT_EQ(scan.sequence, 0);
  ASSERT_EQ(scan.count, 64);
  for (int k = 0; k < 64; ++k) EXPECT_EQ(scan.distance[k], valueAt(0, k)) << "position " << k;
  EXPECT_EQ(sensor_->GetData(64).sequence, 0) << "kept without new frames";
  EXPECT_EQ(sensor_->GetData(0).count, 0);

  // Arriving in pieces across calls: a scan counts once it is complete.
  injectChunks(1, 0, 10);
  EXPECT_EQ(sensor_->GetData(64).sequence, 0) << "scan 1 is still arriving";
  injectChunks(1, 11, 21);
  EXPECT_EQ(sensor_->GetData(64).sequence, 1);

  // A scan missing a chunk is not returned while a complete one is kept.
  injectChunks(2, 1, 21);
  injectChunks(3, 0, 5);
  EXPECT_EQ(sensor_->GetData(64).sequence, 1);
  injectChunks(3, 6, 21);
  EXPECT_EQ(sensor_->GetData(64).sequence, 3);

  // Only incomplete scans among the eight kept: the finished one with the most chunks.
  for (uint8_t sequence = 10; sequence < 15; ++sequence) injectChunks(sequence, 0, 20);
  EXPECT_EQ(sensor_->GetData(64).sequence, 3) << "still among the eight kept";
  for (uint8_t sequence = 15; sequence < 20; ++sequence) injectChunks(sequence, 0, 20);
  scan = sensor_->GetData(64);
  EXPECT_EQ(scan.sequence, 18) << "19 may still get its last chunk";
  EXPECT_EQ(scan.count, 63);
  EXPECT_EQ(scan.distance[63], -1);
}

// The blocking read and the latest-scan read share the session: neither loses the other's scans.
TEST_F(DystanBlockingReadTest, BlockingReadsAlsoKeepTheScansTheyRead) {
  injectChunks(40, 0, 21);
  EXPECT_EQ(sensor_->c_Dystan_getData(64).sequence, 40);
  EXPECT_EQ(sensor_->c_Dystan_getLatestData(64).sequence, 40);
  injectChunks(41, 0, 21);
  EXPECT_EQ(sensor_->c_Dystan_getLatestData(64).sequence, 41);
  EXPECT_EQ(sensor_->c_Dystan_getData(64).count, 0) << "the blocking read counts its own frames";
}

// Chunks first..last of a scan whose position k carries base + k.
void injectMarked(uint8_t sequence, int first, int last, int16_t base) {
  for (int c = first; c <= last; ++c) {
    uint8_t data[8] = {sequence, static_cast<uint8_t>(c)};
    for (int v = 0; v < 3; ++v) {
      auto bits = static_cast<uint16_t>(base + c * 3 + v);
      data[2 + 2 * v] = static_cast<uint8_t>(bits);
      data[3 + 2 * v] = static_cast<uint8_t>(bits >> 8);
    }
    sim::injectFrame(kChunk + kId, data, 8);
  }
}

// Whether any of the scan's distances came from the scan marked with base.
bool holdsAnyOf(const DystanJNI::ScanData& scan, int16_t base) {
  for (int k = 0; k < scan.count; ++k) {
    if (scan.distance[k] >= base && scan.distance[k] < base + 100) return true;
  }
  return false;
}

// A sensor that restarts (a reset, a re-plug) may begin again at the sequence number it was
// sending: the unfinished scan and the new one are two scans, never one "complete" scan of both.
TEST_F(DystanBlockingReadTest, ASensorRestartingOnTheSameSequenceNumberNeverMixesTwoScans) {
  constexpr int16_t kOld = 1000, kNew = 3000;
  // Chunks 0..15 of a scan, then the restarted sensor's first chunks with the same number.
  injectMarked(7, 0, 15, kOld);
  injectMarked(7, 0, 10, kNew);
  DystanJNI::ScanData scan = sensor_->c_Dystan_getData(64);
  EXPECT_FALSE(holdsAnyOf(scan, kOld) && holdsAnyOf(scan, kNew));
  EXPECT_EQ(scan.count, 48) << "the scan with the most chunks, whole";
  // The rest of the new scan: the newest complete one.
  injectMarked(7, 11, 21, kNew);
  scan = sensor_->c_Dystan_getLatestData(64);
  EXPECT_EQ(scan.count, 64);
  EXPECT_FALSE(holdsAnyOf(scan, kOld));

  // Only the last chunks of a scan came; a scan period later, the restarted sensor's first chunks
  // with the same number: chunks that would fit together, yet two scans.
  Sensor fresh(DystanJNI::c_Dystan_create(kId));
  sensor_.reset();
  injectMarked(9, 11, 21, kOld);
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  injectMarked(9, 0, 10, kNew);
  scan = fresh->c_Dystan_getData(64);
  EXPECT_EQ(scan.sequence, 9);
  EXPECT_FALSE(holdsAnyOf(scan, kOld) && holdsAnyOf(scan, kNew));
  EXPECT_TRUE(holdsAnyOf(scan, kNew)) << "the newest, which holds chunk 0";
  EXPECT_EQ(scan.count, 33);
}

TEST_F(DystanBlockingReadTest, MissingChunksGiveMinusOneAndTheCountEndsAtTheLastValue) {
  injectChunk(3, 1);
  injectChunk(3, 2);
  DystanJNI::ScanData scan = sensor_->c_Dystan_getData(9);
  EXPECT_EQ(scan.sequence, 3);
  ASSERT_EQ(scan.count, 9);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(scan.distance[k], -1);
  for (int k = 3; k < 9; ++k) EXPECT_EQ(scan.distance[k], valueAt(3, k));

  injectChunk(3, 0);
  scan = sensor_->c_Dystan_getData(9);
  ASSERT_EQ(scan.count, 3);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(scan.distance[k], valueAt(3, k));
  for (int k = 3; k < 9; ++k) EXPECT_EQ(scan.distance[k], -1) << "filled, past the count";

  injectChunk(3, 5);
  scan = sensor_->c_Dystan_getData(9);
  EXPECT_EQ(scan.count, 9) << "nothing within the positions asked for: the count asked for";
  for (int k = 0; k < 9; ++k) EXPECT_EQ(scan.distance[k], -1);

  scan = sensor_->c_Dystan_getData(9);
  EXPECT_EQ(scan.sequence, 0);
  EXPECT_EQ(scan.count, 0) << "no frames at all";
}

TEST_F(DystanBlockingReadTest, FramesOfOtherSensorsOrKindsAndShortFramesAreIgnored) {
  injectChunk(4, 0, kChunk + kId + 1);    // another CAN ID
  injectChunk(4, 1, kChunk + kId, 7);     // seven bytes
  injectChunk(4, 2, kChunk + 64 + kId);   // another API
  injectChunk(4, 3, kConfigReply + kId);  // a configuration reply
  EXPECT_EQ(sensor_->c_Dystan_getData(64).count, 0);

  injectChunk(4, 0, kChunk + kId + 1);
  injectChunk(5, 0);
  injectChunk(4, 1, kChunk + kId, 7);
  DystanJNI::ScanData scan = sensor_->c_Dystan_getData(6);
  EXPECT_EQ(scan.sequence, 5);
  EXPECT_EQ(scan.count, 3);

  // A chunk received twice keeps its later values.
  sim::injectFrame(kChunk + kId, {6, 0, 1, 0, 2, 0, 3, 0});
  sim::injectFrame(kChunk + kId, {6, 0, 4, 0, 5, 0, 6, 0});
  scan = sensor_->c_Dystan_getData(3);
  EXPECT_EQ((std::vector<int>(scan.distance.begin(), scan.distance.begin() + 3)),
            (std::vector<int>{4, 5, 6}));
}

// More frames than the session holds: the read that reports the overrun still hands back the
// newest 128 frames, and the complete scans among them are used.
TEST_F(DystanBlockingReadTest, AnOverrunSessionStillGivesTheScansItKept) {
  for (uint8_t sequence = 0; sequence < 7; ++sequence) injectChunks(sequence, 0, 21);
  DystanJNI::ScanData scan = sensor_->c_Dystan_getData(64);
  EXPECT_EQ(scan.sequence, 6);
  ASSERT_EQ(scan.count, 64);
  EXPECT_EQ(scan.distance[63], valueAt(6, 63));
}

TEST_F(DystanCanTest, AFailingSessionReadGivesAnEmptyScan) {
  injectChunks(1, 0, 21);
  sim::failCanCalls(sim::CanCall::ReadStreamSession, kCanNotAllowed);
  EXPECT_EQ(sensor_->GetData(64).count, 0);
}

TEST_F(DystanBlockingReadTest, AFailingSessionReadGivesAnEmptyScan) {
  injectChunks(1, 0, 21);
  sim::failCanCalls(sim::CanCall::ReadStreamSession, kCanNotAllowed);
  EXPECT_EQ(sensor_->c_Dystan_getData(64).count, 0);
}

// Injects the reply once the next configuration request has been sent, as a sensor would.
std::unique_ptr<test::BackgroundCall<bool>> replyAfterTheRequest(
    std::initializer_list<uint8_t> reply) {
  sim::clearSentFrames();
  std::vector<uint8_t> bytes(reply);
  return std::make_unique<test::BackgroundCall<bool>>([bytes] {
    bool sent = sim::waitForSentFrames(
        [](const std::vector<sim::CanFrame>& frames) {
          return std::any_of(frames.begin(), frames.end(),
                             [](const sim::CanFrame& f) { return f.id == kConfigRequest + kId; });
        },
        std::chrono::seconds(10));
    if (sent) {
      sim::injectFrame(kConfigReply + kId, bytes.data(), static_cast<uint8_t>(bytes.size()));
    }
    return sent;
  });
}

TEST_F(DystanCanTest, TheConfigurationRequestIsEightZeroBytesAndTimeoutZeroReadsOnce) {
  sim::clearSentFrames();
  Dystan::Config none = sensor_->GetConfig(0);
  EXPECT_FALSE(none.valid);
  EXPECT_EQ(
      none.version + none.distanceEnabled + none.canFdEnabled + none.canBrsEnabled + none.canID, 0);
  auto sent = sim::sentFrames();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].id, kConfigRequest + kId);
  EXPECT_EQ(test::hex(sent[0]), "00 00 00 00 00 00 00 00");

  auto replying = replyAfterTheRequest({3, 1, 0, 2, 9, 0xEE, 0xEE, 0xEE});
  Dystan::Config config = sensor_->GetConfig(5000);
  EXPECT_TRUE(replying->get()) << "the request was sent";
  ASSERT_TRUE(config.valid) << "a read within the timeout finds the reply";
  EXPECT_EQ(config.version, 3);
  EXPECT_EQ(config.distanceEnabled, 1);
  EXPECT_EQ(config.canFdEnabled, 0);
  EXPECT_EQ(config.canBrsEnabled, 2);
  EXPECT_EQ(config.canID, 9);

  sim::failCanCalls(sim::CanCall::SendMessage, kCanNotAllowed, 1);
  EXPECT_FALSE(sensor_->GetConfig(100).valid) << "the request could not be sent";
}

TEST_F(DystanCanTest, OnlyAReplyReceivedAfterTheRequestAnswersIt) {
  // A reply from before the request, as a sensor that answered once and then went away leaves it.
  sim::injectFrame(kConfigReply + kId, {3, 1, 0, 2, 9, 0, 0, 0});
  EXPECT_FALSE(sensor_->GetConfig(0).valid);
  EXPECT_FALSE(sensor_->GetConfig(50).valid);
  Dystan fresh(kId);
  ASSERT_TRUE(fresh.IsOpen());
  EXPECT_FALSE(fresh.GetConfig(50).valid) << "a new object";

  // A reply whose read fails at first is found by a later read within the timeout.
  auto replying = replyAfterTheRequest({4, 1, 0, 0, 9, 0, 0, 0});
  sim::failCanCalls(sim::CanCall::ReceiveMessage, kCanMessageNotFound, 2);
  Dystan::Config config = sensor_->GetConfig(5000);
  EXPECT_TRUE(replying->get()) << "the request was sent";
  ASSERT_TRUE(config.valid);
  EXPECT_EQ(config.version, 4);
  // Asked again with no new reply: the one from before does not answer it.
  EXPECT_FALSE(sensor_->GetConfig(0).valid);
}

TEST_F(DystanCanTest, ASensorTakenOffTheBusGivesNoConfiguration) {
  auto device = sim::DystanCanSim::attach(kId, 0);
  ASSERT_TRUE(sensor_->GetConfig(100).valid);
  ASSERT_TRUE(sensor_->GetConfig(100).valid) << "each request answered";
  device->detach();
  EXPECT_FALSE(sensor_->GetConfig(0).valid);
  EXPECT_FALSE(sensor_->GetConfig(100).valid);
  Dystan fresh(kId);
  ASSERT_TRUE(fresh.IsOpen());
  EXPECT_FALSE(fresh.GetConfig(100).valid) << "a new object";
}

TEST_F(DystanCanTest, AShortReplyIsNoReply) {
  auto replying = replyAfterTheRequest({3, 1, 0, 0, 9, 0, 0});
  EXPECT_FALSE(sensor_->GetConfig(300).valid);
  EXPECT_TRUE(replying->get()) << "the request was sent";
  sim::clearSentFrames();
  test::BackgroundCall other([] {
    bool sent = sim::waitForSentFrames([](const auto& frames) { return !frames.empty(); },
                                       std::chrono::seconds(10));
    sim::injectFrame(kConfigReply + kId + 1, {3, 1, 0, 0, 9, 0, 0, 0});
    return sent;
  });
  EXPECT_FALSE(sensor_->GetConfig(300).valid) << "another sensor's reply";
  EXPECT_TRUE(other.get()) << "the request was sent";
}

TEST_F(DystanCanTest, TheSimulatedSensorsScansAndConfigurationComeThrough) {
  auto device = sim::DystanCanSim::attach(kId, 50);
  std::vector<int16_t> distances;
  for (int k = 0; k < 64; ++k) distances.push_back(static_cast<int16_t>(k * k - 300));
  device->setDistances(distances);
  sim::DystanCanSim::Config reply;
  reply.version = 4;
  reply.canFdEnabled = true;
  reply.canId = 33;
  device->setConfig(reply);

  Dystan::Config config = sensor_->GetConfig(0);
  ASSERT_TRUE(config.valid);
  EXPECT_EQ(config.version, 4);
  EXPECT_EQ(config.distanceEnabled, 1);
  EXPECT_EQ(config.canFdEnabled, 1);
  EXPECT_EQ(config.canBrsEnabled, 0);
  EXPECT_EQ(config.canID, 33);
  EXPECT_EQ(device->configRequests(), 1);

  // Scans published after the new distances carry them in full.
  uint64_t published = device->scansPublished();
  ASSERT_TRUE(test::waitUntil([&] { return device->scansPublished() >= published + 2; }));
  sensor_->GetData(64);
  ASSERT_TRUE(test::waitUntil([&] { return sensor_->GetData(64).count == 64; }));
  Dystan::ScanData scan = sensor_->GetData(64);
  ASSERT_EQ(scan.count, 64);
  EXPECT_EQ(std::vector<int16_t>(scan.distance.begin(), scan.distance.end()), distances);

  device->setDroppedChunks({0, 21});
  published = device->scansPublished();
  ASSERT_TRUE(test::waitUntil([&] { return device->scansPublished() >= published + 2; }));
  sensor_->GetData(64);  // what the session held from before
  ASSERT_TRUE(test::waitUntil([&] {
    scan = sensor_->GetData(64);
    return scan.count == 63;
  }));
  EXPECT_EQ(scan.distance[0], -1);
  EXPECT_EQ(scan.distance[2], -1);
  EXPECT_EQ(scan.distance[3], distances[3]);
  EXPECT_EQ(scan.distance[62], distances[62]);
  EXPECT_EQ(scan.distance[63], -1);

  // A silent sensor: its newest scan is kept and ages; the statics' blocking read, which cuts its
  // scan from the frames it reads, gets nothing.
  Sensor blocking(DystanJNI::c_Dystan_create(kId));
  ASSERT_NE(blocking, nullptr);
  device->setSilent(true);
  ASSERT_TRUE(test::waitUntil([&] { return sensor_->GetData(64).ageMs >= 100; }));
  const uint8_t lastSequence = sensor_->GetData(64).sequence;
  blocking->c_Dystan_getData(64);
  ASSERT_TRUE(test::waitUntil([&] { return sensor_->GetData(64).ageMs >= 300; }));
  scan = sensor_->GetData(64);
  EXPECT_EQ(scan.sequence, lastSequence) << "no scan since";
  EXPECT_EQ(scan.count, 63);
  EXPECT_EQ(blocking->c_Dystan_getData(64).count, 0) << "a silent sensor";
  device->detach();
}

}  // namespace
