// The pseudo-terminal side shared by the serial device simulators.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <string>

#include "Wait.h"
#include "sim/pty/PtyDevice.h"

namespace korvane::sim {
namespace {

using korvane::test::waitUntil;

// The driver's end: the terminal opened as a serial port is.
class DriverEnd {
 public:
  explicit DriverEnd(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_NOCTTY)) {}
  ~DriverEnd() {
    if (fd_ != -1) close(fd_);
  }
  bool ok() const { return fd_ != -1; }
  bool write(const std::string& bytes) {
    return ::write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }
  // Reads until count bytes came, the line hangs up, or 5 s pass.
  std::string read(size_t count) {
    std::string bytes;
    waitUntil([&] {
      pollfd entry{fd_, POLLIN, 0};
      if (poll(&entry, 1, 50) <= 0) return false;
      char buffer[256];
      ssize_t got = ::read(fd_, buffer, sizeof buffer);
      if (got <= 0) return true;
      bytes.append(buffer, static_cast<size_t>(got));
      return bytes.size() >= count;
    });
    return bytes;
  }
  // What a read gives once the device has gone: 0 (end) or -1 with EIO.
  bool readFails() {
    char byte;
    ssize_t got = ::read(fd_, &byte, 1);
    return got == 0 || (got < 0 && errno == EIO);
  }

 private:
  int fd_;
};

// When the terminal's node was made, or 0 once it is gone. A freed terminal's number goes to the
// next terminal any program opens, under a node made anew.
int64_t madeAt(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return 0;
  return int64_t{info.st_ctim.tv_sec} * 1'000'000'000 + info.st_ctim.tv_nsec;
}

TEST(PtyDeviceTest, CarriesBytesBothWaysUnchangedWithoutEcho) {
  auto device = PtyDevice::open();
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->path().rfind("/dev/pts/", 0), 0u) << device->path();
  DriverEnd driver(device->path());
  ASSERT_TRUE(driver.ok());

  const std::string toDriver("line\r\n\x00\xFF\n", 9);
  ASSERT_TRUE(device->writeAll(toDriver, 1000));
  EXPECT_EQ(driver.read(toDriver.size()), toDriver);

  const std::string fromDriver("CMD,1\n\x03\x7F", 8);
  ASSERT_TRUE(driver.write(fromDriver));
  std::string received;
  ASSERT_TRUE(waitUntil([&] {
    if (device->waitForInput(50)) received += device->readAvailable();
    return received.size() >= fromDriver.size();
  }));
  // Raw mode: no line-end translation either way, and no echo of what the device sent.
  EXPECT_EQ(received, fromDriver);
}

TEST(PtyDeviceTest, WakeEndsTheThreadsWaitAndStopJoinsIt) {
  auto device = PtyDevice::open();
  ASSERT_NE(device, nullptr);
  std::atomic<int> wakes{0};
  std::atomic<bool> returned{false};
  device->run([&] {
    while (!device->stopping()) {
      if (device->waitForWake(-1)) ++wakes;
    }
    returned = true;
  });
  device->wake();
  EXPECT_TRUE(waitUntil([&] { return wakes.load() >= 1; }));
  EXPECT_FALSE(device->stopping());
  device->stop();
  EXPECT_TRUE(device->stopping());
  EXPECT_TRUE(returned.load());
  device->stop();  // a second stop is harmless
  // A wait with input to watch also ends on a wake-up.
  device->wake();
  EXPECT_FALSE(device->waitForInput(-1));
}

TEST(PtyDeviceTest, ClosingHangsUpTheDriverAndLaterWritesFail) {
  auto device = PtyDevice::open();
  ASSERT_NE(device, nullptr);
  const std::string path = device->path();
  const int64_t made = madeAt(path);
  ASSERT_NE(made, 0) << path;
  DriverEnd driver(path);
  ASSERT_TRUE(driver.ok());
  device->run([&] {
    while (!device->stopping()) device->waitForInput(-1);
  });
  device->hangUp();
  EXPECT_TRUE(driver.readFails());
  EXPECT_FALSE(device->writeAll("x", 1000));
  EXPECT_TRUE(waitUntil([&] { return madeAt(path) != made; })) << path << " still there";
  device->hangUp();  // a second hang-up is harmless
}

TEST(PtyDeviceTest, WriteAllGivesUpWhenNobodyReadsTheTerminal) {
  auto device = PtyDevice::open();
  ASSERT_NE(device, nullptr);
  const std::string flood(1 << 20, 'x');
  EXPECT_FALSE(device->writeAll(flood, 100));
}

TEST(PtyDeviceTest, LineTimeCountsTenBitsAByte) {
  EXPECT_EQ(lineTime(0, 115200).count(), 0);
  EXPECT_EQ(lineTime(1, 115200).count(), 86805);
  EXPECT_EQ(lineTime(23040, 230400), std::chrono::seconds(1));
  const auto now = std::chrono::steady_clock::now();
  EXPECT_EQ(millisecondsUntil(now - std::chrono::seconds(1)), 0);
  EXPECT_GE(millisecondsUntil(now + std::chrono::seconds(10)), 9000);
}

}  // namespace
}  // namespace korvane::sim
