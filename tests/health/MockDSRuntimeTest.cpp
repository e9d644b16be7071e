// The mock driver station on a real robot and in a simulation, on either HAL: on a robot nothing
// starts and no packet reaches the robot's port; in a simulation it sends as before.

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "DsReceiver.h"
#include "MockDSJNI.h"
#include "ReportLog.h"
#include "common/DriverStationReport.h"
#include "korvane/MockDS.h"
#include "korvane/sim/System.h"
#include "port/MockDriverStation.h"

using namespace korvane;
using namespace std::chrono_literals;

namespace {

class MockDSRuntimeTest : public ::testing::Test {
 protected:
  void TearDown() override { sim::setRealRobot(false); }
};

// Why no sender starts in this simulation, or null: a HAL whose simulation takes no roboRIO
// driver-station packets (WPILib 2027's) starts none there either, and the tests of a running
// sender have nothing to run.
const char* noSenderHere() {
  return port::mockDriverStationRefusal();
}

TEST_F(MockDSRuntimeTest, OnARealRobotNothingStartsAndNothingIsSent) {
  test::DsReceiver robotPort;
  ASSERT_TRUE(robotPort.bound());
  test::ReportLog reports;
  sim::setRealRobot(true);

  testing::internal::CaptureStderr();
  MockDS ds;
  ds.Enable();
  const std::string said = testing::internal::GetCapturedStderr();

  EXPECT_FALSE(ds.IsOpen());
  EXPECT_FALSE(ds.IsSending());
  EXPECT_NE(said.find("DS: ERROR: not started: this is a real robot"), std::string::npos) << said;
  EXPECT_FALSE(robotPort.receive(500ms).has_value());
  EXPECT_EQ(reports.count(report_code::kRefused, "MockDS"), 1u) << reports.text();
}

TEST_F(MockDSRuntimeTest, OnARealRobotTheCppObjectIsClosedAndStopsTheOneRunning) {
  if (const char* why = noSenderHere()) GTEST_SKIP() << why;
  test::DsReceiver robotPort;
  ASSERT_TRUE(robotPort.bound());
  MockDS running;
  ASSERT_TRUE(running.IsOpen());
  ASSERT_TRUE(robotPort.followNewSender().has_value());

  test::ReportLog reports;
  sim::setRealRobot(true);
  testing::internal::CaptureStderr();
  MockDS refused;
  testing::internal::GetCapturedStderr();
  EXPECT_FALSE(refused.IsOpen());
  EXPECT_FALSE(refused.IsSending());
  EXPECT_FALSE(running.IsSending());
  refused.Enable();
  robotPort.receive(100ms);
  EXPECT_FALSE(robotPort.receive(500ms).has_value());
  EXPECT_EQ(reports.count(report_code::kRefused, "MockDS"), 1u) << reports.text();
}

// The natives a Java program calls: a refused create stops the one running, and isSending says so.
TEST_F(MockDSRuntimeTest, OnARealRobotOneRunningStopsSending) {
  if (const char* why = noSenderHere()) GTEST_SKIP() << why;
  test::DsReceiver robotPort;
  ASSERT_TRUE(robotPort.bound());
  MockDSJNI::c_MockDS_create();
  ASSERT_TRUE(robotPort.followNewSender().has_value());

  sim::setRealRobot(true);
  testing::internal::CaptureStderr();
  MockDSJNI::c_MockDS_create();
  testing::internal::GetCapturedStderr();
  EXPECT_FALSE(MockDSJNI::c_MockDS_isSending());
  // A packet may have been on its way; none after that.
  robotPort.receive(100ms);
  EXPECT_FALSE(robotPort.receive(500ms).has_value());
}

TEST_F(MockDSRuntimeTest, InASimulationItEnablesAsBefore) {
  if (const char* why = noSenderHere()) GTEST_SKIP() << why;
  test::DsReceiver robotPort;
  ASSERT_TRUE(robotPort.bound());
  MockDS ds;
  EXPECT_TRUE(ds.IsSending());
  auto first = robotPort.followNewSender();
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(first->sequence(), 0);
  ds.Enable();
  bool enabled = false;
  for (int i = 0; i < 120 && !enabled; ++i) {
    auto packet = robotPort.next();
    ASSERT_TRUE(packet.has_value());
    enabled = packet->control() == 0x06;
  }
  EXPECT_TRUE(enabled);
  ds.Close();
  EXPECT_FALSE(ds.IsSending());
}

}  // namespace
