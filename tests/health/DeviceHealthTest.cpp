// The health record every driver keeps, on a clock the test sets: ages across the wrap of the
// 32-bit millisecond count, what is told to the driver station and how often.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>

#include "ReportLog.h"
#include "common/DeviceHealth.h"
#include "common/DriverStationReport.h"

using namespace korvane;
namespace code = korvane::report_code;

namespace {

std::atomic<uint32_t> g_now{0};
uint32_t testClock() {
  return g_now.load();
}

class DeviceHealthTest : public ::testing::Test {
 protected:
  test::ReportLog reports_;
};

TEST_F(DeviceHealthTest, AgesAndTheTimeoutHoldAcrossTheWrapOfTheClock) {
  g_now = 0xFFFFFF00u;
  DeviceHealth health("Probe[1]", "", 100, testClock);
  EXPECT_FALSE(health.connected());
  EXPECT_EQ(health.dataAgeMs(), -1);
  health.heard(0xFFFFFFF0u);
  g_now = 0x10;  // 32 ms later, past the wrap
  EXPECT_TRUE(health.connected());
  EXPECT_EQ(health.dataAgeMs(), 32);
  health.heard(0xFFFFFF80u);  // older than the newest: changes nothing
  EXPECT_EQ(health.dataAgeMs(), 32);
  g_now = 0x74;  // 132 ms
  EXPECT_FALSE(health.connected());
  EXPECT_EQ(health.dataAgeMs(), 132);
  health.heard(0x70);
  EXPECT_TRUE(health.connected());
}

TEST_F(DeviceHealthTest, EachChangeIsToldOnceHoweverOftenItIsAsked) {
  g_now = 1000;
  DeviceHealth health("Probe[2]", "a path", 100, testClock);
  for (uint32_t t = 1000; t <= 1300; t += 10) {
    g_now = t;
    health.check();
    health.connected();
  }
  EXPECT_EQ(reports_.count(code::kNeverHeard, "Probe[2]"), 1u) << reports_.text();
  health.heard(1300);
  EXPECT_EQ(reports_.count(code::kHeardAgain, "Probe[2]"), 1u) << reports_.text();
  for (uint32_t t = 1300; t <= 1700; t += 10) {
    g_now = t;
    health.heard(t < 1450 ? t : 1450);  // data until 1450, then the same stamp again and again
    health.check();
  }
  EXPECT_EQ(reports_.count(code::kSilent, "Probe[2]"), 1u) << reports_.text();
  EXPECT_EQ(reports_.count(code::kHeardAgain, "Probe[2]"), 1u) << reports_.text();
  for (const auto& report : sim::errorReports()) {
    if (report.location != "Probe[2]") continue;
    EXPECT_EQ(report.details.rfind("Probe[2]: ", 0), 0u) << report.details;
    EXPECT_NE(report.details.find("[a path]"), std::string::npos) << report.details;
  }
}

TEST_F(DeviceHealthTest, SilenceIsNoFaultWhileNoDataIsExpectedButAHangUpIs) {
  g_now = 5000;
  DeviceHealth health("Probe[3]", "", 100, testClock);
  health.heard(5000);
  health.expectData(false);
  g_now = 6000;
  health.check();
  EXPECT_FALSE(health.connected());
  EXPECT_EQ(health.msUntilSilence(), -1);
  EXPECT_EQ(reports_.count(code::kSilent, "Probe[3]"), 0u) << reports_.text();
  // Expecting again gives it a whole timeout before silence counts.
  health.expectData(true);
  EXPECT_EQ(health.msUntilSilence(), 101);
  g_now = 6050;
  health.check();
  EXPECT_EQ(reports_.count(code::kSilent, "Probe[3]"), 0u) << reports_.text();
  EXPECT_FALSE(health.silent());
  g_now = 6150;
  EXPECT_TRUE(health.silent());
  health.check();
  EXPECT_EQ(reports_.count(code::kSilent, "Probe[3]"), 1u) << reports_.text();

  DeviceHealth port("Probe[4]", "", 100, testClock);
  port.expectData(false);
  port.heardNow();
  port.hungUp();
  EXPECT_FALSE(port.connected());
  EXPECT_TRUE(port.silent());
  EXPECT_EQ(reports_.count(code::kHungUp, "Probe[4]"), 1u) << reports_.text();
}

TEST_F(DeviceHealthTest, FailedCallsAreCountedByKindAndARunOfFailedSendsIsToldOnce) {
  g_now = 0;
  DeviceHealth health("Probe[5]", "", 100, testClock);
  for (int i = 0; i < 5; ++i) health.failed(FailedCall::Send, -7);
  health.failed(FailedCall::Receive, -8);
  health.failed(FailedCall::Open, -2);
  health.failed(FailedCall::Open, -2);
  DeviceFaults faults = health.record();
  EXPECT_EQ(faults.sendFailures, 5u);
  EXPECT_EQ(faults.receiveFailures, 1u);
  EXPECT_EQ(faults.openFailures, 2u);
  for (int i = 0; i < 5; ++i) health.sent();
  health.opened();
  EXPECT_EQ(reports_.count(code::kSendsFailing, "Probe[5]"), 1u) << reports_.text();
  EXPECT_EQ(reports_.count(code::kSendsWorking, "Probe[5]"), 1u) << reports_.text();
  EXPECT_EQ(reports_.count(code::kOpenFailing, "Probe[5]"), 1u) << reports_.text();

  // Opened again elsewhere: afresh, under its new name.
  health.reopen("Probe[6]", "");
  faults = health.record();
  EXPECT_EQ(faults.sendFailures + faults.receiveFailures + faults.openFailures, 0u);
  EXPECT_EQ(faults.dataAgeMs, -1);
  EXPECT_EQ(health.name(), "Probe[6]");
}

}  // namespace
