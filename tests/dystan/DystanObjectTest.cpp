// korvane::Dystan on CAN against its simulator: scans, the configuration answer and closing
// through the object.

#include <gtest/gtest.h>

#include "SimBus.h"
#include "Wait.h"
#include "korvane/Dystan.h"
#include "sim/dystan/DystanCanSim.h"

using namespace korvane;

namespace {

class DystanObjectTest : public test::SimBusTest {};

TEST_F(DystanObjectTest, TheDistanceSensorThroughItsObject) {
  auto device = sim::DystanCanSim::attach(5, 20);
  sim::DystanCanSim::Config config;
  config.version = 3;
  config.canId = 5;
  device->setConfig(config);
  Dystan sensor(5);
  ASSERT_TRUE(sensor.IsOpen());
  EXPECT_EQ(sensor.GetCanId(), 5);
  EXPECT_TRUE(test::waitUntil([&] { return sensor.GetData(64).count == 64; }));
  EXPECT_EQ(sensor.GetData(10).count, 10);
  EXPECT_EQ(sensor.GetData(0).count, 0);
  Dystan::Config answer = sensor.GetConfig(500);
  EXPECT_TRUE(answer.valid);
  EXPECT_EQ(answer.version, 3);
  EXPECT_EQ(answer.canID, 5);
  sensor.Close();
  EXPECT_FALSE(sensor.IsOpen());
  EXPECT_EQ(sensor.GetData(64).count, 0);
  device->detach();
}

}  // namespace
