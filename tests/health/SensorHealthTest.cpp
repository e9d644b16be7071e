// The colour and distance sensors' health over CAN on either HAL, their simulators on the
// simulated bus: heard from while they stream, not heard from and their data ageing once silenced
// or detached, heard again when they resume; failing sends counted. Each change is one
// driver-station report.

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "SensorHealth.h"
#include "common/DriverStationReport.h"
#include "korvane/Dystan.h"
#include "korvane/Kromel.h"
#include "korvane/sim/Can.h"
#include "sim/dystan/DystanCanSim.h"
#include "sim/kromel/KromelCanSim.h"

using namespace korvane;
using korvane::test::expectSilentAndAgeing;
using korvane::test::SensorHealthTest;
namespace code = korvane::report_code;

namespace {

// The HAL's status for a CAN call it refuses (HAL_ERR_CANSessionMux_NotAllowed), in every
// WPILib generation.
constexpr int32_t kCanNotAllowed = -44088;

TEST_F(SensorHealthTest, ColourSensorOnCanSilentAndBack) {
  auto sim = sim::KromelCanSim::attach();
  Kromel kromel(3);
  ASSERT_TRUE(kromel.IsOpen());
  EXPECT_TRUE(test::waitUntil([&] { return kromel.IsConnected(); }));

  sim->detach();
  expectSilentAndAgeing(kromel);
  EXPECT_TRUE(reports_.waitFor(code::kSilent, "Kromel[3]")) << reports_.text();
  sim = sim::KromelCanSim::attach();
  EXPECT_TRUE(test::waitUntil([&] { return kromel.IsConnected(); }));
  EXPECT_TRUE(reports_.waitFor(code::kHeardAgain, "Kromel[3]")) << reports_.text();
  EXPECT_EQ(reports_.count(code::kSilent, "Kromel[3]"), 1u) << reports_.text();
  sim->detach();
}

// A colour frame is received once; the one isConnected received is still getColor's.
TEST_F(SensorHealthTest, ColourSensorOnCanAskedKeepsTheFrameItReceivedForTheReading) {
  Kromel kromel(3);
  ASSERT_TRUE(kromel.IsOpen());
  EXPECT_FALSE(kromel.IsConnected());
  EXPECT_EQ(kromel.GetDataAgeMs(), -1);
  sim::injectFrame(0x04090540, {0x07, 0x00, 0x10, 0x27, 0, 0, 0, 0});
  EXPECT_TRUE(kromel.IsConnected());
  EXPECT_GE(kromel.GetDataAgeMs(), 0);
  Kromel::ColorData reading = kromel.GetColor();
  EXPECT_TRUE(reading.valid);
  EXPECT_EQ(reading.sequence, 7);
  EXPECT_FLOAT_EQ(reading.x, 1.0f);
  // Its age is counted from the frame's receive stamp, as the sensor's data age is.
  EXPECT_GE(reading.ageMs, 0);
  EXPECT_LE(reading.ageMs, kromel.GetDataAgeMs());
  EXPECT_FALSE(kromel.GetColor().valid) << "once only, as before";
  EXPECT_EQ(kromel.GetColor().ageMs, -1) << "no reading, no age";
}

TEST_F(SensorHealthTest, DistanceSensorOnCanSilentAndBack) {
  auto sim = sim::DystanCanSim::attach(5, 20);
  Dystan dystan(5);
  ASSERT_TRUE(dystan.IsOpen());
  EXPECT_TRUE(test::waitUntil([&] { return dystan.IsConnected(); }));
  // Heard from with its first chunk; a whole scan follows within a scan period (later on a slow
  // machine or under emulation). The health's look at the newest chunk takes none from the scans.
  EXPECT_TRUE(test::waitUntil([&] { return dystan.GetData(64).count == 64; }))
      << "its scans are all still there";

  sim->setSilent(true);
  expectSilentAndAgeing(dystan);
  EXPECT_TRUE(reports_.waitFor(code::kSilent, "Dystan[5]")) << reports_.text();
  sim->setSilent(false);
  EXPECT_TRUE(test::waitUntil([&] { return dystan.IsConnected(); }));
  EXPECT_TRUE(reports_.waitFor(code::kHeardAgain, "Dystan[5]")) << reports_.text();

  // Another sensor's frames are not this one's.
  sim->detach();
  auto other = sim::DystanCanSim::attach(6, 20);
  expectSilentAndAgeing(dystan);
  other->detach();
}

// Sends that fail over CAN count, and their start and end are told once each.
TEST_F(SensorHealthTest, FailingCommandSendsAreCountedAndReportedOnceEachWay) {
  auto sim = sim::KromelCanSim::attach();
  Kromel kromel(2);
  ASSERT_TRUE(kromel.IsOpen());
  sim::failCanCalls(sim::CanCall::SendMessage, kCanNotAllowed);
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(kromel.SetBrightness(50));
  EXPECT_EQ(kromel.GetFaults().sendFailures, 3u);
  sim::clearCanFailures();
  EXPECT_TRUE(kromel.SetBrightness(50));
  EXPECT_TRUE(kromel.SetBrightness(60));
  EXPECT_EQ(reports_.count(code::kSendsFailing, "Kromel[2]"), 1u) << reports_.text();
  EXPECT_EQ(reports_.count(code::kSendsWorking, "Kromel[2]"), 1u) << reports_.text();
  sim->detach();
}

}  // namespace
