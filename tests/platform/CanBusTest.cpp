// The simulated CAN bus keeps the HAL's contracts: latest and new frames, stream sessions in
// arrival order, the sent-frame log and injected failures.

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "SimBus.h"
#include "hal/CAN.h"
#include "hal/CANAPI.h"
#include "hal/HALBase.h"
#include "hal/cpp/fpga_clock.h"
#include "korvane/sim/Can.h"
#include "korvane/sim/System.h"

using namespace korvane;

namespace {

class CanBusTest : public test::SimBusTest {
 protected:
  HAL_CANHandle open(int deviceId) {
    int32_t status = 0;
    HAL_CANHandle handle = HAL_InitializeCAN(static_cast<HAL_CANManufacturer>(12), deviceId,
                                             static_cast<HAL_CANDeviceType>(2), &status);
    EXPECT_EQ(status, 0);
    return handle;
  }
};

struct Read {
  int32_t status = 0;
  int32_t length = -1;
  uint8_t data[8] = {};
};

Read readLatest(HAL_CANHandle handle, int32_t api) {
  Read r;
  uint64_t timestamp = 0;
  HAL_ReadCANPacketLatest(handle, api, r.data, &r.length, &timestamp, &r.status);
  return r;
}

Read readNew(HAL_CANHandle handle, int32_t api) {
  Read r;
  uint64_t timestamp = 0;
  HAL_ReadCANPacketNew(handle, api, r.data, &r.length, &timestamp, &r.status);
  return r;
}

TEST_F(CanBusTest, EveryInitializeMakesANewHandleAndCleanReleasesIt) {
  HAL_CANHandle a = open(1);
  HAL_CANHandle b = open(2);
  HAL_CANHandle again = open(1);
  EXPECT_NE(a, 0);
  EXPECT_NE(b, 0);
  EXPECT_NE(a, b);
  EXPECT_NE(again, a) << "as WPILib's CAN API: a handle per initialize, not per device";
  EXPECT_EQ(sim::openCanHandles(), 3);
  HAL_CleanCAN(a);
  HAL_CleanCAN(a);
  HAL_CleanCAN(b);
  HAL_CleanCAN(again);
  EXPECT_EQ(sim::openCanHandles(), 0);
  EXPECT_NE(readLatest(a, 41).status, 0) << "a cleaned handle is not read";
  EXPECT_EQ(open(4), a) << "as WPILib's CAN API: the lowest free index again";
}

TEST_F(CanBusTest, NewGivesAFrameOnceAndLatestKeepsTheHandlesLastOne) {
  HAL_CANHandle handle = open(3);
  EXPECT_EQ(readLatest(handle, 41).status, HAL_ERR_CANSessionMux_MessageNotFound);
  EXPECT_EQ(readNew(handle, 41).status, HAL_ERR_CANSessionMux_MessageNotFound);

  sim::injectFrame(0x020C0A43, {0x18, 0xFC, 0xFF, 0xFF});  // API 41, device 3
  sim::injectFrame(0x020C0A44, {0x01});                    // same API, device 4: not ours
  Read latest = readLatest(handle, 41);
  EXPECT_EQ(latest.status, 0);
  EXPECT_EQ(latest.length, 4);
  EXPECT_EQ(test::hex({latest.data, latest.data + 4}), "18 FC FF FF");
  Read kept = readLatest(handle, 41);
  EXPECT_EQ(kept.status, 0) << "latest keeps answering from the handle's copy";
  EXPECT_EQ(kept.length, 4);
  EXPECT_EQ(kept.data[0], 0x18);
  EXPECT_EQ(readNew(handle, 41).status, HAL_ERR_CANSessionMux_MessageNotFound)
      << "the latest read already received the frame";

  sim::injectFrame(0x020C0A43, {0x39, 0x30, 0, 0});
  sim::injectFrame(0x020C0A43, {0x3A, 0x30, 0, 0});  // the newer one replaces it unread
  Read fresh = readNew(handle, 41);
  EXPECT_EQ(fresh.status, 0);
  EXPECT_EQ(fresh.data[0], 0x3A);
  EXPECT_EQ(readNew(handle, 41).status, HAL_ERR_CANSessionMux_MessageNotFound);
  EXPECT_EQ(readLatest(handle, 41).data[0], 0x3A) << "the new read updated the handle's copy";

  HAL_CANHandle other = open(3);
  EXPECT_EQ(readLatest(other, 41).status, HAL_ERR_CANSessionMux_MessageNotFound)
      << "another handle has no copy of its own yet";
  HAL_CleanCAN(other);
  HAL_CleanCAN(handle);
}

TEST_F(CanBusTest, StreamSessionsDeliverMatchingFramesInOrderOnceAndBounded) {
  uint32_t session = 0;
  int32_t status = -1;
  HAL_CAN_OpenStreamSession(&session, 0x04090000, 0x1FFF0000, 3, &status);
  ASSERT_EQ(status, 0);
  HAL_CANStreamMessage messages[8] = {};
  uint32_t read = 99;
  HAL_CAN_ReadStreamSession(session, messages, 8, &read, &status);
  EXPECT_EQ(read, 0u);
  EXPECT_EQ(status, HAL_ERR_CANSessionMux_MessageNotFound);

  sim::injectFrame(0x04090585, {1, 2, 3});
  sim::injectFrame(0x05090585, {9});  // other upper bits: not matched
  sim::injectFrame(0x04090540, {4, 5});
  HAL_CAN_ReadStreamSession(session, messages, 1, &read, &status);
  ASSERT_EQ(read, 1u);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(messages[0].messageID, 0x04090585u);
  EXPECT_EQ(messages[0].dataSize, 3);
  HAL_CAN_ReadStreamSession(session, messages, 8, &read, &status);
  ASSERT_EQ(read, 1u);
  EXPECT_EQ(messages[0].messageID, 0x04090540u);

  // Four frames into room for three: the oldest is dropped and the read warns of the overrun.
  for (uint8_t i = 0; i < 4; ++i) sim::injectFrame(0x04090001, {i});
  HAL_CAN_ReadStreamSession(session, messages, 8, &read, &status);
  EXPECT_EQ(read, 3u);
  EXPECT_EQ(status, HAL_ERR_CANSessionMux_SessionOverrun);
  EXPECT_EQ(messages[0].data[0], 1);
  EXPECT_EQ(messages[2].data[0], 3);

  EXPECT_EQ(sim::openStreamSessions(), 1);
  HAL_CAN_CloseStreamSession(session);
  EXPECT_EQ(sim::openStreamSessions(), 0);
  HAL_CAN_ReadStreamSession(session, messages, 8, &read, &status);
  EXPECT_NE(status, 0);
}

TEST_F(CanBusTest, ReceiveMessageGivesTheNewestMatchingFrameOnce) {
  uint32_t id = 0x04090540;
  uint8_t data[8] = {};
  uint8_t size = 0;
  uint32_t timestamp = 0;
  int32_t status = 0;
  HAL_CAN_ReceiveMessage(&id, 0x1FFFFFFF, data, &size, &timestamp, &status);
  EXPECT_EQ(status, HAL_ERR_CANSessionMux_MessageNotFound);
  sim::injectFrame(0x04090540, {1, 2, 3, 4, 5, 6, 7, 8});
  sim::injectFrame(0x04090540, {8, 7});
  uint32_t before = static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              hal::fpga_clock::now().time_since_epoch())
                                              .count());
  HAL_CAN_ReceiveMessage(&id, 0x1FFFFFFF, data, &size, &timestamp, &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(size, 2);
  EXPECT_EQ(data[0], 8);
  EXPECT_EQ(id, 0x04090540u);
  EXPECT_LE(timestamp, before) << "milliseconds of the monotonic clock, stamped on arrival";
  EXPECT_GE(timestamp + 60000, before);
  HAL_CAN_ReceiveMessage(&id, 0x1FFFFFFF, data, &size, &timestamp, &status);
  EXPECT_EQ(status, HAL_ERR_CANSessionMux_MessageNotFound) << "each frame is received once";

  // Under a wider mask: the newest matching frame not yet received, then the one before it.
  sim::injectFrame(0x04090541, {1});
  sim::injectFrame(0x04090542, {2});
  for (uint8_t expected : {2, 1}) {
    id = 0x04090540;
    HAL_CAN_ReceiveMessage(&id, 0x1FFFFFF0, data, &size, &timestamp, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(data[0], expected);
    EXPECT_EQ(id, 0x04090540u + expected);
  }
  HAL_CAN_ReceiveMessage(&id, 0x1FFFFFF0, data, &size, &timestamp, &status);
  EXPECT_EQ(status, HAL_ERR_CANSessionMux_MessageNotFound);
}

TEST_F(CanBusTest, SentFramesAreLoggedWithTimestampsAndReachAttachedDevices) {
  struct Recorder : sim::CanDevice {
    std::vector<uint32_t> ids;
    void onFrameSent(const sim::CanFrame& f) override { ids.push_back(f.id); }
  };
  auto recorder = std::make_shared<Recorder>();
  sim::ListenerId listener = sim::attachDevice(recorder);
  uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  int32_t status = -1;
  int64_t before = std::chrono::duration_cast<std::chrono::microseconds>(
                       hal::fpga_clock::now().time_since_epoch())
                       .count();
  HAL_CAN_SendMessage(0x020C0081, data, 8, 0, &status);
  EXPECT_EQ(status, 0);
  HAL_CAN_SendMessage(0x020C0082, data, 9, 0, &status);
  EXPECT_EQ(status, HAL_ERR_CANSessionMux_InvalidBuffer);
  auto frames = sim::sentFrames();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(test::hex(frames[0]), "01 02 03 04 05 06 07 08");
  EXPECT_GE(frames[0].timestampUs, before);
  EXPECT_EQ(recorder->ids, std::vector<uint32_t>{0x020C0081});
  sim::detachDevice(listener);
  HAL_CAN_SendMessage(0x020C0083, data, 8, 0, &status);
  EXPECT_EQ(recorder->ids.size(), 1u);
  sim::clearSentFrames();
  EXPECT_TRUE(sim::sentFrames().empty());
}

TEST_F(CanBusTest, InjectedFailuresReturnTheStatusOrRaise) {
  uint8_t data[8] = {};
  int32_t status = 0;
  sim::failCanCalls(sim::CanCall::SendMessage, -44088, 2);
  HAL_CAN_SendMessage(0x1, data, 8, 0, &status);
  EXPECT_EQ(status, -44088);
  HAL_CAN_SendMessage(0x1, data, 8, 0, &status);
  EXPECT_EQ(status, -44088);
  HAL_CAN_SendMessage(0x1, data, 8, 0, &status);
  EXPECT_EQ(status, 0) << "only the next two calls fail";
  EXPECT_EQ(sim::sentFrames().size(), 1u);

  HAL_CANHandle handle = open(5);
  sim::injectFrame(0x020C0BC5, {42, 50});
  sim::failCanCalls(sim::CanCall::ReadPacketLatest, 0, -1, /*throwInstead=*/true);
  EXPECT_THROW(readLatest(handle, 47), std::runtime_error);
  EXPECT_THROW(readLatest(handle, 47), std::runtime_error);
  sim::clearCanFailures();
  EXPECT_EQ(readLatest(handle, 47).data[0], 42);

  // Packet reads receive through the bus: a failing receive fails a new read, and a latest read
  // answers from the handle's copy.
  sim::injectFrame(0x020C0BC5, {43});
  sim::failCanCalls(sim::CanCall::ReceiveMessage, -44087);
  EXPECT_EQ(readNew(handle, 47).status, -44087);
  Read fallback = readLatest(handle, 47);
  EXPECT_EQ(fallback.status, 0);
  EXPECT_EQ(fallback.data[0], 42);
  sim::clearCanFailures();
  EXPECT_EQ(readNew(handle, 47).data[0], 43) << "the failed reads took nothing";

  sim::failCanCalls(sim::CanCall::InitializeCAN, -1029, 1);
  int32_t initStatus = 0;
  EXPECT_EQ(HAL_InitializeCAN(static_cast<HAL_CANManufacturer>(12), 1,
                              static_cast<HAL_CANDeviceType>(2), &initStatus),
            HAL_kInvalidHandle);
  EXPECT_EQ(initStatus, -1029);
  HAL_CleanCAN(handle);
}

TEST_F(CanBusTest, WaitForSentFramesWakesOnANewFrame) {
  std::thread sender([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    uint8_t data[8] = {};
    int32_t status = 0;
    HAL_CAN_SendMessage(0x7, data, 8, 0, &status);
  });
  EXPECT_TRUE(
      sim::waitForSentFrames([](const auto& f) { return !f.empty(); }, std::chrono::seconds(5)));
  sender.join();
  EXPECT_FALSE(sim::waitForSentFrames([](const auto& f) { return f.size() > 5; },
                                      std::chrono::milliseconds(20)));
}

TEST(SystemState, FollowsTheSimulationControl) {
  int32_t status = -1;
  sim::setSystemActive(true);
  EXPECT_EQ(HAL_GetSystemActive(&status), 1);
  EXPECT_EQ(status, 0);
  sim::setSystemActive(false);
  EXPECT_EQ(HAL_GetSystemActive(&status), 0);
}

}  // namespace
