// The colour and distance sensors' health over USB, their emulators on pseudo-terminals (Linux
// only): heard from while they stream, silent and heard again, and hung up, each reported by the
// reader thread as it happens, once.

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "SensorHealth.h"
#include "common/DriverStationReport.h"
#include "korvane/sim/Can.h"
#include "sim/dystan/DystanUsbSim.h"
#include "sim/kromel/KromelUsbSim.h"

using namespace korvane;
using korvane::test::Dystan;
using korvane::test::DystanHealth;
using korvane::test::expectSilentAndAgeing;
using korvane::test::Kromel;
using korvane::test::KromelHealth;
using korvane::test::SensorHealthTest;
namespace code = korvane::report_code;

namespace {

TEST_F(SensorHealthTest, ColourSensorOnUsbSilentHungUpAndReportedAsItHappens) {
  auto sim = sim::KromelUsbSim::start(20);
  ASSERT_TRUE(sim);
  Kromel kromel(KromelJNI::c_Kromel_createUsb(sim->path().c_str(), 20));
  ASSERT_TRUE(kromel);
  const std::string name = "Kromel[" + sim->path() + "]";
  KromelHealth health{kromel.get()};
  EXPECT_TRUE(test::waitUntil([&] { return health.isConnected(); }));

  // Nobody asks: the reader notices the silence and its end, and says so.
  sim->setStreaming(false);
  EXPECT_TRUE(reports_.waitFor(code::kSilent, name)) << reports_.text();
  EXPECT_FALSE(health.isConnected());
  sim->setStreaming(true);
  EXPECT_TRUE(reports_.waitFor(code::kHeardAgain, name)) << reports_.text();
  EXPECT_TRUE(health.isConnected());

  sim->hangUp();
  EXPECT_TRUE(reports_.waitFor(code::kHungUp, name)) << reports_.text();
  expectSilentAndAgeing(health);
  EXPECT_TRUE(kromel->c_Kromel_getColor().valid) << "the last reading stays";
  EXPECT_EQ(reports_.count(code::kSilent, name), 1u) << reports_.text();
}

TEST_F(SensorHealthTest, DistanceSensorOnUsbSilentAndHungUp) {
  auto sim = sim::DystanUsbSim::start();
  ASSERT_TRUE(sim);
  Dystan dystan(DystanJNI::c_Dystan_createUsb(sim->path().c_str(), 15));
  ASSERT_TRUE(dystan);
  const std::string name = "Dystan[" + sim->path() + "]";
  DystanHealth health{dystan.get()};
  EXPECT_TRUE(test::waitUntil([&] { return health.isConnected(); }));

  sim->setStreaming(false);
  EXPECT_TRUE(reports_.waitFor(code::kSilent, name)) << reports_.text();
  EXPECT_FALSE(health.isConnected());
  sim->setStreaming(true);
  EXPECT_TRUE(test::waitUntil([&] { return health.isConnected(); }));

  sim->hangUp();
  EXPECT_TRUE(reports_.waitFor(code::kHungUp, name)) << reports_.text();
  expectSilentAndAgeing(health);
  const DeviceFaults faults = dystan->c_Dystan_getFaults();
  EXPECT_FALSE(faults.connected);
  EXPECT_GT(faults.dataAgeMs, 0);
}

}  // namespace
