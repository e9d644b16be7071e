// Identity: the info record fetched with retries and cached per handle, its texts, and the
// serial number read fresh on every call. The silent-controller cases sleep about 1.1 s each
// and are kept together.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "SimBus.h"
#include "TorqaJNI.h"
#include "korvane/sim/Can.h"
#include "sim/torqa/TorqaSim.h"

using namespace korvane;
using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

namespace {

constexpr int kDevice = 3;
constexpr uint32_t kInfoRequest = 0x020C0100 + kDevice;
constexpr uint32_t kSerialRequest = 0x020C0180 + kDevice;

class TorqaIdentityTest : public test::SimBusTest {
 protected:
  void SetUp() override {
    test::SimBusTest::SetUp();
    controller = sim::TorqaSim::attach(kDevice);
  }
  void TearDown() override {
    if (handle != 0) TorqaJNI::c_Torqa_destroy(handle);
    controller->detach();
    test::SimBusTest::TearDown();
  }
  void open() {
    if (handle != 0) TorqaJNI::c_Torqa_destroy(handle);
    handle = TorqaJNI::c_Torqa_create(kDevice, 1000);
    ASSERT_NE(handle, 0);
    sim::clearSentFrames();
  }
  std::string failureLine() const {
    return "[Torqa] Device ID could not be obtained (handle=" + std::to_string(handle) +
           ", deviceID=" + std::to_string(kDevice) + ")\n";
  }

