// korvane::Linvo against the simulated converter: samples through the object, one sensor per
// robot (a newer object replaces an older one, whose calls then reach nothing and whose close
// leaves the newer alone), moving, and a converter that does not answer.

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "LinvoBus.h"
#include "LinvoJNI.h"
#include "Wait.h"
#include "korvane/Linvo.h"

using namespace korvane;

namespace {

using LinvoObjectTest = test::LinvoConverterTest;

TEST_F(LinvoObjectTest, SamplesReachTheObjectAndItsHealth) {
  converter->setVoltage(1, 1.0);
  converter->setVoltage(3, 0.5);
  Linvo sensor = open();
  ASSERT_TRUE(sensor.IsOpen());
  EXPECT_TRUE(reads(sensor, 1, 1000));
  EXPECT_TRUE(reads(sensor, 3, 500));
  EXPECT_NEAR(sensor.GetVoltage(1), 1.0, 0.002);
  EXPECT_EQ(sensor.GetRawValue(4), 0);
  EXPECT_EQ(sensor.GetRawValue(-1), 0);
  EXPECT_TRUE(sensor.IsConnected());
  EXPECT_GE(sensor.GetDataAgeMs(), 0);
  EXPECT_TRUE(sensor.GetFaults().connected);
  EXPECT_EQ(LinvoJNI::vRef, 3.3f) << "the driver's record of the reference";
}

TEST_F(LinvoObjectTest, ANewerSensorReplacesTheOlderWhoseCloseLeavesItAlone) {
  converter->setVoltage(0, 0.25);
  Linvo older = open();
  ASSERT_TRUE(reads(older, 0, 250));
  Linvo newer = open();
  EXPECT_TRUE(newer.IsOpen());
  EXPECT_FALSE(older.IsOpen()) << "replaced";
  EXPECT_EQ(older.GetRawValue(0), 0);
  EXPECT_EQ(older.GetVoltage(0), 0.0f);
  EXPECT_FALSE(older.IsConnected());
  EXPECT_EQ(older.GetDataAgeMs(), -1);
  EXPECT_FALSE(older.GetFaults().connected);

  older.Close();
  converter->setVoltage(0, 0.75);
  EXPECT_TRUE(reads(newer, 0, 750)) << "the newer one still samples";
  EXPECT_TRUE(test::waitUntil([] { return LinvoJNI::c_getLatestRawValue(0) == 750; }))
      << "and the statics find it";

  newer.Close();
  EXPECT_FALSE(newer.IsOpen());
  EXPECT_EQ(newer.GetRawValue(0), 0);
  EXPECT_EQ(LinvoJNI::c_getLatestRawValue(0), 0) << "closed for the statics too";
}

TEST_F(LinvoObjectTest, MovingHandsTheSensorOver) {
  converter->setVoltage(2, 1.5);
  Linvo first = open();
  Linvo second = std::move(first);
  EXPECT_FALSE(first.IsOpen());  // NOLINT(bugprone-use-after-move): the point of the test
  EXPECT_EQ(first.GetRawValue(2), 0);
  first.Close();  // closes nothing
  ASSERT_TRUE(second.IsOpen());
  EXPECT_TRUE(reads(second, 2, 1500));
}

TEST_F(LinvoObjectTest, AConverterThatDoesNotAnswerLeavesTheSensorOpenAndReadingZero) {
  converter->detach();
  Linvo sensor = open();
  EXPECT_EQ(lines, "I2C device not connected\n");
  EXPECT_TRUE(sensor.IsOpen());
  EXPECT_FALSE(sensor.IsConnected());
  EXPECT_EQ(sensor.GetRawValue(0), 0);
  EXPECT_EQ(sensor.GetDataAgeMs(), -1);
}

}  // namespace
