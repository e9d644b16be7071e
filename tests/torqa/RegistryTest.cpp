// Opening and closing motor controllers: argument checks, configure frames, the open controllers
// by handle, and the HAL failure path.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SimBus.h"
#include "Torqa.h"
#include "TorqaJNI.h"
#include "Wait.h"
#include "hal/CANAPI.h"
#include "korvane/sim/Can.h"

using namespace korvane;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

class TorqaRegistryTest : public test::SimBusTest {};

struct Created {
  long handle;
  std::string output;
};

Created createCapturingOutput(int deviceID, int frequency) {
  CaptureStdout();
  long handle = TorqaJNI::c_Torqa_create(deviceID, frequency);
  return {handle, GetCapturedStdout()};
}

TEST_F(TorqaRegistryTest, RejectsDeviceNumbersOutsideOneToSixtyThreeBeforeAnything) {
  for (int deviceID : {0, 64, -1}) {
    Created c = createCapturingOutput(deviceID, 1000);
    EXPECT_EQ(c.handle, 0) << deviceID;
    EXPECT_EQ(c.output, "Device ID out of range [1;63]\n") << deviceID;
  }
  // The device number is checked first: only its text is printed.
  Created both = createCapturingOutput(0, 30000);
  EXPECT_EQ(both.handle, 0);
  EXPECT_EQ(both.output, "Device ID out of range [1;63]\n");
  EXPECT_TRUE(sim::sentFrames().empty());
  EXPECT_EQ(sim::openCanHandles(), 0);
}

TEST_F(TorqaRegistryTest, RejectsFrequenciesOutsideZeroToTwentyThousand) {
  for (int frequency : {-1, 20001, INT32_MIN}) {
    Created c = createCapturingOutput(5, frequency);
    EXPECT_EQ(c.handle, 0) << frequency;
    EXPECT_EQ(c.output, "Motor frequency out of range [0;20000]\n") << frequency;
  }
  EXPECT_TRUE(sim::sentFrames().empty());
  EXPECT_EQ(sim::openCanHandles(), 0);
}

TEST_F(TorqaRegistryTest, AcceptsTheEndsOfBothRanges) {
  for (auto [deviceID, frequency] : {std::pair{1, 0}, std::pair{63, 20000}}) {
    Created c = createCapturingOutput(deviceID, frequency);
    EXPECT_NE(c.handle, 0);
    EXPECT_EQ(c.output, "");
    EXPECT_EQ(DeviceIDForHandle(c.handle), deviceID);
    TorqaJNI::c_Torqa_destroy(c.handle);
  }
}

TEST_F(TorqaRegistryTest, CreationSendsFourConfigureFramesThenHeartbeats) {
  long handle = TorqaJNI::c_Torqa_create(5, 20000);
  ASSERT_NE(handle, 0);
  ASSERT_TRUE(
      sim::waitForSentFrames([](const auto& f) { return f.size() >= 5; }, std::chrono::seconds(5)));
  TorqaJNI::c_Torqa_destroy(handle);
  auto frames = sim::sentFrames();
  ASSERT_GE(frames.size(), 5u);
  for (int motor = 0; motor < 4; ++motor) {
    EXPECT_EQ(frames[motor].id, 0x020C0280u + 5);
    EXPECT_EQ(frames[motor].size, 8);
    std::string expected = "0" + std::to_string(motor) + " 20 4E 00 00 00 00 00";
    EXPECT_EQ(test::hex(frames[motor]), expected);
  }
  for (size_t i = 4; i < frames.size(); ++i) {
    EXPECT_EQ(frames[i].id, 0x020C0000u + 5) << "robot disabled";
    EXPECT_EQ(test::hex(frames[i]), "00 00 00 00 00 00 00 00");
  }
}

TEST_F(TorqaRegistryTest, DestroyForgetsTheHandleAndReleasesIt) {
  long handle = TorqaJNI::c_Torqa_create(7, 100);
  ASSERT_NE(handle, 0);
  EXPECT_EQ(DeviceIDForHandle(handle), 7);
  EXPECT_EQ(sim::openCanHandles(), 1);
  TorqaJNI::c_Torqa_destroy(handle);
  EXPECT_EQ(DeviceIDForHandle(handle), 0);
  EXPECT_EQ(sim::openCanHandles(), 0);
  EXPECT_EQ(TorqaJNI::runningHeartbeats(), 0u);
  // A second destroy of the same handle only erases what is no longer there.
  TorqaJNI::c_Torqa_destroy(handle);
  EXPECT_EQ(DeviceIDForHandle(handle), 0);
}

