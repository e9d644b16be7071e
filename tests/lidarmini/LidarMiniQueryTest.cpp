// The mini LiDAR's port, commands and queries on a real pseudo-terminal: which device it opens,
// the bytes of every command, the frequency limits, the info and health answers and their
// failures, and writes on a port that stops draining.

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "BackgroundCall.h"
#include "LidarMiniFixture.h"
#include "PacketBytes.h"
#include "ReportLog.h"

using namespace korvane::test::lidarmini;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

const std::string kInfoHeader = bytesOf({0xA5, 0x5A, 0x14, 0x00, 0x00, 0x00, 0x04});
const std::string kHealthHeader = bytesOf({0xA5, 0x5A, 0x03, 0x00, 0x00, 0x00, 0x06});
const std::string kSerial = "SN-0123456789abc";  // 16 bytes

TEST(LidarMiniOpenTest, PortThreeOpensTheSecondDeviceAndAnyOtherPortTheFirst) {
  korvane::test::PseudoTerminal acm, usb;
  ASSERT_TRUE(acm.ok() && usb.ok());
  DeviceFolder folder;
  std::string acmLink = folder.link("ttyACM0", acm.path());
  std::string usbLink = folder.link("ttyUSB0", usb.path());
  folder.link("ttyS0", "/nonexistent");  // not a USB serial name: never chosen

  testing::internal::CaptureStdout();
  Lidar second(LidarMiniJNI::createIn(folder.path(), 3));
  std::string out = testing::internal::GetCapturedStdout();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(out, "[LidarMini] Opening " + usbLink +
                     " (port 3)\n[LidarMini] Initialised on port 3 (" + usbLink + ")\n");
  EXPECT_EQ(usb.readAtLeast(2), "\xA5\x65") << "opening tells the device to stop scanning";

  for (int port : {0, 1, 2, 4, -1}) {
    Lidar first(LidarMiniJNI::createIn(folder.path(), port));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(acm.readAtLeast(2), "\xA5\x65") << "port " << port;
  }
  EXPECT_EQ(usb.readUntilQuiet(), "");
}

TEST(LidarMiniOpenTest, AnUnopenableDeviceGivesNoObjectAfterTheOpeningAndCannotOpenLines) {
  DeviceFolder folder;
  std::string missing = folder.link("ttyUSB0", folder.path() + "/gone");
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  EXPECT_EQ(LidarMiniJNI::createIn(folder.path(), 0), nullptr);
  std::string err = korvane::test::withoutReports(testing::internal::GetCapturedStderr());
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "[LidarMini] Opening " + missing + " (port 0)\n");
  EXPECT_EQ(err, "[LidarMini] Cannot open " + missing + ": " + std::strerror(ENOENT) + "\n");
}

TEST(LidarMiniOpenTest, WithoutDevicesTheDefaultPathsAreTried) {
  DeviceFolder empty;
  for (auto [port, path] : {std::pair{3, "/dev/ttyUSB1"}, std::pair{0, "/dev/ttyUSB0"}}) {
    if (access(path, F_OK) == 0) GTEST_SKIP() << path << " exists on this machine";
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(LidarMiniJNI::createIn(empty.path(), port), nullptr);
    std::string err = korvane::test::withoutReports(testing::internal::GetCapturedStderr());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "[LidarMini] Opening " + std::string(path) +
                                                          " (port " + std::to_string(port) + ")\n");
    EXPECT_EQ(err.rfind("[LidarMini] Cannot open " + std::string(path) + ": ", 0), 0u) << err;
  }
}

TEST_F(LidarMiniTest, CommandsAreTwoBytesA5AndTheirCode) {
  Lidar lidar = open();
  ASSERT_NE(lidar, nullptr);
  lidar->c_LidarMini_increaseFrequency(true);
  lidar->c_LidarMini_increaseFrequency(false);
  lidar->c_LidarMini_decreaseFrequency(false);
  lidar->c_LidarMini_decreaseFrequency(true);
  EXPECT_EQ(device_.readAtLeast(8), bytesOf({0xA5, 0x0B, 0xA5, 0x09, 0xA5, 0x0A, 0xA5, 0x0C}));
  EXPECT_FLOAT_EQ(lidar->scanFrequency(), 6.0f);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  lidar->c_LidarMini_start();
  std::string err = korvane::test::withoutReports(testing::internal::GetCapturedStderr());
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "[LidarMini] Scanning started\n");
  EXPECT_EQ(err,
            "[LidarMini] WARNING: 0 bytes 300 ms after scan start. Check device path and T-mini "
            "Plus power.\n");
  EXPECT_EQ(device_.readAtLeast(2), "\xA5\x60");
  lidar->c_LidarMini_stop();
  EXPECT_EQ(device_.readAtLeast(2), "\xA5\x65");
  lidar->c_LidarMini_stop();
  EXPECT_EQ(device_.readAtLeast(2), "\xA5\x65") << "stop is sent even when not scanning";
}

