// The CAN bus argument of the C++ API where the robot has one CAN bus, bus 0 (the robot controller
// and WPILib 2026's simulation, which the stand-in mirrors): a device on any other bus is left
// closed with one line saying why, sends nothing and is reported to the driver station under its
// bus and ID.

#include <gtest/gtest.h>

#include <string>

#include "ReportLog.h"
#include "SimBus.h"
#include "common/DriverStationReport.h"
#include "korvane/Dystan.h"
#include "korvane/Kromel.h"
#include "korvane/Torqa.h"
#include "korvane/sim/Can.h"

using namespace korvane;

namespace {

std::string oneBusLine(const char* tag, int bus) {
  return std::string("[") + tag + "] CAN bus " + std::to_string(bus) +
         " does not exist here: WPILib 2026's robot controller has one CAN bus, bus 0\n";
}

class CanBusArgumentTest : public test::SimBusTest {};

TEST_F(CanBusArgumentTest, ABusOtherThanZeroLeavesEachDeviceClosedWithALine) {
  test::ReportLog reports;
  testing::internal::CaptureStdout();
  Torqa controller(1, 4, 1000);
  Kromel colour(2, 9);
  Dystan distance(-1, 3);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            oneBusLine("Torqa", 1) + oneBusLine("Kromel", 2) + oneBusLine("Dystan", -1));

  EXPECT_FALSE(controller.IsOpen());
  EXPECT_EQ(controller.GetHandle(), 0);
  EXPECT_FALSE(colour.IsOpen());
  EXPECT_EQ(colour.GetCanId(), -1);
  EXPECT_FALSE(distance.IsOpen());
  EXPECT_EQ(distance.GetCanId(), -1);
  EXPECT_TRUE(sim::sentFrames().empty()) << "nothing was sent";
  EXPECT_EQ(sim::openCanHandles(), 0);
  EXPECT_EQ(sim::openStreamSessions(), 0);

  EXPECT_EQ(reports.count(report_code::kNotOpened, "Torqa[1/4]"), 1u) << reports.text();
  EXPECT_EQ(reports.count(report_code::kNotOpened, "Kromel[2/9]"), 1u) << reports.text();
  EXPECT_EQ(reports.count(report_code::kNotOpened, "Dystan[-1/3]"), 1u) << reports.text();

  // Closed objects stay quiet.
  controller.SetSpeed(0, 0.5);
  EXPECT_FALSE(colour.SetBrightness(40));
  EXPECT_FALSE(colour.GetColor().valid);
  EXPECT_FALSE(distance.GetConfig(0).valid);
  EXPECT_EQ(distance.GetData(64).count, 0);
  EXPECT_TRUE(sim::sentFrames().empty());
}

TEST_F(CanBusArgumentTest, BusZeroIsTheDefaultAndOpensAsTheOneArgumentForms) {
  test::ReportLog reports;
  Torqa controller(0, 4, 1000);
  Kromel colour(0, 9);
  Dystan distance(0, 3);
  EXPECT_TRUE(controller.IsOpen());
  EXPECT_TRUE(colour.IsOpen());
  EXPECT_EQ(colour.GetCanId(), 9);
  EXPECT_TRUE(distance.IsOpen());
  EXPECT_EQ(distance.GetCanId(), 3);
  EXPECT_EQ(reports.count(report_code::kNotOpened), 0u) << reports.text();

  sim::clearSentFrames();
  controller.SetSpeed(1, 0.5);
  ASSERT_EQ(test::framesWithId(0x020C0080 + 4).size(), 1u);
  EXPECT_EQ(test::hex(test::framesWithId(0x020C0080 + 4)[0]), "01 32 01 00 00 00 00 00");
}

}  // namespace
