// The serial-port layer on real pseudo-terminals: bytes written, reads and their wait, the
// terminal settings, open failures and the device-path choice.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

#include "KorvaneSerial.h"
#include "PseudoTerminal.h"
#include "serial/DevicePath.h"

using korvane::test::PseudoTerminal;
using namespace std::chrono_literals;

namespace {

class SerialPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(device_.ok()) << "no pseudo-terminal";
    fd_ = KorvaneSerial::Open(device_.path(), 115200, "Kromel");
    ASSERT_NE(fd_, -1);
  }
  void TearDown() override { KorvaneSerial::Close(fd_); }

  // Reads through the layer until `count` bytes arrived or five seconds passed.
  std::string readThroughLayer(size_t count) {
    std::string bytes;
    unsigned char buffer[256];
    auto deadline = std::chrono::steady_clock::now() + 5s;
    while (bytes.size() < count && std::chrono::steady_clock::now() < deadline) {
      int n = KorvaneSerial::Read(fd_, buffer, sizeof buffer);
      bytes.append(reinterpret_cast<char*>(buffer), static_cast<size_t>(n));
    }
    return bytes;
  }

  PseudoTerminal device_;
  int fd_ = -1;
};

TEST_F(SerialPortTest, WriteLineEndsLinesWithCarriageReturnAndLineFeedUnlessTheyEndInALineFeed) {
  EXPECT_TRUE(KorvaneSerial::WriteLine(fd_, "GETCONFIG"));
  EXPECT_EQ(device_.readAtLeast(11), "GETCONFIG\r\n");
  EXPECT_TRUE(KorvaneSerial::WriteLine(fd_, "SAMPLETIME,100\n"));
  EXPECT_EQ(device_.readAtLeast(15), "SAMPLETIME,100\n");
  EXPECT_TRUE(KorvaneSerial::WriteLine(fd_, ""));
  EXPECT_EQ(device_.readAtLeast(2), "\r\n");
  EXPECT_TRUE(KorvaneSerial::WriteLine(fd_, "A\r"));
  EXPECT_EQ(device_.readAtLeast(4), "A\r\r\n");
  EXPECT_EQ(device_.readUntilQuiet(), "");
}

TEST_F(SerialPortTest, WriteRefusesNothingToWriteAndNoPort) {
  const unsigned char data[] = {1, 2, 3};
  EXPECT_FALSE(KorvaneSerial::Write(fd_, data, 0));
  EXPECT_FALSE(KorvaneSerial::Write(fd_, data, -1));
  EXPECT_FALSE(KorvaneSerial::Write(fd_, nullptr, 3));
  EXPECT_FALSE(KorvaneSerial::Write(-1, data, 3));
  EXPECT_FALSE(KorvaneSerial::WriteLine(-1, "X"));
  EXPECT_EQ(device_.readUntilQuiet(), "");
}

TEST_F(SerialPortTest, WriteDeliversEveryByteInOrderWhenThePortBuffersLessThanTheData) {
  std::string data(256 * 1024, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 251);
  std::string arrived;
  std::thread device([&] { arrived = device_.readAtLeast(data.size(), 20s); });
  EXPECT_TRUE(KorvaneSerial::Write(fd_, reinterpret_cast<const unsigned char*>(data.data()),
                                   static_cast<int>(data.size())));
  device.join();
  EXPECT_TRUE(arrived == data) << "arrived " << arrived.size() << " of " << data.size();
}

TEST_F(SerialPortTest, ReadReturnsWhatArrivedAndZeroAfterItsWaitWhenNothingDid) {
  unsigned char buffer[64];
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(KorvaneSerial::Read(fd_, buffer, sizeof buffer), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 4ms) << "a quiet port is waited for";

  ASSERT_TRUE(device_.write("XYZ: 1,2,3\r\n"));
  EXPECT_EQ(readThroughLayer(12), "XYZ: 1,2,3\r\n");

  ASSERT_TRUE(device_.write("abcdef"));
  ASSERT_TRUE(device_.waitForPendingInput(6));
  EXPECT_EQ(KorvaneSerial::Read(fd_, buffer, 4), 4) << "size bounds the read";
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 4), "abcd");
  EXPECT_EQ(readThroughLayer(2), "ef");
}

