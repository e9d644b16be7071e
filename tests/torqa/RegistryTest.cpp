// Opening and closing motor controllers: argument checks, configure frames, the open controllers
// by handle, and the HAL failure path.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "SimBus.h"
#include "Torqa.h"
#include "TorqaJNI.h"
#include "Wait.h"
#include "hal/CANAPI.h"
#include "korvane/Torqa.h"
#include "korvane/sim/Can.h"
#include "torqa/Controllers.h"

using korvane::test::SimBusTest;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;
namespace sim = korvane::sim;
namespace test = korvane::test;

namespace {

using Controller = korvane::Torqa;

class TorqaRegistryTest : public SimBusTest {};

struct Opened {
  std::optional<Controller> controller;
  std::string output;
};

Opened openCapturingOutput(int deviceID, int frequency) {
  Opened opened;
  CaptureStdout();
  opened.controller.emplace(deviceID, frequency);
  opened.output = GetCapturedStdout();
  return opened;
}

size_t runningHeartbeats() {
  return korvane::torqa::Controllers::instance().runningHeartbeats();
}

TEST_F(TorqaRegistryTest, RejectsDeviceNumbersOutsideOneToSixtyThreeBeforeAnything) {
  for (int deviceID : {0, 64, -1}) {
    Opened o = openCapturingOutput(deviceID, 1000);
    EXPECT_FALSE(o.controller->IsOpen()) << deviceID;
    EXPECT_EQ(o.output, "Device ID out of range [1;63]\n") << deviceID;
  }
  // The device number is checked first: only its text is printed.
  Opened both = openCapturingOutput(0, 30000);
  EXPECT_FALSE(both.controller->IsOpen());
  EXPECT_EQ(both.output, "Device ID out of range [1;63]\n");
  EXPECT_TRUE(sim::sentFrames().empty());
  EXPECT_EQ(sim::openCanHandles(), 0);
}

TEST_F(TorqaRegistryTest, RejectsFrequenciesOutsideZeroToTwentyThousand) {
  for (int frequency : {-1, 20001, INT32_MIN}) {
    Opened o = openCapturingOutput(5, frequency);
    EXPECT_FALSE(o.controller->IsOpen()) << frequency;
    EXPECT_EQ(o.output, "Motor frequency out of range [0;20000]\n") << frequency;
  }
  EXPECT_TRUE(sim::sentFrames().empty());
  EXPECT_EQ(sim::openCanHandles(), 0);
}

TEST_F(TorqaRegistryTest, AcceptsTheEndsOfBothRanges) {
  for (auto [deviceID, frequency] : {std::pair{1, 0}, std::pair{63, 20000}}) {
    Opened o = openCapturingOutput(deviceID, frequency);
    EXPECT_TRUE(o.controller->IsOpen());
    EXPECT_EQ(o.output, "");
    EXPECT_EQ(o.controller->GetDeviceId(), deviceID);
    EXPECT_EQ(DeviceIDForHandle(o.controller->GetHandle()), deviceID);
  }
}

TEST_F(TorqaRegistryTest, CreationSendsFourConfigureFramesThenHeartbeats) {
  std::optional<Controller> controller(std::in_place, 5, 20000);
  ASSERT_TRUE(controller->IsOpen());
  ASSERT_TRUE(
      sim::waitForSentFrames([](const auto& f) { return f.size() >= 5; }, std::chrono::seconds(5)));
  controller.reset();
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

TEST_F(TorqaRegistryTest, CloseForgetsTheHandleAndReleasesIt) {
  Controller controller(7, 100);
  ASSERT_TRUE(controller.IsOpen());
  const long handle = static_cast<long>(controller.GetHandle());
  EXPECT_EQ(DeviceIDForHandle(handle), 7);
  EXPECT_EQ(sim::openCanHandles(), 1);
  controller.Close();
  EXPECT_FALSE(controller.IsOpen());
  EXPECT_EQ(DeviceIDForHandle(handle), 0);
  EXPECT_EQ(sim::openCanHandles(), 0);
  EXPECT_EQ(runningHeartbeats(), 0u);
  // A second close does nothing; the static destroy of the same handle (its own rule) only erases
  // what is no longer there.
  controller.Close();
  TorqaJNI::c_Torqa_destroy(handle);
  EXPECT_EQ(DeviceIDForHandle(handle), 0);
  EXPECT_EQ(sim::openCanHandles(), 0);
}

// The static's own rule: a handle that was never created sends to device 0.
TEST_F(TorqaRegistryTest, AHandleThatWasNeverCreatedSendsToDeviceZero) {
  EXPECT_EQ(DeviceIDForHandle(4242), 0);
  TorqaJNI::c_Torqa_configureMotor(4242, 2, 1000);
  auto frames = sim::sentFrames();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].id, 0x020C0280u);
  EXPECT_EQ(test::hex(frames[0]), "02 E8 03 00 00 00 00 00");
}

