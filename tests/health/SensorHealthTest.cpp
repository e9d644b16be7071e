// The colour and distance sensors' health on either HAL, over CAN (their simulators on the
// simulated bus) and over USB (their emulators on pseudo-terminals): heard from while they
// stream, not heard from and their data ageing once silenced, detached or hung up, heard again
// when they resume. Each change is one driver-station report.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "DystanJNI.h"
#include "KromelJNI.h"
#include "ReportLog.h"
#include "SimBus.h"
#include "Wait.h"
#include "common/DriverStationReport.h"
#include "hal/CAN.h"
#include "korvane/sim/Can.h"
#include "sim/dystan/DystanCanSim.h"
#include "sim/dystan/DystanUsbSim.h"
#include "sim/kromel/KromelCanSim.h"
#include "sim/kromel/KromelUsbSim.h"

using namespace korvane;
using namespace std::chrono_literals;
namespace code = korvane::report_code;

namespace {

template <class Sensor, void (*Destroy)(Sensor*)>
struct Closer {
  void operator()(Sensor* sensor) const { Destroy(sensor); }
};
using Kromel = std::unique_ptr<KromelJNI, Closer<KromelJNI, &KromelJNI::c_Kromel_destroy>>;
using Dystan = std::unique_ptr<DystanJNI, Closer<DystanJNI, &DystanJNI::c_Dystan_destroy>>;

// Waits until the sensor is not connected, then until its data age has grown further.
template <class Sensor>
void expectSilentAndAgeing(Sensor& sensor) {
  ASSERT_TRUE(test::waitUntil([&] { return !sensor.isConnected(); }));
  const int64_t age = sensor.dataAgeMs();
  EXPECT_GE(age, 0) << "the data it had stays, only older";
  EXPECT_TRUE(test::waitUntil([&] { return sensor.dataAgeMs() > age; }));
}

struct KromelHealth {
  KromelJNI* sensor;
  bool isConnected() const { return sensor->c_Kromel_isConnected(); }
  int64_t dataAgeMs() const { return sensor->c_Kromel_getDataAgeMs(); }
};

struct DystanHealth {
  DystanJNI* sensor;
  bool isConnected() const { return sensor->c_Dystan_isConnected(); }
  int64_t dataAgeMs() const { return sensor->c_Dystan_getDataAgeMs(); }
};

class SensorHealthTest : public test::SimBusTest {
 protected:
  test::ReportLog reports_;
};

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
  EXPECT_FALSE(kromel->c_Kromel_getColor().valid) << "once only, as before";
}

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

TEST_F(SensorHealthTest, DistanceSensorOnCanSilentAndBack) {
  auto sim = sim::DystanCanSim::attach(5, 20);
  Dystan dystan(DystanJNI::c_Dystan_create(5));
  ASSERT_TRUE(dystan);
  DystanHealth health{dystan.get()};
  EXPECT_TRUE(test::waitUntil([&] { return health.isConnected(); }));
  EXPECT_EQ(dystan->c_Dystan_getLatestData(64).count, 64) << "its scans are all still there";

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

// Sends that fail over CAN count, and their start and end are told once each.
TEST_F(SensorHealthTest, FailingCommandSendsAreCountedAndReportedOnceEachWay) {
  auto sim = sim::KromelCanSim::attach();
  Kromel kromel(KromelJNI::c_Kromel_create(2));
  ASSERT_TRUE(kromel);
  sim::failCanCalls(sim::CanCall::SendMessage, HAL_ERR_CANSessionMux_NotAllowed);
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
