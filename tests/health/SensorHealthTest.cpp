// The colour and distance sensors' health over CAN on either HAL, their simulators on the
// simulated bus: heard from while they stream, not heard from and their data ageing once silenced
// or detached, heard again when they resume; failing sends counted. Each change is one
// driver-station report.

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "SensorHealth.h"
#include "common/DriverStationReport.h"
#include "korvane/sim/Can.h"
#include "sim/dystan/DystanCanSim.h"
#include "sim/kromel/KromelCanSim.h"

using namespace korvane;
using korvane::test::Dystan;
using korvane::test::DystanHealth;
using korvane::test::expectSilentAndAgeing;
using korvane::test::Kromel;
using korvane::test::KromelHealth;
using korvane::test::SensorHealthTest;
namespace code = korvane::report_code;

namespace {

// The HAL's status for a CAN call it refuses (HAL_ERR_CANSessionMux_NotAllowed), in every
// WPILib generation.
constexpr int32_t kCanNotAllowed = -44088;

TEST_F(SensorHealthTest, ColourSensorOnCanSilentAndBack) {
  auto sim = sim::KromelCanSim::attach();
  Kromel kromel(KromelJNI::c_Kromel_create(3));
  ASSERT_TRUE(kromel);
  KromelHealth health{kromel.get()};
  EXPECT_TRUE(test::waitUntil([&] { return health.isConnected(); }));

  sim->detach();
  expectSilentAndAgeing(health);
  EXPECT_TRUE(reports_.waitFor(code::kSilent, "Kromel[3]")) << reports_.text();
  sim = sim::KromelCanSim::attach();
  EXPECT_TRUE(test::waitUntil([&] { return health.isConnected(); }));
  EXPECT_TRUE(reports_.waitFor(code::kHeardAgain, "Kromel[3]")) << reports_.text();
  EXPECT_EQ(reports_.count(code::kSilent, "Kromel[3]"), 1u) << reports_.text();
  sim->detach();
}

// A colour frame is received once; the one isConnected received is still getColor's.
TEST_F(SensorHealthTest, ColourSensorOnCanAskedKeepsTheFrameItReceivedForTheReading) {
  Kromel kromel(KromelJNI::c_Kromel_create(3));
  ASSERT_TRUE(kromel);
  EXPECT_FALSE(kromel->c_Kromel_isConnected());
  EXPECT_EQ(kromel->c_Kromel_getDataAgeMs(), -1);
  sim::injectFrame(0x04090540, {0x07, 0x00, 0x10, 0x27, 0, 0, 0, 0});
  EXPECT_TRUE(kromel->c_Kromel_isConnected());
  EXPECT_GE(kromel->c_Kromel_getDataAgeMs(), 0);
  KromelJNI::ColorData reading = kromel->c_Kromel_getColor();
  EXPECT_TRUE(reading.valid);
  EXPECT_EQ(reading.sequence, 7);
  EXPECT_FLOAT_EQ(reading.x, 1.0f);
  // Its age is counted from the frame's receive stamp, as the sensor's data age is.
  EXPECT_GE(reading.ageMs, 0);
  EXPECT_LE(reading.ageMs, kromel->c_Kromel_getDataAgeMs());
  EXPECT_FALSE(kromel->c_Kromel_getColor().valid) << "once only, as before";
  EXPECT_EQ(kromel->c_Kromel_getColor().ageMs, -1) << "no reading, no age";
}

TEST_F(SensorHealthTest, DistanceSensorOnCanSilentAndBack) {
  auto sim = sim::DystanCanSim::attach(5, 20);
  Dystan dystan(DystanJNI::c_Dystan_create(5));
  ASSERT_TRUE(dystan);
  DystanHealth health{dystan.get()};
  EXPECT_TRUE(test::waitUntil([&] { return health.isConnected(); }));
  // Heard from with its first chunk; a whole scan follows within a scan period (later on a slow
  // machine or under emulation). The health's look at the newest chunk takes none from the scans.
  EXPECT_TRUE(test::waitUntil([&] { return dystan->c_Dystan_getLatestData(64).count == 64; }))
      << "its scans are all still there";

  sim->setSilent(true);
  expectSilentAndAgeing(health);
  EXPECT_TRUE(reports_.waitFor(code::kSilent, "Dystan[5]")) << reports_.text();
  sim->setSilent(false);
  EXPECT_TRUE(test::waitUntil([&] { return health.isConnected(); }));
  EXPECT_TRUE(reports_.waitFor(code::kHeardAgain, "Dystan[5]")) << reports_.text();

  // Another sensor's frames are not this one's.
  sim->detach();
  auto other = sim::DystanCanSim::attach(6, 20);
  expectSilentAndAgeing(health);
  other->detach();
}

// Sends that fail over CAN count, and their start and end are told once each.
TEST_F(SensorHealthTest, FailingCommandSendsAreCountedAndReportedOnceEachWay) {
  auto sim = sim::KromelCanSim::attach();
  Kromel kromel(KromelJNI::c_Kromel_create(2));
  ASSERT_TRUE(kromel);
  sim::failCanCalls(sim::CanCall::SendMessage, kCanNotAllowed);
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(kromel->c_Kromel_setBrightness(50));
  EXPECT_EQ(kromel->c_Kromel_getFaults().sendFailures, 3u);
  sim::clearCanFailures();
  EXPECT_TRUE(kromel->c_Kromel_setBrightness(50));
  EXPECT_TRUE(kromel->c_Kromel_setBrightness(60));
  EXPECT_EQ(reports_.count(code::kSendsFailing, "Kromel[2]"), 1u) << reports_.text();
  EXPECT_EQ(reports_.count(code::kSendsWorking, "Kromel[2]"), 1u) << reports_.text();
  sim->detach();
}

}  // namespace