// The static configure's own rule: any motor index is sent as its byte.
TEST_F(TorqaRegistryTest, ConfigureSendsAnyMotorIndexAsItsByte) {
  long handle = 0;
  {
    Controller controller(9, 0);
    ASSERT_TRUE(controller.IsOpen());
    handle = static_cast<long>(controller.GetHandle());
  }  // heartbeats stopped; the registry entry is gone
  sim::clearSentFrames();
  TorqaJNI::c_Torqa_configureMotor(handle, -1, 0x1234);
  EXPECT_EQ(test::hex(sim::sentFrames().at(0)), "FF 34 12 00 00 00 00 00");
}

TEST_F(TorqaRegistryTest, AClosedControllerCanBeOpenedAgain) {
  std::optional<Controller> first(std::in_place, 7, 100);
  ASSERT_TRUE(first->IsOpen());
  first.reset();
  Controller again(7, 100);
  ASSERT_TRUE(again.IsOpen());
  // The HAL may give the closed controller's handle again (WPILib's does: its lowest free one).
  const long after = static_cast<long>(again.GetHandle());
  EXPECT_EQ(DeviceIDForHandle(after), 7);
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
  again.SetStopMode(1);
  EXPECT_EQ(test::framesWithId(0x020C03C0u + 7).size(), 1u);
}

TEST_F(TorqaRegistryTest, TwoControllersOnOneDeviceNumberAreClosedApart) {
  Controller first(9, 100);
  Controller second(9, 100);
  ASSERT_TRUE(first.IsOpen());
  ASSERT_TRUE(second.IsOpen());
  const long firstHandle = static_cast<long>(first.GetHandle());
  EXPECT_NE(firstHandle, second.GetHandle());
  first.Close();
  EXPECT_EQ(DeviceIDForHandle(firstHandle), 0);
  EXPECT_EQ(DeviceIDForHandle(second.GetHandle()), 9);
  EXPECT_EQ(sim::openCanHandles(), 1);
  second.Close();
  EXPECT_EQ(sim::openCanHandles(), 0);
}

// The static destroy's own rule: a destroy through a handle that no create opened (a stale one,
// which on the robot may by now belong to another device) leaves that CAN handle alone.
TEST_F(TorqaRegistryTest, ADestroyReleasesOnlyAHandleThatACreateOpened) {
  int32_t status = 0;
  HAL_CANHandle other =
      HAL_InitializeCAN(HAL_CAN_Man_kVendor9, 3, HAL_CAN_Dev_kMiscellaneous, &status);
  ASSERT_EQ(status, 0);
  TorqaJNI::c_Torqa_destroy(other);
  EXPECT_EQ(sim::openCanHandles(), 1);
  HAL_CleanCAN(other);
}

// The library keeps up to 256 controllers open; an opening beyond that fails as a HAL failure
// does and keeps no CAN handle, and closing one makes room again.
TEST_F(TorqaRegistryTest, AnOpeningBeyondTheOpenLimitFailsAndKeepsNoHandle) {
  constexpr int kLimit = 256;
  std::vector<Controller> open;
  open.reserve(kLimit);
  for (int i = 0; i < kLimit; ++i) {
    open.emplace_back(i % 63 + 1, 100);
    ASSERT_TRUE(open.back().IsOpen()) << i;
  }
  Opened refused = openCapturingOutput(5, 100);
  EXPECT_FALSE(refused.controller->IsOpen());
  EXPECT_EQ(refused.output, "Torqa could not be initialized\n");
  EXPECT_EQ(sim::openCanHandles(), kLimit);

  open.back().Close();
  open.back() = Controller(5, 100);
  EXPECT_TRUE(open.back().IsOpen());
  open.clear();
  EXPECT_EQ(sim::openCanHandles(), 0);
  EXPECT_EQ(runningHeartbeats(), 0u);
}

