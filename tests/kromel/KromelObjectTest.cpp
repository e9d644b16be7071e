// korvane::Kromel and korvane::Dystan, the sensors of the C++ API: an opening that fails leaves a
// closed object that is reported and reads nothing; the colour sensor on CAN through its object
// (readings, commands, configuration answers), moving and closing.

#include <gtest/gtest.h>

#include <utility>

#include "ReportLog.h"
#include "SimBus.h"
#include "common/DriverStationReport.h"
#include "korvane/Dystan.h"
#include "korvane/Kromel.h"
#include "korvane/sim/Can.h"
#include "sim/kromel/KromelCanSim.h"

using namespace korvane;

namespace {

constexpr uint32_t kColor = 0x04090540;

class CanSensorObjectTest : public test::SimBusTest {};

TEST_F(CanSensorObjectTest, AnOpeningThatFailsLeavesAClosedObjectThatIsReported) {
  test::ReportLog reports;
  testing::internal::CaptureStdout();
  Kromel colour(64);
  Dystan distance(-1);
  Kromel missingUsb("/nonexistent/ttyACM9", 10);
  testing::internal::GetCapturedStdout();
  EXPECT_FALSE(colour.IsOpen());
  EXPECT_FALSE(distance.IsOpen());
  EXPECT_FALSE(missingUsb.IsOpen());
  EXPECT_EQ(reports.count(report_code::kNotOpened, "Kromel[64]"), 1u) << reports.text();
  EXPECT_EQ(reports.count(report_code::kNotOpened, "Dystan[-1]"), 1u) << reports.text();
  EXPECT_EQ(reports.count(report_code::kNotOpened, "Kromel[/nonexistent/ttyACM9]"), 1u)
      << reports.text();
  EXPECT_EQ(sim::openStreamSessions(), 0);

  sim::clearSentFrames();
  EXPECT_FALSE(colour.SetBrightness(50));
  EXPECT_FALSE(colour.GetConfig(1).has_value());
  EXPECT_TRUE(sim::sentFrames().empty()) << "a closed object sends nothing";
  EXPECT_FALSE(colour.GetColor().valid);
  EXPECT_EQ(colour.GetCanId(), -1);
  EXPECT_FALSE(colour.GetTransport().has_value());
  EXPECT_EQ(distance.GetData(64).count, 0);
  EXPECT_FALSE(distance.GetConfig(10).valid);
}

TEST_F(CanSensorObjectTest, TheColourSensorThroughItsObject) {
  auto device = sim::KromelCanSim::attach(false);
  device->setConfigValue(3, 0x80000001u);
  Kromel sensor(3);
  ASSERT_TRUE(sensor.IsOpen());
  EXPECT_EQ(sensor.GetCanId(), 3);
  EXPECT_EQ(sensor.GetTransport(), Transport::kCan);

  sim::injectFrame(kColor, {0x07, 0x00, 0x10, 0x27, 0, 0, 0, 0});
  Kromel::ColorData reading = sensor.GetColor();
  EXPECT_TRUE(reading.valid);
  EXPECT_EQ(reading.sequence, 7);
  EXPECT_FLOAT_EQ(reading.x, 1.0f);

  EXPECT_TRUE(sensor.SetBrightness(50));
  EXPECT_EQ(sensor.GetConfig(3), std::optional<uint32_t>(0x80000001u));
  device->setAckStatus(1);
  EXPECT_FALSE(sensor.SetBrightness(50));
  EXPECT_FALSE(sensor.GetConfig(3).has_value()) << "nothing unless the sensor accepted";

  Kromel moved = std::move(sensor);
  EXPECT_FALSE(sensor.IsOpen());  // NOLINT(bugprone-use-after-move): the point of the test
  EXPECT_TRUE(moved.IsOpen());
  EXPECT_EQ(sim::openStreamSessions(), 1);
  moved.Close();
  EXPECT_EQ(sim::openStreamSessions(), 0) << "closing ends the session";
}

}  // namespace
