// Identity: the info record fetched with retries and cached per handle, its texts, and the
// serial number read fresh on every call. The silent-controller cases sleep about 1.1 s each
// and are kept together.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "SimBus.h"
#include "TorqaJNI.h"
#include "korvane/Torqa.h"
#include "korvane/sim/Can.h"
#include "sim/torqa/TorqaSim.h"
#include "torqa/Controllers.h"

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
    torqa.reset();
    controller->detach();
    test::SimBusTest::TearDown();
  }
  void open() {
    torqa.reset();
    torqa.emplace(kDevice, 1000);
    ASSERT_TRUE(torqa->IsOpen());
    handle = torqa->GetHandle();
    sim::clearSentFrames();
  }
  std::string failureLine() const {
    return "[Torqa] Device ID could not be obtained (handle=" + std::to_string(handle) +
           ", deviceID=" + std::to_string(kDevice) + ")\n";
  }

  std::shared_ptr<sim::TorqaSim> controller;
  std::optional<Torqa> torqa;
  int64_t handle = 0;
};

TEST_F(TorqaIdentityTest, AnAnsweringControllerIsAskedOnceAndCached) {
  controller->setInfoRecord({0x03, 0x01, 0x02, 0x0A, 0x01, 0x05, 0x00, 0x00});
  open();
  CaptureStderr();
  EXPECT_EQ(torqa->GetReportedDeviceId(), 3);
  EXPECT_EQ(test::framesWithId(kInfoRequest).size(), 1u);
  EXPECT_EQ(test::hex(test::framesWithId(kInfoRequest)[0]), "00 00 00 00 00 00 00 00");
  EXPECT_EQ(torqa->GetReportedDeviceId(), 3);
  EXPECT_EQ(torqa->GetFirmwareVersion(), "Firmware Version: [1.2.10]");
  EXPECT_EQ(torqa->GetHardwareVersion(), "Hardware: Torqa Quad, Version: 5");
  EXPECT_EQ(test::framesWithId(kInfoRequest).size(), 1u) << "later calls use the cache";
  EXPECT_EQ(controller->infoRequestCount(), 1);
  EXPECT_EQ(GetCapturedStderr(), "");
}

TEST_F(TorqaIdentityTest, TextsPrintBytesUnsignedAndNameTheHardware) {
  controller->setInfoRecord({0x03, 200, 0xFF, 0x80, 0x02, 0x00, 0x00, 0x00});
  open();
  EXPECT_EQ(torqa->GetFirmwareVersion(), "Firmware Version: [200.255.128]");
  EXPECT_EQ(torqa->GetHardwareVersion(), "Hardware: Torqa Small, Version: 0");

  // A new create of the handle forgets the cached record.
  controller->setInfoRecord({0xC8, 0, 0, 0, 0x07, 0x09, 0x00, 0x00});
  open();
  EXPECT_EQ(torqa->GetHardwareVersion(), "No Hardware Found!");
  EXPECT_EQ(torqa->GetReportedDeviceId(), 200) << "unsigned";
}

TEST_F(TorqaIdentityTest, EachControllerKeepsItsOwnRecord) {
  controller->setInfoRecord({kDevice, 1, 0, 0, 0x01, 0x05, 0x00, 0x00});
  auto other = sim::TorqaSim::attach(kDevice + 1);
  other->setInfoRecord({kDevice + 1, 2, 0, 0, 0x02, 0x06, 0x00, 0x00});
  open();
  Torqa otherTorqa(kDevice + 1, 1000);
  ASSERT_TRUE(otherTorqa.IsOpen());
  EXPECT_EQ(torqa->GetReportedDeviceId(), kDevice);
  EXPECT_EQ(otherTorqa.GetReportedDeviceId(), kDevice + 1);
  EXPECT_EQ(torqa->GetFirmwareVersion(), "Firmware Version: [1.0.0]");
  EXPECT_EQ(otherTorqa.GetHardwareVersion(), "Hardware: Torqa Small, Version: 6");
  // Closing one forgets its record only.
  otherTorqa.Close();
  EXPECT_TRUE(EnsureTorqaInfoCached(handle, kDevice));
  EXPECT_EQ(controller->infoRequestCount(), 1);
  EXPECT_EQ(other->infoRequestCount(), 1);
  other->detach();
}

TEST_F(TorqaIdentityTest, ARaisingReadCountsAsAFailedAttempt) {
  open();
  // No heartbeat, whose status reads would take the failure.
  korvane::torqa::Controllers::instance().stopEveryHeartbeat();
  sim::failCanCalls(sim::CanCall::ReadPacketLatest, 0, 1, /*throwInstead=*/true);
  CaptureStdout();
  EXPECT_EQ(torqa->GetReportedDeviceId(), kDevice);
  EXPECT_EQ(GetCapturedStdout(), "");
  EXPECT_EQ(test::framesWithId(kInfoRequest).size(), 2u);
}

TEST_F(TorqaIdentityTest, ASilentOrUnnumberedControllerGetsEightRequestsAndOneLine) {
  controller->setInfoReply(sim::TorqaSim::InfoReply::Silent);
  open();
  CaptureStderr();
  EXPECT_EQ(torqa->GetReportedDeviceId(), 0);
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
  EXPECT_EQ(torqa->GetFirmwareVersion(), "Firmware Version: (read failed)");
  EXPECT_EQ(GetCapturedStderr(), failureLine());
  EXPECT_EQ(test::framesWithId(kInfoRequest).size(), 16u);

  controller->setInfoReply(sim::TorqaSim::InfoReply::ZeroDeviceNumber);
  sim::clearSentFrames();
  CaptureStderr();
  EXPECT_EQ(torqa->GetHardwareVersion(), "Hardware: (read failed)");
  EXPECT_EQ(GetCapturedStderr(), failureLine());
  EXPECT_EQ(test::framesWithId(kInfoRequest).size(), 8u);
  EXPECT_EQ(controller->infoRequestCount(), 24);
}

TEST_F(TorqaIdentityTest, SerialNumberIsAskedForOnEveryCall) {
  controller->setSerialNumber(0x0012A4F0, 0x00000000, 0xDEADBEEF);
  open();
  EXPECT_EQ(torqa->GetSerialNumber(), "0012A4F0-00000000-DEADBEEF");
  controller->setSerialNumber(0xFFFFFFFF, 0x1, 0xABCDEF);
  EXPECT_EQ(torqa->GetSerialNumber(), "FFFFFFFF-00000001-00ABCDEF");
  EXPECT_EQ(test::framesWithId(kSerialRequest).size(), 2u);

  // Frames already read are not read again: a controller that stops answering reads as zeros.
  controller->setSerialAnswers(false);
  EXPECT_EQ(torqa->GetSerialNumber(), "00000000-00000000-00000000");

  // A raising read prints its word's text and the others are still read.
  controller->setSerialAnswers(true);
  sim::failCanCalls(sim::CanCall::ReadPacketNew, 0, 1, /*throwInstead=*/true);
  CaptureStdout();
  EXPECT_EQ(torqa->GetSerialNumber(), "00000000-00000001-00ABCDEF");
  EXPECT_EQ(GetCapturedStdout(), "Serial number word 1 could not be obtained\n");
}

TEST(TorqaIdentityWithoutController, SerialNumberIsAllZeros) {
  sim::resetCan();
  {
    Torqa torqa(kDevice, 1000);
    ASSERT_TRUE(torqa.IsOpen());
    EXPECT_EQ(torqa.GetSerialNumber(), "00000000-00000000-00000000");
  }
  sim::resetCan();
}

}  // namespace