TEST_F(TorqaRegistryTest, HalInitialisationFailureReportsCode1000AndChangesNothing) {
  sim::failCanCalls(sim::CanCall::InitializeCAN, -1029, 1);
  Opened o = openCapturingOutput(3, 1000);
  EXPECT_FALSE(o.controller->IsOpen());
  EXPECT_EQ(o.output, "Torqa could not be initialized\n");
  EXPECT_TRUE(sim::sentFrames().empty());
  EXPECT_EQ(runningHeartbeats(), 0u);
}

TEST_F(TorqaRegistryTest, HalRaisingDuringCreationReportsCode1000) {
  sim::failCanCalls(sim::CanCall::InitializeCAN, 0, 1, /*throwInstead=*/true);
  Opened o = openCapturingOutput(3, 1000);
  EXPECT_FALSE(o.controller->IsOpen());
  EXPECT_EQ(o.output, "Torqa could not be initialized\n");
}

// An opening that fails after the handle opened leaves nothing behind: no controller under the
// handle (its commands would go to device 0) and the handle released.
TEST_F(TorqaRegistryTest, AnOpeningWhoseConfigureSendRaisesClosesTheControllerAgain) {
  long before = 0;
  {
    Controller first(3, 1000);
    before = static_cast<long>(first.GetHandle());
  }
  const long failing = before;  // the HAL gives its lowest free handle, as WPILib's does
  sim::failCanCalls(sim::CanCall::SendMessage, 0, 1, /*throwInstead=*/true);
  Opened o = openCapturingOutput(3, 1000);
  EXPECT_FALSE(o.controller->IsOpen());
  EXPECT_EQ(o.output, "Torqa could not be initialized\n");
  EXPECT_EQ(sim::openCanHandles(), 0);
  EXPECT_EQ(DeviceIDForHandle(failing), 0);
  EXPECT_EQ(runningHeartbeats(), 0u);
}

TEST(TorqaErrorText, CoversTheTable) {
  EXPECT_STREQ(::Torqa::getErrorMessage(0), "");
  EXPECT_STREQ(::Torqa::getErrorMessage(1000), "Torqa could not be initialized");
  EXPECT_STREQ(::Torqa::getErrorMessage(1011), "Motor frequency could not be obtained");
  EXPECT_STREQ(::Torqa::getErrorMessage(1014), "Motor current could not be obtained");
  EXPECT_STREQ(::Torqa::getErrorMessage(1020), "RPM for motor 3 could not be obtained");
  EXPECT_STREQ(::Torqa::getErrorMessage(1021), "Serial number word 1 could not be obtained");
  EXPECT_STREQ(::Torqa::getErrorMessage(1103),
               "Encoder distance for encoder 3 could not be obtained");
  EXPECT_STREQ(::Torqa::getErrorMessage(1104), "Raw distance for encoder 0 could not be obtained");
  EXPECT_STREQ(::Torqa::getErrorMessage(1111), "Speed for encoder 3 could not be obtained");
  EXPECT_STREQ(::Torqa::getErrorMessage(2001), "I2C device not connected");
  EXPECT_STREQ(::Torqa::getErrorMessage(2002), "I2C device is connected");
  EXPECT_STREQ(::Torqa::getErrorMessage(2010), "Read count bytes out of range [1;)");
  EXPECT_STREQ(::Torqa::getErrorMessage(2011), "Read buffer is null");
  for (int code : {-1, 1, 1003, 1024, 1099, 1112, 2000, 2003, 2012}) {
    EXPECT_STREQ(::Torqa::getErrorMessage(code), "Unknown error found") << code;
  }
}

TEST(TorqaDelay, SleepsWholeMillisecondsAndReturnsAtOnceBelowOne) {
  auto start = std::chrono::steady_clock::now();
  ::Torqa::delay(0, 0.0009);
  ::Torqa::delay(0, -3.0);
  auto quick = std::chrono::steady_clock::now() - start;
  EXPECT_LT(quick, std::chrono::milliseconds(500));
  start = std::chrono::steady_clock::now();
  ::Torqa::delay(0, 0.03);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
}

}  // namespace
