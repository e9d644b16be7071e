// The colour sensor over USB when the device misbehaves: a sensor that stays connected but stops
// reading must not hang creation, the commands or destroy.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>

#include "BackgroundCall.h"
#include "PseudoTerminal.h"
#include "ReportLog.h"
#include "StalledDevice.h"
#include "korvane/Kromel.h"
#include "sim/kromel/KromelUsbSim.h"

using namespace korvane;
using namespace std::chrono_literals;
using korvane::test::StalledDevice;

namespace {

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Runs a call that must return by itself within the bound. If it does not, the device takes
// bytes again so that the call can finish, and the test fails.
template <class F>
auto returnsWithin(std::chrono::seconds bound, StalledDevice& device, F call) {
  korvane::test::BackgroundCall result(call);
  if (!result.waitFor(bound)) {
    ADD_FAILURE() << "still blocked after " << bound.count() << " s";
    device.resume();
  }
  return result.get();
}

TEST(KromelUsbStallTest, ASensorThatStopsReadingFailsCommandsWithALineInsteadOfHanging) {
  test::PseudoTerminal terminal;
  ASSERT_TRUE(terminal.ok());
  StalledDevice device(terminal.path());
  ASSERT_TRUE(device.ok());
  const std::string line = "[KorvaneSerial] Write to " + terminal.path() +
                           " gave up after 1000 ms: the port is not draining";

  testing::internal::CaptureStderr();
  std::unique_ptr<Kromel> sensor =
      returnsWithin(20s, device, [&] { return std::make_unique<Kromel>(terminal.path(), 100); });
  std::string errors = korvane::test::withoutReports(testing::internal::GetCapturedStderr());
  ASSERT_TRUE(sensor->IsOpen()) << "the opening commands' results are not looked at";
  EXPECT_TRUE(contains(errors, line)) << errors;

  testing::internal::CaptureStderr();
  EXPECT_FALSE(returnsWithin(20s, device,
                             [&] { return sensor->SetColorFormat(Kromel::ColorFormat::kSRGB); }));
  EXPECT_FALSE(returnsWithin(20s, device, [&] { return sensor->SetSampleTimeMs(50); }));
  errors = korvane::test::withoutReports(testing::internal::GetCapturedStderr());
  EXPECT_TRUE(contains(errors, line + "\n" + line + "\n")) << errors;

  returnsWithin(20s, device, [&] {
    sensor->Close();
    return true;
  });
  EXPECT_FALSE(sensor->IsOpen());
}

TEST(KromelUsbStallTest, ADeviceThatTakesBytesAgainTakesCommandsAgain) {
  test::PseudoTerminal terminal;
  ASSERT_TRUE(terminal.ok());
  Kromel sensor(terminal.path(), 0);
  ASSERT_TRUE(sensor.IsOpen());
  terminal.readUntilQuiet();
  {
    StalledDevice device(terminal.path());
    ASSERT_TRUE(device.ok());
    testing::internal::CaptureStderr();
    EXPECT_FALSE(returnsWithin(20s, device,
                               [&] { return sensor.SetColorFormat(Kromel::ColorFormat::kRAW); }));
    korvane::test::withoutReports(testing::internal::GetCapturedStderr());
  }
  EXPECT_TRUE(sensor.SetColorFormat(Kromel::ColorFormat::kXYZ));
  EXPECT_EQ(terminal.readUntilQuiet(), "COLORFORMAT,XYZ\r\n");
}

}  // namespace
