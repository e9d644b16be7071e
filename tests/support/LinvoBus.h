#pragma once

// The line sensor's bus for tests: where its converter sits, the transfers recorded on the
// simulated I2C bus in a readable form, a fixture that starts each test with a clean bus and
// opens the sensor with its status line captured, and one that also has the simulated converter
// attached from the start.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "LinvoJNI.h"
#include "SimBus.h"
#include "Wait.h"
#include "korvane/Linvo.h"
#include "korvane/sim/I2c.h"
#include "sim/linvo/LinvoSim.h"

namespace korvane::test {

constexpr int kLinvoPort = 1;  // the expansion port's I2C
constexpr int kLinvoAddress = 0x48;

// The writes and reads recorded since the records were last cleared.
inline std::vector<sim::I2cTransaction> transfers() {
  std::vector<sim::I2cTransaction> result;
  for (auto& t : sim::i2cTransactions()) {
    if (t.call == sim::I2cCall::Write || t.call == sim::I2cCall::Read) result.push_back(t);
  }
  return result;
}

// "W 01 E4 80" for a write, "R 7F F0" for a read.
inline std::string describe(const sim::I2cTransaction& t) {
  return (t.call == sim::I2cCall::Write ? "W " : "R ") + hex(t.bytes);
}

// The simulated converter, attached where the sensor looks for it.
inline std::shared_ptr<sim::LinvoSim> attachConverter() {
  return sim::LinvoSim::attach(kLinvoPort, kLinvoAddress);
}

// Whether the newest background sample of the channel reads these volts (within 2 mV).
inline bool latestVoltageNear(uint8_t channel, double volts) {
  return std::fabs(LinvoJNI::c_getLatestVoltage(channel) - volts) < 0.002;
}

class LinvoBusTest : public ::testing::Test {
 protected:
  void SetUp() override { sim::resetI2c(); }
  void TearDown() override {
    LinvoJNI::c_closeI2C();
    sim::resetI2c();
  }

  // Opens the sensor at this reference; the status line it prints is kept in `lines`.
  bool initialize(float vRef) {
    testing::internal::CaptureStdout();
    const bool connected = LinvoJNI::c_initializeI2C(vRef);
    lines = testing::internal::GetCapturedStdout();
    return connected;
  }

  std::string lines;
};

class LinvoConverterTest : public LinvoBusTest {
 protected:
  void SetUp() override {
    LinvoBusTest::SetUp();
    converter = attachConverter();
  }
  void TearDown() override {
    converter->detach();
    LinvoBusTest::TearDown();
  }

  // Opens a korvane::Linvo at this reference; the status line it prints is kept in `lines`.
  Linvo open(float vRef = 3.3f) {
    testing::internal::CaptureStdout();
    Linvo sensor(vRef);
    lines = testing::internal::GetCapturedStdout();
    return sensor;
  }

  // Whether the sensor's channel comes to read this count.
  static bool reads(Linvo& sensor, int channel, int count) {
    return waitUntil([&] { return sensor.GetRawValue(channel) == count; });
  }

  std::shared_ptr<sim::LinvoSim> converter;
};

}  // namespace korvane::test
