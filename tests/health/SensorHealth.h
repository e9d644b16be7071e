#pragma once

// What the sensors' health tests share: the reports of a test and a wait for silence with the
// data ageing (korvane::Kromel or korvane::Dystan).

#include <gtest/gtest.h>

#include <cstdint>

#include "ReportLog.h"
#include "SimBus.h"
#include "Wait.h"

namespace korvane::test {

// Waits until the sensor is not connected, then until its data age has grown further.
template <class Sensor>
void expectSilentAndAgeing(Sensor& sensor) {
  ASSERT_TRUE(waitUntil([&] { return !sensor.IsConnected(); }));
  const int64_t age = sensor.GetDataAgeMs();
  EXPECT_GE(age, 0) << "the data it had stays, only older";
  EXPECT_TRUE(waitUntil([&] { return sensor.GetDataAgeMs() > age; }));
}

class SensorHealthTest : public SimBusTest {
 protected:
  ReportLog reports_;
};

}  // namespace korvane::test