TEST_F(SerialPortTest, ReadWithoutRoomOrPortReturnsZeroAndConsumesNothing) {
  unsigned char buffer[16];
  ASSERT_TRUE(device_.write("kept"));
  ASSERT_TRUE(device_.waitForPendingInput(4));
  EXPECT_EQ(KorvaneSerial::Read(fd_, buffer, 0), 0);
  EXPECT_EQ(KorvaneSerial::Read(fd_, nullptr, 16), 0);
  EXPECT_EQ(KorvaneSerial::Read(-1, buffer, 16), 0);
  EXPECT_EQ(readThroughLayer(4), "kept");
}

TEST_F(SerialPortTest, FlushRxDiscardsInputNotYetRead) {
  ASSERT_TRUE(device_.write("stale line\r\n"));
  ASSERT_TRUE(device_.waitForPendingInput(12));
  KorvaneSerial::FlushRx(fd_);
  KorvaneSerial::FlushRx(-1);
  ASSERT_TRUE(device_.write("fresh"));
  EXPECT_EQ(readThroughLayer(5), "fresh");
}

TEST_F(SerialPortTest, ReadWorksOnADescriptorAboveTheSelectLimit) {
  rlimit limit{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
  const int high = FD_SETSIZE + 100;
  if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max <= static_cast<rlim_t>(high)) {
    GTEST_SKIP() << "descriptor limit too low";
  }
  rlimit raised = limit;
  raised.rlim_cur = high + 1;
  if (limit.rlim_cur <= static_cast<rlim_t>(high)) {
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &raised), 0);
  }
  ASSERT_EQ(dup2(fd_, high), high);
  ASSERT_TRUE(device_.write("high"));
  unsigned char buffer[16];
  std::string bytes;
  auto deadline = std::chrono::steady_clock::now() + 5s;
  while (bytes.size() < 4 && std::chrono::steady_clock::now() < deadline) {
    int n = KorvaneSerial::Read(high, buffer, sizeof buffer);
    bytes.append(reinterpret_cast<char*>(buffer), static_cast<size_t>(n));
  }
  EXPECT_EQ(bytes, "high");
  KorvaneSerial::Close(high);
  setrlimit(RLIMIT_NOFILE, &limit);
}

// Whether the terminal layer under the test holds `speed` at all: qemu's user-mode emulation (the
// ARM test run) carries termios speeds only up to 460800 baud and turns B921600 into B0.
bool terminalHoldsSpeed(const std::string& path, speed_t speed) {
  int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
  if (fd < 0) return false;
  termios t{};
  bool held = tcgetattr(fd, &t) == 0 && cfsetospeed(&t, speed) == 0 &&
              cfsetispeed(&t, speed) == 0 && tcsetattr(fd, TCSANOW, &t) == 0 &&
              tcgetattr(fd, &t) == 0 && cfgetospeed(&t) == speed;
  close(fd);
  return held;
}

TEST(SerialPortSettings, RawEightNOneWithoutFlowControlAtTheSpeedOfTheBaudTable) {
  PseudoTerminal device;
  ASSERT_TRUE(device.ok());
  const std::pair<int, speed_t> table[] = {{9600, B9600},     {19200, B19200},   {38400, B38400},
                                           {57600, B57600},   {115200, B115200}, {230400, B230400},
                                           {460800, B460800}, {921600, B921600}, {0, B115200},
                                           {-9600, B115200},  {4800, B115200},   {250000, B115200}};
  for (const auto& [baud, speed] : table) {
    SCOPED_TRACE("baud " + std::to_string(baud));
    if (!terminalHoldsSpeed(device.path(), speed)) {
      std::cout << "baud " << baud << " left out: this terminal layer cannot hold its speed\n";
      continue;
    }
    int fd = KorvaneSerial::Open(device.path(), baud, "Dystan");
    ASSERT_NE(fd, -1);
    termios t{};
    ASSERT_EQ(tcgetattr(fd, &t), 0);
    EXPECT_EQ(cfgetospeed(&t), speed);
    EXPECT_EQ(cfgetispeed(&t), speed);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_cc[VMIN], 0);
    EXPECT_EQ(t.c_cc[VTIME], 0);
    EXPECT_TRUE(fcntl(fd, F_GETFL) & O_NONBLOCK);
    KorvaneSerial::Close(fd);
  }
  EXPECT_EQ(B57600, 4097u);
  EXPECT_EQ(B115200, 4098u);
}