TEST_F(TorqaRegistryTest, AHandleThatWasNeverCreatedSendsToDeviceZero) {
  EXPECT_EQ(DeviceIDForHandle(4242), 0);
  TorqaJNI::c_Torqa_configureMotor(4242, 2, 1000);
  auto frames = sim::sentFrames();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].id, 0x020C0280u);
  EXPECT_EQ(test::hex(frames[0]), "02 E8 03 00 00 00 00 00");
}

TEST_F(TorqaRegistryTest, ConfigureSendsAnyMotorIndexAsItsByte) {
  long handle = TorqaJNI::c_Torqa_create(9, 0);
  ASSERT_NE(handle, 0);
  TorqaJNI::c_Torqa_destroy(handle);  // heartbeats stopped; the registry entry is gone
  sim::clearSentFrames();
  TorqaJNI::c_Torqa_configureMotor(handle, -1, 0x1234);
  EXPECT_EQ(test::hex(sim::sentFrames().at(0)), "FF 34 12 00 00 00 00 00");
}

TEST_F(TorqaRegistryTest, ADestroyedControllerCanBeCreatedAgainUnderANewHandle) {
  long before = TorqaJNI::c_Torqa_create(7, 100);
  ASSERT_NE(before, 0);
  TorqaJNI::c_Torqa_destroy(before);
  long after = TorqaJNI::c_Torqa_create(7, 100);
  ASSERT_NE(after, 0);
  EXPECT_NE(after, before) << "the HAL made a new handle";
  EXPECT_EQ(DeviceIDForHandle(after), 7);
  EXPECT_EQ(DeviceIDForHandle(before), 0);
  ASSERT_TRUE(sim::waitForSentFrames(
      [](const auto& frames) {
        for (const auto& f : frames) {
          if (f.id == 0x020C0000u + 7) return true;
        }
        return false;
      },
      std::chrono::seconds(5)))
      << "it beats again";
  sim::clearSentFrames();
  TorqaJNI::c_Torqa_setMotorStopMode(before, 1);
  TorqaJNI::c_Torqa_setMotorStopMode(after, 1);
  EXPECT_EQ(test::framesWithId(0x020C03C0u).size(), 1u) << "the stale handle: device 0";
  EXPECT_EQ(test::framesWithId(0x020C03C0u + 7).size(), 1u);
  TorqaJNI::c_Torqa_destroy(after);
}

TEST_F(TorqaRegistryTest, TwoControllersOnOneDeviceNumberAreClosedApart) {
  long first = TorqaJNI::c_Torqa_create(9, 100);
  long second = TorqaJNI::c_Torqa_create(9, 100);
  ASSERT_NE(first, 0);
  ASSERT_NE(second, 0);
  EXPECT_NE(first, second);
  TorqaJNI::c_Torqa_destroy(first);
  EXPECT_EQ(DeviceIDForHandle(first), 0);
  EXPECT_EQ(DeviceIDForHandle(second), 9);
  EXPECT_EQ(sim::openCanHandles(), 1);
  TorqaJNI::c_Torqa_destroy(second);
  EXPECT_EQ(sim::openCanHandles(), 0);
}

// A destroy through a handle that no create opened (a stale one, which on the robot may by now
// belong to another device) leaves that CAN handle alone.
TEST_F(TorqaRegistryTest, ADestroyReleasesOnlyAHandleThatACreateOpened) {
  int32_t status = 0;
  HAL_CANHandle other =
      HAL_InitializeCAN(HAL_CAN_Man_kVendor9, 3, HAL_CAN_Dev_kMiscellaneous, &status);
  ASSERT_EQ(status, 0);
  TorqaJNI::c_Torqa_destroy(other);
  EXPECT_EQ(sim::openCanHandles(), 1);
  HAL_CleanCAN(other);
}

// The library keeps up to 256 controllers open; a create beyond that fails as a HAL failure does
// and keeps no CAN handle, and closing one makes room again.
TEST_F(TorqaRegistryTest, ACreateBeyondTheOpenLimitFailsAndKeepsNoHandle) {
  constexpr int kLimit = 256;
  std::vector<long> open;
  for (int i = 0; i < kLimit; ++i) {
    open.push_back(TorqaJNI::c_Torqa_create(i % 63 + 1, 100));
    ASSERT_NE(open.back(), 0) << i;
  }
  Created refused = createCapturingOutput(5, 100);
  EXPECT_EQ(refused.handle, 0);
  EXPECT_EQ(refused.output, "Torqa could not be initialized\n");
  EXPECT_EQ(sim::openCanHandles(), kLimit);

  TorqaJNI::c_Torqa_destroy(open.back());
  open.pop_back();
  open.push_back(TorqaJNI::c_Torqa_create(5, 100));
  EXPECT_NE(open.back(), 0);
  for (long handle : open) TorqaJNI::c_Torqa_destroy(handle);
  EXPECT_EQ(sim::openCanHandles(), 0);
  EXPECT_EQ(TorqaJNI::runningHeartbeats(), 0u);
}

