// korvane::Torqa, the motor controller of the C++ API, on the simulated bus: an opening that
// fails leaves a closed object whose calls send and read nothing; commands and telemetry through
// the object, byte for byte; moving hands the controller over and closing ends its heartbeat.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "ReportLog.h"
#include "SimBus.h"
#include "TorqaJNI.h"
#include "common/DriverStationReport.h"
#include "korvane/Torqa.h"
#include "korvane/sim/Can.h"
#include "torqa/Controllers.h"

using namespace korvane;

namespace {

constexpr uint32_t kSpeedBase = 0x020C0080;
constexpr uint32_t kVelocityBase = 0x020C0400;

uint32_t statusId(int api, int device) {
  return 0x020C0000u | (static_cast<uint32_t>(api) << 6) | static_cast<uint32_t>(device);
}

std::vector<std::string> framesTo(uint32_t id) {
  std::vector<std::string> frames;
  for (const auto& frame : test::framesWithId(id)) frames.push_back(test::hex(frame));
  return frames;
}

size_t runningHeartbeats() {
  return torqa::Controllers::instance().runningHeartbeats();
}

class TorqaObjectTest : public test::SimBusTest {};

TEST_F(TorqaObjectTest, AnOpeningThatFailsLeavesAClosedObjectThatIsReported) {
  test::ReportLog reports;
  testing::internal::CaptureStdout();
  Torqa noDevice(0, 1000);
  Torqa tooHigh(64, 1000);
  Torqa badFrequency(5, 20001);
  testing::internal::GetCapturedStdout();
  for (Torqa* closed : {&noDevice, &tooHigh, &badFrequency}) {
    EXPECT_FALSE(closed->IsOpen());
    EXPECT_EQ(closed->GetHandle(), 0);
  }
  EXPECT_EQ(reports.count(report_code::kNotOpened, "Torqa[0]"), 1u) << reports.text();
  EXPECT_EQ(reports.count(report_code::kNotOpened, "Torqa[64]"), 1u) << reports.text();
  EXPECT_EQ(reports.count(report_code::kNotOpened, "Torqa[5]"), 1u) << reports.text();
  EXPECT_EQ(sim::openCanHandles(), 0);

  sim::clearSentFrames();
  badFrequency.SetSpeed(0, 0.5);
  badFrequency.Autotune();
  EXPECT_TRUE(sim::sentFrames().empty()) << "a closed object sends nothing";
  EXPECT_EQ(badFrequency.GetRPM(0), 0.0);
  EXPECT_FALSE(badFrequency.TryGetRPM(0).has_value());
  EXPECT_FALSE(badFrequency.IsConnected());
  EXPECT_EQ(badFrequency.GetDataAgeMs(), -1);
  EXPECT_EQ(badFrequency.GetSerialNumber(), "");
}

TEST_F(TorqaObjectTest, CommandsAndTelemetryThroughTheObject) {
  constexpr int kDevice = 5;
  Torqa controller(kDevice, 1000);
  ASSERT_TRUE(controller.IsOpen());
  EXPECT_EQ(controller.GetDeviceId(), kDevice);

  sim::clearSentFrames();
  controller.SetSpeed(0, 0.5);
  controller.SetSpeed(1, -0.25);
  controller.SetSpeed(4, 0.5);
  controller.SetSpeed(-1, 0.5);
  EXPECT_EQ(framesTo(kSpeedBase + kDevice),
            (std::vector<std::string>{"00 32 01 00 00 00 00 00", "01 19 00 01 00 00 00 00"}));
  sim::clearSentFrames();
  controller.SetTargetVelocity(0, 12.345);
  controller.SetTargetVelocity(-1, 1.0);  // a motor outside 0..3 sends nothing, -1 too
  EXPECT_EQ(framesTo(kVelocityBase + kDevice),
            (std::vector<std::string>{"00 D3 04 00 00 00 00 00"}));

  // Motor 2's frames (the heartbeat looks at motor 0's).
  sim::injectFrame(statusId(43, kDevice), {0x39, 0x30, 0x00, 0x00, 0, 0, 0, 0});
  EXPECT_DOUBLE_EQ(controller.GetRPM(2), 123.45);
  EXPECT_DOUBLE_EQ(controller.TryGetRPM(2).value_or(0.0), 123.45);
  EXPECT_FALSE(controller.TryGetRPM(3).has_value()) << "no frame for motor 3";
  EXPECT_EQ(controller.GetRPM(7), 0.0);

  sim::injectFrame(statusId(39, kDevice), {0xD0, 0x07, 0x00, 0x00, 0, 0, 0, 0});  // 2000
  controller.SetDistancePerTick(2, 0.5);
  EXPECT_EQ(controller.GetEncoderCount(2), 2000);
  EXPECT_DOUBLE_EQ(controller.GetEncoderDistance(2), 1000.0);
  EXPECT_EQ(TorqaJNI::encoderDistPerTick[2].load(), 1.0)
      << "the controller's own, not the statics'";
}

TEST_F(TorqaObjectTest, MovingHandsTheControllerOverAndClosingEndsItsHeartbeat) {
  constexpr int kDevice = 7;
  Torqa first(kDevice, 1000);
  ASSERT_TRUE(first.IsOpen());
  EXPECT_EQ(runningHeartbeats(), 1u);
  Torqa held = std::move(first);
  EXPECT_FALSE(first.IsOpen());  // NOLINT(bugprone-use-after-move): the point of the test
  EXPECT_TRUE(held.IsOpen());
  EXPECT_EQ(runningHeartbeats(), 1u) << "moving keeps the controller and its heartbeat";

  sim::clearSentFrames();
  first.SetSpeed(0, 0.5);
  EXPECT_TRUE(framesTo(kSpeedBase + kDevice).empty());
  held.SetSpeed(0, 0.5);
  EXPECT_EQ(framesTo(kSpeedBase + kDevice).size(), 1u);

  first.Close();  // closes nothing
  EXPECT_EQ(runningHeartbeats(), 1u);
  held.Close();
  EXPECT_FALSE(held.IsOpen());
  EXPECT_EQ(runningHeartbeats(), 0u);
  EXPECT_EQ(sim::openCanHandles(), 0);
  held.Close();  // again: nothing
}

}  // namespace