TEST_F(LidarMiniTest, FrequencyStaysBetweenSixAndTwelveHertz) {
  Lidar lidar = open();
  ASSERT_NE(lidar, nullptr);
  testing::internal::CaptureStderr();
  lidar->c_LidarMini_decreaseFrequency(false);
  EXPECT_EQ(korvane::test::withoutReports(testing::internal::GetCapturedStderr()),
            "[LidarMini] decreaseFrequency blocked: min is 6 Hz\n");
  for (int i = 0; i < 6; ++i) lidar->c_LidarMini_increaseFrequency(true);
  EXPECT_EQ(device_.readAtLeast(12),
            bytesOf({0xA5, 0x0B, 0xA5, 0x0B, 0xA5, 0x0B, 0xA5, 0x0B, 0xA5, 0x0B, 0xA5, 0x0B}));
  EXPECT_FLOAT_EQ(lidar->scanFrequency(), 12.0f);
  testing::internal::CaptureStderr();
  lidar->c_LidarMini_increaseFrequency(true);
  lidar->c_LidarMini_increaseFrequency(false);
  EXPECT_EQ(korvane::test::withoutReports(testing::internal::GetCapturedStderr()),
            "[LidarMini] increaseFrequency blocked: max is 12 Hz\n"
            "[LidarMini] increaseFrequency blocked: max is 12 Hz\n");
  EXPECT_EQ(device_.readUntilQuiet(), "") << "a refused step sends nothing";

  // Sixty fine steps from 6 Hz are accepted, the sixty-first is not.
  Lidar fresh = open();
  ASSERT_NE(fresh, nullptr);
  testing::internal::CaptureStderr();
  for (int i = 0; i < 61; ++i) fresh->c_LidarMini_increaseFrequency(false);
  EXPECT_EQ(korvane::test::withoutReports(testing::internal::GetCapturedStderr()),
            "[LidarMini] increaseFrequency blocked: max is 12 Hz\n");
  EXPECT_EQ(device_.readAtLeast(120).size(), 120u);
  EXPECT_NEAR(fresh->scanFrequency(), 12.0f, 0.01f);
}

TEST_F(LidarMiniTest, InfoAndHealthAreDecodedFromTheirPayloads) {
  Lidar lidar = open();
  ASSERT_NE(lidar, nullptr);
  LidarMiniJNI::LidarInfo info =
      answering(kInfoHeader + bytesOf({0x96, 0x0A, 0x01, 0x02}) + kSerial,
                [&] { return lidar->c_LidarMini_getInfo(); });
  EXPECT_EQ(lastCommand_, "\xA5\x90");
  EXPECT_EQ(info.model, 150);
  EXPECT_EQ(info.firmwareVersion, 266);
  EXPECT_EQ(info.hardwareVersion, 2);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(info.serialNumber), 16), kSerial);

  LidarMiniJNI::LidarHealth health = answering(kHealthHeader + bytesOf({0x02, 0x05, 0x01}),
                                               [&] { return lidar->c_LidarMini_getHealth(); });
  EXPECT_EQ(lastCommand_, "\xA5\x92");
  EXPECT_EQ(health.status, 2);
  EXPECT_EQ(health.errorCode, 261);
}

TEST_F(LidarMiniTest, StaleInputIsDroppedBeforeAQuery) {
  Lidar lidar = open();
  ASSERT_NE(lidar, nullptr);
  ASSERT_TRUE(device_.write(kHealthHeader + bytesOf({0x07, 0x07, 0x07, 0x42})));
  ASSERT_TRUE(device_.waitForPendingInput(11));
  LidarMiniJNI::LidarHealth health = answering(kHealthHeader + bytesOf({0x01, 0x34, 0x12}),
                                               [&] { return lidar->c_LidarMini_getHealth(); });
  EXPECT_EQ(health.status, 1);
  EXPECT_EQ(health.errorCode, 0x1234);
}

TEST_F(LidarMiniTest, WrongAnswersGiveZerosAndTheirLines) {
  Lidar lidar = open();
  ASSERT_NE(lidar, nullptr);
  testing::internal::CaptureStderr();
  LidarMiniJNI::LidarHealth health = answering(kInfoHeader + std::string(20, '\x01'),
                                               [&] { return lidar->c_LidarMini_getHealth(); });
  EXPECT_EQ(korvane::test::withoutReports(testing::internal::GetCapturedStderr()),
            "[LidarMini] getHealth: unexpected type 0x4\n");
  EXPECT_EQ(health.status, 0);
  EXPECT_EQ(health.errorCode, 0);

  testing::internal::CaptureStderr();
  LidarMiniJNI::LidarInfo info = answering(bytesOf({0xAA, 0x55, 0, 0, 0, 0, 4}) + kSerial,
                                           [&] { return lidar->c_LidarMini_getInfo(); });
  EXPECT_EQ(korvane::test::withoutReports(testing::internal::GetCapturedStderr()),
            "[LidarMini] Bad header (0xaa 0x55)\n");
  EXPECT_EQ(info.model, 0);

  testing::internal::CaptureStderr();
  answering(bytesOf({0x05, 0x5A, 0, 0, 0, 0, 4}), [&] { return lidar->c_LidarMini_getInfo(); });
  EXPECT_EQ(korvane::test::withoutReports(testing::internal::GetCapturedStderr()),
            "[LidarMini] Bad header (0x5 0x5a)\n");
}

