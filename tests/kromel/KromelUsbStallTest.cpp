// The colour sensor over USB when the device misbehaves: a sensor that stays connected but stops
// reading must not hang creation, the commands or destroy.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "BackgroundCall.h"
#include "KromelJNI.h"
#include "PseudoTerminal.h"
#include "ReportLog.h"
#include "StalledDevice.h"
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
  KromelJNI* sensor = returnsWithin(
      20s, device, [&] { return KromelJNI::c_Kromel_createUsb(terminal.path().c_str(), 100); });
  std::string errors = korvane::test::withoutReports(testing::internal::GetCapturedStderr());
  ASSERT_NE(sensor, nullptr) << "the opening commands' results are not looked at";
  EXPECT_TRUE(contains(errors, line)) << errors;

  testing::internal::CaptureStderr();
  EXPECT_FALSE(returnsWithin(20s, device, [&] { return sensor->c_Kromel_setColorFormat(2); }));
  EXPECT_FALSE(returnsWithin(20s, device, [&] { return sensor->c_Kromel_setSampleTimeMs(50); }));
  errors = korvane::test::withoutReports(testing::internal::GetCapturedStderr());
  EXPECT_TRUE(contains(errors, line + "\n" + line + "\n")) << errors;

  returnsWithin(20s, device, [&] {
    KromelJNI::c_Kromel_destroy(sensor);
    return true;
  });
}

TEST(KromelUsbStallTest, ADeviceThatTakesBytesAgainTakesCommandsAgain) {
  test::PseudoTerminal terminal;
  ASSERT_TRUE(terminal.ok());
  KromelJNI* sensor = KromelJNI::c_Kromel_createUsb(terminal.path().c_str(), 0);
  ASSERT_NE(sensor, nullptr);
  terminal.readUntilQuiet();
  {
    StalledDevice device(terminal.path());
    ASSERT_TRUE(device.ok());
    testing::internal::CaptureStderr();
    EXPECT_FALSE(returnsWithin(20s, device, [&] { return sensor->c_Kromel_setColorFormat(1); }));
    korvane::test::withoutReports(testing::internal::GetCapturedStderr());
  }
  EXPECT_TRUE(sensor->c_Kromel_setColorFormat(4));
  EXPECT_EQ(terminal.readUntilQuiet(), "COLORFORMAT,XYZ\r\n");
  KromelJNI::c_Kromel_destroy(sensor);
}

}  // namespace
