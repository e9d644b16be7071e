// The line sensor on either HAL: voltages are the inputs' volts (the statics' direct reads and the
// sampled readings), and korvane::Linvo's converter is heard from while it answers.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "LinvoBus.h"
#include "LinvoJNI.h"
#include "ReportLog.h"
#include "Wait.h"
#include "common/DriverStationReport.h"
#include "korvane/Linvo.h"
#include "korvane/sim/Can.h"

using namespace korvane;
using namespace std::chrono_literals;
namespace code = korvane::report_code;

namespace {

// WPILib's simulation HAL (which keeps its CAN handles to itself) lets every I2C transfer
// succeed, whether or not a device answers it.
bool transfersAlwaysSucceed() {
  return sim::openCanHandles() < 0;
}

class LinvoHealthTest : public test::LinvoConverterTest {
 protected:
  test::ReportLog reports_;
};

// Whatever reference is given (the usual 3.3 V supply, or none), the input's volts come out,
// within one count (1 mV at the +-2.048 V full scale).
TEST_F(LinvoHealthTest, VoltagesAreTheInputsVolts) {
  for (float reference : {3.3f, 5.0f, 0.0f}) {
    ASSERT_TRUE(initialize(reference));
    for (double volts : {0.5, 1.0, 1.5, 2.0}) {
      for (uint8_t channel = 0; channel < 4; ++channel) converter->setVoltage(channel, volts);
      for (uint8_t channel = 0; channel < 4; ++channel) {
        EXPECT_NEAR(LinvoJNI::c_getVoltage(channel), volts, 0.001) << reference << " V ref";
      }
      EXPECT_TRUE(test::waitUntil([&] { return test::latestVoltageNear(3, volts); }));
    }
  }
  converter->setVoltage(0, 3.0);  // beyond the full scale: the largest count
  EXPECT_NEAR(LinvoJNI::c_getVoltage(0), 2.047, 0.0005);
}

TEST_F(LinvoHealthTest, HeardWhileItAnswersNotWhenItIsGone) {
  // The statics' own: nothing open.
  EXPECT_FALSE(LinvoJNI::c_isAnswering()) << "nothing open";
  Linvo linvo = open();
  ASSERT_TRUE(linvo.IsOpen());
  EXPECT_TRUE(linvo.IsConnected());
  EXPECT_GE(linvo.GetDataAgeMs(), 0);
  // Not read for a while, the sampler pauses; asking reads one byte.
  std::this_thread::sleep_for(1200ms);
  EXPECT_TRUE(linvo.IsConnected());
  if (transfersAlwaysSucceed()) {
    GTEST_SKIP() << "WPILib's simulation HAL reports every transfer done";
  }

  linvo.GetRawValue(0);  // sampling
  converter->detach();
  EXPECT_TRUE(test::waitUntil([&] {
    linvo.GetRawValue(0);  // a robot loop keeps reading
    return !linvo.IsConnected();
  }));
  EXPECT_TRUE(reports_.waitFor(code::kSilent, "Linvo[1]")) << reports_.text();
  EXPECT_GT(linvo.GetFaults().receiveFailures, 0u);
  // Told once, however long the silence lasts and however often the loop reads.
  for (int k = 0; k < 30; ++k) {
    linvo.GetRawValue(0);
    EXPECT_FALSE(linvo.IsConnected());
    std::this_thread::sleep_for(10ms);
  }
  EXPECT_EQ(reports_.count(code::kSilent, "Linvo[1]"), 1u) << reports_.text();

  // Back, it is heard from again. (Not counted further: under emulation the sampler's steps may
  // be more than the silence time apart, a silence of its own.)
  converter = test::attachConverter();
  EXPECT_TRUE(test::waitUntil([&] {
    linvo.GetRawValue(0);
    return linvo.IsConnected();
  }));
  EXPECT_TRUE(reports_.waitFor(code::kHeardAgain, "Linvo[1]")) << reports_.text();
  converter->detach();
  linvo.Close();
  EXPECT_FALSE(linvo.IsConnected());
  EXPECT_EQ(linvo.GetDataAgeMs(), -1);
}

}  // namespace