TEST_F(TorqaRegistryTest, HalInitialisationFailureReportsCode1000AndChangesNothing) {
  sim::failCanCalls(sim::CanCall::InitializeCAN, -1029, 1);
  Created c = createCapturingOutput(3, 1000);
  EXPECT_EQ(c.handle, 0);
  EXPECT_EQ(c.output, "Torqa could not be initialized\n");
  EXPECT_TRUE(sim::sentFrames().empty());
  EXPECT_EQ(TorqaJNI::runningHeartbeats(), 0u);
}

TEST_F(TorqaRegistryTest, HalRaisingDuringCreationReportsCode1000) {
  sim::failCanCalls(sim::CanCall::InitializeCAN, 0, 1, /*throwInstead=*/true);
  Created c = createCapturingOutput(3, 1000);
  EXPECT_EQ(c.handle, 0);
  EXPECT_EQ(c.output, "Torqa could not be initialized\n");
}

// A create that fails after the handle opened returns 0 with nothing left behind: no controller
// under the handle (its commands would go to device 0) and the handle released.
TEST_F(TorqaRegistryTest, ACreateWhoseConfigureSendRaisesClosesTheControllerAgain) {
  const long before = TorqaJNI::c_Torqa_create(3, 1000);
  TorqaJNI::c_Torqa_destroy(before);
  const long failing = before + 1;  // the stand-in hands out handles in turn
  sim::failCanCalls(sim::CanCall::SendMessage, 0, 1, /*throwInstead=*/true);
  Created c = createCapturingOutput(3, 1000);
  EXPECT_EQ(c.handle, 0);
  EXPECT_EQ(c.output, "Torqa could not be initialized\n");
  EXPECT_EQ(sim::openCanHandles(), 0);
  EXPECT_EQ(DeviceIDForHandle(failing), 0);
  EXPECT_EQ(TorqaJNI::runningHeartbeats(), 0u);
}

TEST(TorqaErrorText, CoversTheTable) {
  EXPECT_STREQ(Torqa::getErrorMessage(0), "");
  EXPECT_STREQ(Torqa::getErrorMessage(1000), "Torqa could not be initialized");
  EXPECT_STREQ(Torqa::getErrorMessage(1011), "Motor frequency could not be obtained");
  EXPECT_STREQ(Torqa::getErrorMessage(1014), "Motor current could not be obtained");
  EXPECT_STREQ(Torqa::getErrorMessage(1020), "RPM for motor 3 could not be obtained");
  EXPECT_STREQ(Torqa::getErrorMessage(1021), "Serial number word 1 could not be obtained");
  EXPECT_STREQ(Torqa::getErrorMessage(1103),
               "Encoder distance for encoder 3 could not be obtained");
  EXPECT_STREQ(Torqa::getErrorMessage(1104), "Raw distance for encoder 0 could not be obtained");
  EXPECT_STREQ(Torqa::getErrorMessage(1111), "Speed for encoder 3 could not be obtained");
  EXPECT_STREQ(Torqa::getErrorMessage(2001), "I2C device not connected");
  EXPECT_STREQ(Torqa::getErrorMessage(2002), "I2C device is connected");
  EXPECT_STREQ(Torqa::getErrorMessage(2010), "Read count bytes out of range [1;)");
  EXPECT_STREQ(Torqa::getErrorMessage(2011), "Read buffer is null");
  for (int code : {-1, 1, 1003, 1024, 1099, 1112, 2000, 2003, 2012}) {
    EXPECT_STREQ(Torqa::getErrorMessage(code), "Unknown error found") << code;
  }
}

TEST(TorqaDelay, SleepsWholeMillisecondsAndReturnsAtOnceBelowOne) {
  auto start = std::chrono::steady_clock::now();
  Torqa::delay(0, 0.0009);
  Torqa::delay(0, -3.0);
  auto quick = std::chrono::steady_clock::now() - start;
  EXPECT_LT(quick, std::chrono::milliseconds(500));
  start = std::chrono::steady_clock::now();
  Torqa::delay(0, 0.03);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
}

}  // namespace