TEST_F(LidarMiniTest, ASilentDeviceGivesAZeroInfoAfterAboutTwoSeconds) {
  Lidar lidar = open();
  ASSERT_NE(lidar, nullptr);
  testing::internal::CaptureStderr();
  auto start = Clock::now();
  LidarMiniJNI::LidarInfo info = lidar->c_LidarMini_getInfo();
  auto took = Clock::now() - start;
  EXPECT_EQ(korvane::test::withoutReports(testing::internal::GetCapturedStderr()),
            "[LidarMini] ReadExact timeout (got 0/7 bytes)\n");
  EXPECT_GE(took, 1900ms);
  EXPECT_LT(took, 10s);
  EXPECT_EQ(info.model, 0);
  EXPECT_EQ(info.firmwareVersion, 0);
  EXPECT_EQ(info.hardwareVersion, 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(info.serialNumber), 16),
            std::string(16, '\0'));
  EXPECT_EQ(device_.readAtLeast(2), "\xA5\x90");
}

TEST_F(LidarMiniTest, AHalfAnswerKeepsItsCountInTheTimeoutLine) {
  Lidar lidar = open();
  ASSERT_NE(lidar, nullptr);
  testing::internal::CaptureStderr();
  LidarMiniJNI::LidarHealth health =
      answering(kHealthHeader + bytesOf({0x02}), [&] { return lidar->c_LidarMini_getHealth(); });
  EXPECT_EQ(korvane::test::withoutReports(testing::internal::GetCapturedStderr()),
            "[LidarMini] ReadExact timeout (got 1/3 bytes)\n");
  EXPECT_EQ(health.status, 0);
}

// A port whose output nobody drains: every write gives up after about a second with its line,
// and a refused frequency step leaves the frequency as it was.
TEST_F(LidarMiniTest, WritesToAPortThatStopsDrainingGiveUp) {
  Lidar lidar = open();
  ASSERT_NE(lidar, nullptr);
  int filler = ::open(device_.path().c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(filler, 0);
  // The terminal moves written bytes on to its reading side in the background, so it is full
  // only once it has refused bytes in three rounds running.
  char junk[4096] = {};
  for (int quietRounds = 0, round = 0; quietRounds < 3 && round < 500; ++round) {
    bool took = false;
    while (::write(filler, junk, sizeof junk) > 0) took = true;
    while (::write(filler, junk, 1) > 0) took = true;
    quietRounds = took ? 0 : quietRounds + 1;
    std::this_thread::sleep_for(20ms);
  }
  ::close(filler);

  testing::internal::CaptureStderr();
  korvane::test::BackgroundCall call([&] {
    auto start = Clock::now();
    lidar->c_LidarMini_increaseFrequency(true);
    LidarMiniJNI::LidarInfo info = lidar->c_LidarMini_getInfo();
    return std::make_pair(Clock::now() - start, info.model);
  });
  if (!call.waitFor(20s)) {
    device_.readUntilQuiet();  // unblock the stuck writer so the test can end
    FAIL() << "a write hung on a port that does not drain";
  }
  auto [took, model] = call.get();
  std::string err = korvane::test::withoutReports(testing::internal::GetCapturedStderr());
  EXPECT_LT(took, 10s);
  EXPECT_EQ(model, 0);
  EXPECT_FLOAT_EQ(lidar->scanFrequency(), 6.0f);
  std::string gaveUp =
      "[LidarMini] write error: " + device_.path() + " did not take the bytes within 1000 ms\n";
  EXPECT_EQ(err, gaveUp + "[LidarMini] SendCmd 0xb failed\n" + gaveUp +
                     "[LidarMini] SendCmd 0x90 failed\n");
}

}  // namespace

// A device unplugged while a query waits ends the wait at once instead of polling a dead port
// until the deadline.
TEST_F(LidarMiniTest, AHangUpDuringAQueryEndsItAtOnce) {
  Lidar lidar = open();
  ASSERT_NE(lidar, nullptr);
  std::string path = device_.path();
  std::thread device([&] {
    device_.readAtLeast(2);
    device_.hangUp();
  });
  testing::internal::CaptureStderr();
  auto start = Clock::now();
  LidarMiniJNI::LidarHealth health = lidar->c_LidarMini_getHealth();
  auto took = Clock::now() - start;
  device.join();
  std::string err = korvane::test::withoutReports(testing::internal::GetCapturedStderr());
  EXPECT_EQ(err.rfind("[LidarMini] ReadExact failed on " + path, 0), 0u) << err;
  EXPECT_NE(err.find("(got 0/7 bytes)\n"), std::string::npos) << err;
  EXPECT_LT(took, 1500ms) << "well before the 2 s deadline";
  EXPECT_EQ(health.status, 0);
}
