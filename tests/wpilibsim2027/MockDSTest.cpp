// The mock driver station against WPILib 2027, which takes none of the roboRIO's driver-station
// packets: opening one refuses with one line on the log hook's stream and sends nothing.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <regex>
#include <string>
#include <thread>

#include "DsReceiver.h"
#include "ReportLog.h"
#include "common/DriverStationReport.h"
#include "korvane/MockDS.h"

namespace {

using namespace std::chrono_literals;

// The port, once no other program on this machine holds it (waiting up to 30 s).
std::unique_ptr<korvane::test::DsReceiver> listenOnTheDriverStationPort() {
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while (true) {
    auto receiver = std::make_unique<korvane::test::DsReceiver>();
    if (receiver->bound() || std::chrono::steady_clock::now() > deadline) return receiver;
    std::this_thread::sleep_for(200ms);
  }
}

TEST(MockDSRefused, OpeningStartsNothingAndSaysWhy) {
  const auto receiver = listenOnTheDriverStationPort();
  ASSERT_TRUE(receiver->bound()) << "UDP 127.0.0.1:1110 is taken";
  korvane::test::ReportLog reports;
  testing::internal::CaptureStderr();
  korvane::MockDS ds;
  ds.Enable();
  const std::string lines = korvane::test::withoutReports(testing::internal::GetCapturedStderr());
  EXPECT_TRUE(std::regex_match(lines, std::regex("DS: ERROR: not started: WPILib 2027 takes no "
                                                 "roboRIO driver-station packets .*\\(MockDS\\."
                                                 "cpp:[0-9]+\\)\n")))
      << lines;
  EXPECT_FALSE(ds.IsOpen());
  EXPECT_FALSE(ds.IsSending());
  EXPECT_EQ(reports.count(korvane::report_code::kRefused, "MockDS"), 1u) << reports.text();
  EXPECT_FALSE(receiver->receive(300ms).has_value()) << "a packet went out";
}

}  // namespace