  std::shared_ptr<sim::TorqaSim> controller;
  long handle = 0;
};

TEST_F(TorqaIdentityTest, AnAnsweringControllerIsAskedOnceAndCached) {
  controller->setInfoRecord({0x03, 0x01, 0x02, 0x0A, 0x01, 0x05, 0x00, 0x00});
  open();
  CaptureStderr();
  EXPECT_EQ(TorqaJNI::c_Torqa_getID(handle), 3);
  EXPECT_EQ(test::framesWithId(kInfoRequest).size(), 1u);
  EXPECT_EQ(test::hex(test::framesWithId(kInfoRequest)[0]), "00 00 00 00 00 00 00 00");
  EXPECT_EQ(TorqaJNI::c_Torqa_getID(handle), 3);
  EXPECT_EQ(TorqaJNI::c_Torqa_getFirmwareVersion(handle), "Firmware Version: [1.2.10]");
  EXPECT_EQ(TorqaJNI::c_Torqa_getHardwareVersion(handle), "Hardware: Torqa Quad, Version: 5");
  EXPECT_EQ(test::framesWithId(kInfoRequest).size(), 1u) << "later calls use the cache";
  EXPECT_EQ(controller->infoRequestCount(), 1);
  EXPECT_EQ(GetCapturedStderr(), "");
}

TEST_F(TorqaIdentityTest, TextsPrintBytesUnsignedAndNameTheHardware) {
  controller->setInfoRecord({0x03, 200, 0xFF, 0x80, 0x02, 0x00, 0x00, 0x00});
  open();
  EXPECT_EQ(TorqaJNI::c_Torqa_getFirmwareVersion(handle), "Firmware Version: [200.255.128]");
  EXPECT_EQ(TorqaJNI::c_Torqa_getHardwareVersion(handle), "Hardware: Torqa Small, Version: 0");

  // A new create of the handle forgets the cached record.
  controller->setInfoRecord({0xC8, 0, 0, 0, 0x07, 0x09, 0x00, 0x00});
  open();
  EXPECT_EQ(TorqaJNI::c_Torqa_getHardwareVersion(handle), "No Hardware Found!");
  EXPECT_EQ(TorqaJNI::c_Torqa_getID(handle), 200) << "unsigned";
}

TEST_F(TorqaIdentityTest, EachControllerKeepsItsOwnRecord) {
  controller->setInfoRecord({kDevice, 1, 0, 0, 0x01, 0x05, 0x00, 0x00});
  auto other = sim::TorqaSim::attach(kDevice + 1);
  other->setInfoRecord({kDevice + 1, 2, 0, 0, 0x02, 0x06, 0x00, 0x00});
  open();
  long otherHandle = TorqaJNI::c_Torqa_create(kDevice + 1, 1000);
  ASSERT_NE(otherHandle, 0);
  EXPECT_EQ(TorqaJNI::c_Torqa_getID(handle), kDevice);
  EXPECT_EQ(TorqaJNI::c_Torqa_getID(otherHandle), kDevice + 1);
  EXPECT_EQ(TorqaJNI::c_Torqa_getFirmwareVersion(handle), "Firmware Version: [1.0.0]");
  EXPECT_EQ(TorqaJNI::c_Torqa_getHardwareVersion(otherHandle), "Hardware: Torqa Small, Version: 6");
  // Closing one forgets its record only.
  TorqaJNI::c_Torqa_destroy(otherHandle);
  EXPECT_TRUE(EnsureTorqaInfoCached(handle, kDevice));
  EXPECT_EQ(controller->infoRequestCount(), 1);
  EXPECT_EQ(other->infoRequestCount(), 1);
  other->detach();
}

TEST_F(TorqaIdentityTest, ARaisingReadCountsAsAFailedAttempt) {
  open();
  TorqaJNI::c_Torqa_destroy(0);  // no heartbeat, whose status reads would take the failure
  sim::failCanCalls(sim::CanCall::ReadPacketLatest, 0, 1, /*throwInstead=*/true);
  CaptureStdout();
  EXPECT_EQ(TorqaJNI::c_Torqa_getID(handle), kDevice);
  EXPECT_EQ(GetCapturedStdout(), "");
  EXPECT_EQ(test::framesWithId(kInfoRequest).size(), 2u);
}

TEST_F(TorqaIdentityTest, ASilentOrUnnumberedControllerGetsEightRequestsAndOneLine) {
  controller->setInfoReply(sim::TorqaSim::InfoReply::Silent);
  open();
  CaptureStderr();
  EXPECT_EQ(TorqaJNI::c_Torqa_getID(handle), 0);
  EXPECT_EQ(GetCapturedStderr(), failureLine());
  auto requests = test::framesWithId(kInfoRequest);
  ASSERT_EQ(requests.size(), 8u);
  // Each attempt waits at least 50, 75, ... 225 ms before it reads.
  for (size_t i = 1; i < requests.size(); ++i) {
    EXPECT_GE(requests[i].timestampUs - requests[i - 1].timestampUs, (50 + 25 * (i - 1)) * 1000)
        << i;
  }
  // A failure is not cached: every call tries again.
  CaptureStderr();
  EXPECT_EQ(TorqaJNI::c_Torqa_getFirmwareVersion(handle), "Firmware Version: (read failed)");
  EXPECT_EQ(GetCapturedStderr(), failureLine());
  EXPECT_EQ(test::framesWithId(kInfoRequest).size(), 16u);

  controller->setInfoReply(sim::TorqaSim::InfoReply::ZeroDeviceNumber);
  sim::clearSentFrames();
  CaptureStderr();
  EXPECT_EQ(TorqaJNI::c_Torqa_getHardwareVersion(handle), "Hardware: (read failed)");
  EXPECT_EQ(GetCapturedStderr(), failureLine());
  EXPECT_EQ(test::framesWithId(kInfoRequest).size(), 8u);
  EXPECT_EQ(controller->infoRequestCount(), 24);
}

TEST_F(TorqaIdentityTest, SerialNumberIsAskedForOnEveryCall) {
  controller->setSerialNumber(0x0012A4F0, 0x00000000, 0xDEADBEEF);
  open();
  EXPECT_EQ(TorqaJNI::c_Torqa_getSerialNumber(handle), "0012A4F0-00000000-DEADBEEF");
  controller->setSerialNumber(0xFFFFFFFF, 0x1, 0xABCDEF);
  EXPECT_EQ(TorqaJNI::c_Torqa_getSerialNumber(handle), "FFFFFFFF-00000001-00ABCDEF");
  EXPECT_EQ(test::framesWithId(kSerialRequest).size(), 2u);

  // Frames already read are not read again: a controller that stops answering reads as zeros.
  controller->setSerialAnswers(false);
  EXPECT_EQ(TorqaJNI::c_Torqa_getSerialNumber(handle), "00000000-00000000-00000000");

  // A raising read prints its word's text and the others are still read.
  controller->setSerialAnswers(true);
  sim::failCanCalls(sim::CanCall::ReadPacketNew, 0, 1, /*throwInstead=*/true);
  CaptureStdout();
  EXPECT_EQ(TorqaJNI::c_Torqa_getSerialNumber(handle), "00000000-00000001-00ABCDEF");
  EXPECT_EQ(GetCapturedStdout(), "Serial number word 1 could not be obtained\n");
}

TEST(TorqaIdentityWithoutController, SerialNumberIsAllZeros) {
  sim::resetCan();
  long handle = TorqaJNI::c_Torqa_create(kDevice, 1000);
  ASSERT_NE(handle, 0);
  EXPECT_EQ(TorqaJNI::c_Torqa_getSerialNumber(handle), "00000000-00000000-00000000");
  TorqaJNI::c_Torqa_destroy(handle);
  sim::resetCan();
}

}  // namespace
