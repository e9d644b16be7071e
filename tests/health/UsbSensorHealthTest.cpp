// The colour and distance sensors' health over USB, their emulators on pseudo-terminals (Linux
// only): heard from while they stream, silent and heard again, and hung up, each reported by the
// reader thread as it happens, once.

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "SensorHealth.h"
#include "common/DriverStationReport.h"
#include "korvane/Dystan.h"
#include "korvane/Kromel.h"
#include "korvane/sim/Can.h"
#include "sim/dystan/DystanUsbSim.h"
#include "sim/kromel/KromelUsbSim.h"

using namespace korvane;
using korvane::test::expectSilentAndAgeing;
using korvane::test::SensorHealthTest;
namespace code = korvane::report_code;

namespace {

TEST_F(SensorHealthTest, ColourSensorOnUsbSilentHungUpAndReportedAsItHappens) {
  auto sim = sim::KromelUsbSim::start(20);
  ASSERT_TRUE(sim);
  Kromel kromel(sim->path(), 20);
  ASSERT_TRUE(kromel.IsOpen());
  const std::string name = "Kromel[" + sim->path() + "]";
  EXPECT_TRUE(test::waitUntil([&] { return kromel.IsConnected(); }));

  // Nobody asks: the reader notices the silence and its end, and says so.
  sim->setStreaming(false);
  EXPECT_TRUE(reports_.waitFor(code::kSilent, name)) << reports_.text();
  EXPECT_FALSE(kromel.IsConnected());
  sim->setStreaming(true);
  EXPECT_TRUE(reports_.waitFor(code::kHeardAgain, name)) << reports_.text();
  EXPECT_TRUE(kromel.IsConnected());

  sim->hangUp();
  EXPECT_TRUE(reports_.waitFor(code::kHungUp, name)) << reports_.text();
  expectSilentAndAgeing(kromel);
  EXPECT_TRUE(kromel.GetColor().valid) << "the last reading stays";
  EXPECT_EQ(reports_.count(code::kSilent, name), 1u) << reports_.text();
}

TEST_F(SensorHealthTest, DistanceSensorOnUsbSilentAndHungUp) {
  auto sim = sim::DystanUsbSim::start();
  ASSERT_TRUE(sim);
  Dystan dystan(sim->path(), 15);
  ASSERT_TRUE(dystan.IsOpen());
  const std::string name = "Dystan[" + sim->path() + "]";
  EXPECT_TRUE(test::waitUntil([&] { return dystan.IsConnected(); }));

  sim->setStreaming(false);
  EXPECT_TRUE(reports_.waitFor(code::kSilent, name)) << reports_.text();
  EXPECT_FALSE(dystan.IsConnected());
  sim->setStreaming(true);
  EXPECT_TRUE(test::waitUntil([&] { return dystan.IsConnected(); }));

  sim->hangUp();
  EXPECT_TRUE(reports_.waitFor(code::kHungUp, name)) << reports_.text();
  expectSilentAndAgeing(dystan);
  const DeviceFaults faults = dystan.GetFaults();
  EXPECT_FALSE(faults.connected);
  EXPECT_GT(faults.dataAgeMs, 0);
}

}  // namespace