TEST(SerialPortSettings, OpenDropsWhatWasQueuedBefore) {
  PseudoTerminal device;
  ASSERT_TRUE(device.ok());
  ASSERT_TRUE(device.write("before open"));
  ASSERT_TRUE(device.waitForPendingInput(11));
  int fd = KorvaneSerial::Open(device.path(), 115200, "Kromel");
  ASSERT_NE(fd, -1);
  ASSERT_TRUE(device.write("after"));
  std::string bytes;
  unsigned char buffer[64];
  auto deadline = std::chrono::steady_clock::now() + 5s;
  while (bytes.size() < 5 && std::chrono::steady_clock::now() < deadline) {
    int n = KorvaneSerial::Read(fd, buffer, sizeof buffer);
    bytes.append(reinterpret_cast<char*>(buffer), static_cast<size_t>(n));
  }
  EXPECT_EQ(bytes, "after");
  KorvaneSerial::Close(fd);
}

TEST(SerialPortOpen, FailuresPrintOneTaggedLineAndGiveMinusOne) {
  std::string missing = "/tmp/korvane-no-such-dir-" + std::to_string(getpid()) + "/ttyACM9";
  testing::internal::CaptureStderr();
  EXPECT_EQ(KorvaneSerial::Open(missing, 115200, "Kromel"), -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "[Kromel] Cannot open " + missing + ": " + std::strerror(ENOENT) + "\n");

  int before = open("/dev/null", O_RDONLY);
  close(before);
  testing::internal::CaptureStderr();
  EXPECT_EQ(KorvaneSerial::Open("/dev/null", 9600, "Dystan"), -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            std::string("[Dystan] tcgetattr: ") + std::strerror(ENOTTY) + "\n");
  int after = open("/dev/null", O_RDONLY);
  EXPECT_EQ(after, before) << "the descriptor of the failed open is closed";
  close(after);
}

class DevicePathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/korvane-dev-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::system(("rm -rf " + dir_).c_str()); }
  void create(const std::string& name) { std::ofstream(dir_ + "/" + name).put('x'); }
  std::string choose(int index) { return korvane::serial::findDevicePathIn(dir_, index); }

  std::string dir_;
};

TEST_F(DevicePathTest, FirstDeviceForEveryIndexButThreeWhichTakesTheSecond) {
  create("ttyUSB0");
  create("ttyACM0");
  EXPECT_EQ(choose(0), dir_ + "/ttyACM0");
  EXPECT_EQ(choose(3), dir_ + "/ttyUSB0");
  for (int index : {1, 2, 4, -1}) EXPECT_EQ(choose(index), dir_ + "/ttyACM0");
}

TEST_F(DevicePathTest, OrderIsByteWiseAndOnlyNamesStartingWithTheUsbPrefixesCount) {
  for (const char* name : {"ttyACM2", "ttyACM10", "ttyACM1", "ttyS0", "xttyACM0", "tty", "ttyUS"})
    create(name);
  mkdir((dir_ + "/ttyUSB9").c_str(), 0700);  // any kind of entry is taken
  EXPECT_EQ(choose(0), dir_ + "/ttyACM1");
  EXPECT_EQ(choose(3), dir_ + "/ttyACM10");
  rmdir((dir_ + "/ttyUSB9").c_str());
  for (const char* name : {"ttyACM2", "ttyACM10", "ttyACM1"}) unlink((dir_ + "/" + name).c_str());
  create("ttyUSB0");
  EXPECT_EQ(choose(3), "/dev/ttyACM1") << "one device: index 3 falls back";
  EXPECT_EQ(choose(2), dir_ + "/ttyUSB0");
}

TEST_F(DevicePathTest, FallbacksWhenNothingMatchesOrTheDirectoryCannotBeRead) {
  create("ttyS0");
  EXPECT_EQ(choose(3), "/dev/ttyACM1");
  EXPECT_EQ(choose(0), "/dev/ttyACM0");
  EXPECT_EQ(choose(-7), "/dev/ttyACM0");
  EXPECT_EQ(korvane::serial::findDevicePathIn(dir_ + "/missing", 3), "/dev/ttyACM1");
  EXPECT_EQ(korvane::serial::findDevicePathIn(dir_ + "/missing", 1), "/dev/ttyACM0");
}

TEST(DevicePath, TheRealFunctionListsDev) {
  std::string path = KorvaneSerial::FindDevicePath(0);
  EXPECT_EQ(path, korvane::serial::findDevicePathIn("/dev", 0));
  EXPECT_EQ(path.rfind("/dev/tty", 0), 0u);
}

}  // namespace
