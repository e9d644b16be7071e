// The controller's serial ports as Systemcore builds reach them: USB serial ttys chosen by the
// port number (the first and second listed device, or the adapter a team named with a link), read
// as the LiDAR reads its port. Here the "devices" are pseudo-terminals linked into a folder that
// stands for /dev.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "PseudoTerminal.h"
#include "korvane/sim/SerialDevices.h"
#include "port/ControllerSerialPorts.h"

namespace {

namespace ports = korvane::port::controller_serial;
using korvane::test::PseudoTerminal;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int32_t kOnboard = 0;
constexpr int32_t kUsb1 = 2;
constexpr int32_t kUsb2 = 3;

class SystemcoreSerialPortsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/korvane-dev-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    korvane::sim::setSerialDeviceDirectory(folder_);
    ASSERT_TRUE(first_.ok() && second_.ok());
  }
  void TearDown() override {
    korvane::sim::setSerialDeviceDirectory("/dev");
    std::filesystem::remove_all(folder_);
  }
  void link(const PseudoTerminal& terminal, const std::string& name) {
    std::filesystem::create_directories(std::filesystem::path(folder_ + "/" + name).parent_path());
    std::filesystem::create_symlink(terminal.path(), folder_ + "/" + name);
  }
  // Opens the port and sets it up as the LiDAR does; 0 when it did not open.
  int32_t open(int32_t port, int32_t* status, double timeoutSeconds = 1.0) {
    int32_t handle = ports::initialize(port, status);
    if (handle != 0) ports::configure(handle, 115200, timeoutSeconds);
    return handle;
  }

  std::string folder_;
  PseudoTerminal first_;
  PseudoTerminal second_;
};

TEST_F(SystemcoreSerialPortsTest, TheUsbPortsAreTheListedDevicesInTheirOrder) {
  link(first_, "ttyACM0");
  link(second_, "ttyUSB0");
  int32_t status = -1;
  int32_t usb1 = open(kUsb1, &status);
  ASSERT_NE(usb1, 0);
  EXPECT_EQ(status, 0);
  int32_t usb2 = open(kUsb2, &status);
  ASSERT_NE(usb2, 0);

  ASSERT_TRUE(first_.write("\xAA\x55"));
  ASSERT_TRUE(second_.write("two"));
  char buffer[8] = {};
  EXPECT_EQ(ports::read(usb1, buffer, 2, &status), 2);
  EXPECT_EQ(std::string(buffer, 2), "\xAA\x55");
  EXPECT_EQ(ports::read(usb2, buffer, 3, &status), 3);
  EXPECT_EQ(std::string(buffer, 3), "two");
  ports::close(usb1);
  ports::close(usb2);
}

TEST_F(SystemcoreSerialPortsTest, ANamedAdapterIsTheOneItsPortOpens) {
  link(first_, "ttyACM0");
  link(second_, "korvane/USB1");
  link(second_, "korvane/ONBOARD");
  int32_t status = -1;
  int32_t usb1 = open(kUsb1, &status);
  ASSERT_NE(usb1, 0);
  int32_t onboard = open(kOnboard, &status);
  ASSERT_NE(onboard, 0) << "a named adapter gives a port Systemcore lacks a meaning";
  ASSERT_TRUE(second_.write("x"));
  char byte = 0;
  EXPECT_EQ(ports::read(usb1, &byte, 1, &status), 1);
  EXPECT_EQ(byte, 'x');
  ports::close(usb1);
  ports::close(onboard);
}

TEST_F(SystemcoreSerialPortsTest, APortWithNoDeviceDoesNotOpenAndSaysWhy) {
  int32_t status = 0;
  EXPECT_EQ(ports::initialize(kUsb1, &status), 0) << "nothing plugged in";
  EXPECT_EQ(status, -ENOENT);
  link(first_, "ttyUSB0");
  status = 0;
  EXPECT_EQ(ports::initialize(kUsb2, &status), 0) << "only one adapter";
  EXPECT_EQ(status, -ENOENT);
  status = 0;
  EXPECT_EQ(ports::initialize(kOnboard, &status), 0) << "Systemcore has no on-board port";
  EXPECT_EQ(status, -ENOENT);
  status = 0;
  EXPECT_EQ(ports::initialize(7, &status), 0);
  EXPECT_EQ(status, -EINVAL);
}

TEST_F(SystemcoreSerialPortsTest, AReadWaitsForWhatItAskedUpToTheTimeout) {
  link(first_, "ttyUSB0");
  int32_t status = -1;
  int32_t handle = open(kUsb1, &status, 0.3);
  ASSERT_NE(handle, 0);
  EXPECT_EQ(ports::bytesReceived(handle, &status), 0);
  ASSERT_TRUE(first_.write("abc"));
  ASSERT_TRUE(first_.waitForPendingInput(3));
  EXPECT_EQ(ports::bytesReceived(handle, &status), 3);
  EXPECT_EQ(status, 0);

  // Three of five bytes come: the read gives them after waiting out its timeout.
  char buffer[5] = {};
  const auto asked = Clock::now();
  EXPECT_EQ(ports::read(handle, buffer, 5, &status), 3);
  EXPECT_GE(Clock::now() - asked, 250ms);
  EXPECT_EQ(std::string(buffer, 3), "abc");

  // Bytes that come while it waits are taken at once.
  std::thread later([&] {
    std::this_thread::sleep_for(50ms);
    first_.write("de");
  });
  EXPECT_EQ(ports::read(handle, buffer, 2, &status), 2);
  later.join();
  EXPECT_EQ(std::string(buffer, 2), "de");
  ports::close(handle);
}

TEST_F(SystemcoreSerialPortsTest, ClosingAPortEndsAReadBlockedOnIt) {
  link(first_, "ttyUSB0");
  int32_t status = -1;
  int32_t handle = open(kUsb1, &status, 30.0);
  ASSERT_NE(handle, 0);
  char byte = 0;
  int32_t got = -1;
  int32_t readStatus = -1;
  Clock::time_point returned;
  std::thread reader([&] {
    got = ports::read(handle, &byte, 1, &readStatus);
    returned = Clock::now();
  });
  std::this_thread::sleep_for(100ms);
  const auto closed = Clock::now();
  ports::close(handle);
  reader.join();
  EXPECT_EQ(got, 0);
  EXPECT_LT(returned - closed, 5s) << "not the read's 30 s timeout";
  EXPECT_EQ(ports::bytesReceived(handle, &status), 0);
  EXPECT_EQ(status, -EBADF) << "a closed handle is no port";
}

TEST_F(SystemcoreSerialPortsTest, AnUnpluggedAdapterFailsTheReadAtOnce) {
  link(first_, "ttyUSB0");
  int32_t status = -1;
  int32_t handle = open(kUsb1, &status, 30.0);
  ASSERT_NE(handle, 0);
  first_.hangUp();
  char byte = 0;
  const auto asked = Clock::now();
  EXPECT_EQ(ports::read(handle, &byte, 1, &status), 0);
  EXPECT_LT(Clock::now() - asked, 5s);
  EXPECT_LT(status, 0);
  ports::close(handle);
}

}  // namespace
