#pragma once

// What the sensors' health tests share: the sensors closed at the end of a test, their health
// asked the same way, and a wait for silence with the data ageing.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "DystanJNI.h"
#include "KromelJNI.h"
#include "ReportLog.h"
#include "SimBus.h"
#include "Wait.h"

namespace korvane::test {

template <class Sensor, void (*Destroy)(Sensor*)>
struct Closer {
  void operator()(Sensor* sensor) const { Destroy(sensor); }
};
using Kromel = std::unique_ptr<KromelJNI, Closer<KromelJNI, &KromelJNI::c_Kromel_destroy>>;
using Dystan = std::unique_ptr<DystanJNI, Closer<DystanJNI, &DystanJNI::c_Dystan_destroy>>;

// Waits until the sensor is not connected, then until its data age has grown further.
template <class Sensor>
void expectSilentAndAgeing(Sensor& sensor) {
  ASSERT_TRUE(waitUntil([&] { return !sensor.isConnected(); }));
  const int64_t age = sensor.dataAgeMs();
  EXPECT_GE(age, 0) << "the data it had stays, only older";
  EXPECT_TRUE(waitUntil([&] { return sensor.dataAgeMs() > age; }));
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

class SensorHealthTest : public SimBusTest {
 protected:
  ReportLog reports_;
};

}  // namespace korvane::test
