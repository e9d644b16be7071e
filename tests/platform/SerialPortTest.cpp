// The serial-port stand-in keeps the HAL's contracts on real ttys (pseudo-terminals here):
// settings go to the tty and read back, reads wait up to the port's timeout for the count asked,
// bytes waiting are reported, closed and unknown handles fail with negative statuses, port
// numbers can be remapped, and every call is recorded.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "PseudoTerminal.h"
#include "hal/SerialPort.h"
#include "korvane/sim/Serial.h"

using namespace korvane;
using sim::SerialCall;
using Clock = std::chrono::steady_clock;

namespace {

class SerialPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::resetSerial();
    ASSERT_TRUE(terminal.ok());
    ASSERT_TRUE(sim::mapSerialPort(HAL_SerialPort_USB1, terminal.path()));
  }
  void TearDown() override { sim::resetSerial(); }

  HAL_SerialPortHandle open() {
    int32_t status = 1;
    HAL_SerialPortHandle handle = HAL_InitializeSerialPort(HAL_SerialPort_USB1, &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(handle, HAL_kInvalidHandle);
    return handle;
  }

  test::PseudoTerminal terminal;
};

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST_F(SerialPortTest, PortsStartOnTheControllersPathsAndCanBeRemapped) {
  sim::resetSerial();
  EXPECT_EQ(sim::serialPortPath(0), "/dev/ttyS0");
  EXPECT_EQ(sim::serialPortPath(1), "/dev/ttyS1");
  EXPECT_EQ(sim::serialPortPath(2), "/dev/ttyUSB0");
  EXPECT_EQ(sim::serialPortPath(3), "/dev/ttyUSB1");
  EXPECT_EQ(sim::serialPortPath(4), "");
  EXPECT_FALSE(sim::mapSerialPort(4, terminal.path()));

  EXPECT_TRUE(sim::mapSerialPort(HAL_SerialPort_MXP, terminal.path()));
  int32_t status = 1;
  HAL_SerialPortHandle handle = HAL_InitializeSerialPort(HAL_SerialPort_MXP, &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(sim::serialSettings(handle).path, terminal.path());
}

TEST_F(SerialPortTest, OpeningFailsWithNegativeStatusesAndNoHandle) {
  int32_t status = 0;
  EXPECT_EQ(HAL_InitializeSerialPort(static_cast<HAL_SerialPort>(7), &status), HAL_kInvalidHandle);
  EXPECT_EQ(status, sim::kSerialParameterOutOfRange);

  sim::mapSerialPort(HAL_SerialPort_USB2, "/nonexistent/ttyKorvane");
  status = 0;
  EXPECT_EQ(HAL_InitializeSerialPort(HAL_SerialPort_USB2, &status), HAL_kInvalidHandle);
  EXPECT_EQ(status, -2);  // no such file

  sim::failSerialCalls(SerialCall::Initialize, -1234, 1);
  status = 0;
  EXPECT_EQ(HAL_InitializeSerialPort(HAL_SerialPort_USB1, &status), HAL_kInvalidHandle);
  EXPECT_EQ(status, -1234);
  EXPECT_EQ(sim::openSerialHandles(), 0);
  open();  // the injected failure was for one call only
  EXPECT_EQ(sim::openSerialHandles(), 1);
}

TEST_F(SerialPortTest, SettingsReachTheTtyAndReadBack) {
  HAL_SerialPortHandle handle = open();
  sim::SerialSettings defaults = sim::serialSettings(handle);
  ASSERT_TRUE(defaults.valid);
  EXPECT_EQ(defaults.baudRate, 9600);
  EXPECT_EQ(defaults.dataBits, 8);
  EXPECT_EQ(defaults.parity, 0);
  EXPECT_EQ(defaults.stopBits, 10);
  EXPECT_DOUBLE_EQ(defaults.timeoutSeconds, 5.0);

  int32_t status = 1;
  HAL_SetSerialBaudRate(handle, 115200, &status);
  EXPECT_EQ(status, 0);
  HAL_SetSerialDataBits(handle, 7, &status);
  EXPECT_EQ(status, 0);
  HAL_SetSerialParity(handle, 2, &status);
  EXPECT_EQ(status, 0);
  HAL_SetSerialStopBits(handle, 20, &status);
  EXPECT_EQ(status, 0);
  HAL_SetSerialTimeout(handle, 0.25, &status);
  EXPECT_EQ(status, 0);
  HAL_SetSerialWriteMode(handle, 2, &status);
  EXPECT_EQ(status, 0);
  HAL_DisableSerialTermination(handle, &status);
  EXPECT_EQ(status, 0);

  sim::SerialSettings set = sim::serialSettings(handle);
  EXPECT_EQ(set.baudRate, 115200);
  EXPECT_EQ(set.dataBits, 7);
  EXPECT_EQ(set.parity, 2);
  EXPECT_EQ(set.stopBits, 20);
  EXPECT_DOUBLE_EQ(set.timeoutSeconds, 0.25);
  EXPECT_EQ(set.writeMode, 2);
  EXPECT_FALSE(set.terminationEnabled);

  HAL_SetSerialParity(handle, 1, &status);
  EXPECT_EQ(sim::serialSettings(handle).parity, 1);

  // Values the port cannot take change nothing.
  HAL_SetSerialBaudRate(handle, 12345, &status);
  EXPECT_EQ(status, sim::kSerialParameterOutOfRange);
  HAL_SetSerialDataBits(handle, 9, &status);
  EXPECT_EQ(status, sim::kSerialParameterOutOfRange);
  HAL_SetSerialStopBits(handle, 11, &status);
  EXPECT_EQ(status, sim::kSerialParameterOutOfRange);
  HAL_SetSerialTimeout(handle, -1.0, &status);
  EXPECT_EQ(status, sim::kSerialParameterOutOfRange);
  sim::SerialSettings after = sim::serialSettings(handle);
  EXPECT_EQ(after.baudRate, 115200);
  EXPECT_EQ(after.dataBits, 7);
  EXPECT_EQ(after.stopBits, 20);
  EXPECT_DOUBLE_EQ(after.timeoutSeconds, 0.25);
}

TEST_F(SerialPortTest, ReadReturnsAtOnceWhenTheCountIsWaitingAndReportsBytesReceived) {
  HAL_SerialPortHandle handle = open();
  int32_t status = 1;
  HAL_SetSerialTimeout(handle, 10.0, &status);
  ASSERT_TRUE(terminal.write("\xAA\x55hello"));
  auto start = Clock::now();
  while (HAL_GetSerialBytesReceived(handle, &status) < 7 && secondsSince(start) < 5) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(HAL_GetSerialBytesReceived(handle, &status), 7);
  EXPECT_EQ(status, 0);

  char buffer[16] = {};
  start = Clock::now();
  EXPECT_EQ(HAL_ReadSerial(handle, buffer, 2, &status), 2);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(std::string(buffer, 2), "\xAA\x55");
  EXPECT_EQ(HAL_GetSerialBytesReceived(handle, &status), 5);
  EXPECT_EQ(HAL_ReadSerial(handle, buffer, 5, &status), 5);
  EXPECT_EQ(std::string(buffer, 5), "hello");
  EXPECT_LT(secondsSince(start), 5.0);  // far below the 10 s timeout
}

TEST_F(SerialPortTest, ReadWaitsUpToTheTimeoutAndReturnsWhatArrived) {
  HAL_SerialPortHandle handle = open();
  int32_t status = 1;
  HAL_SetSerialTimeout(handle, 0.3, &status);
  ASSERT_TRUE(terminal.write("abc"));
  ASSERT_TRUE(terminal.waitForPendingInput(3));
  char buffer[16] = {};
  auto start = Clock::now();
  EXPECT_EQ(HAL_ReadSerial(handle, buffer, 10, &status), 3);
  EXPECT_GE(secondsSince(start), 0.29);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(std::string(buffer, 3), "abc");

  // Bytes that arrive during the wait complete the count.
  std::thread late([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    terminal.write("xy");
  });
  HAL_SetSerialTimeout(handle, 10.0, &status);
  start = Clock::now();
  EXPECT_EQ(HAL_ReadSerial(handle, buffer, 2, &status), 2);
  late.join();
  EXPECT_LT(secondsSince(start), 5.0);
  EXPECT_EQ(std::string(buffer, 2), "xy");
}

TEST_F(SerialPortTest, ClosingWakesABlockedReaderAndLaterCallsFail) {
  HAL_SerialPortHandle handle = open();
  int32_t status = 1;
  HAL_SetSerialTimeout(handle, 30.0, &status);
  int32_t readStatus = 0;
  int32_t got = -1;
  auto start = Clock::now();
  std::thread reader([&] {
    char buffer[4];
    got = HAL_ReadSerial(handle, buffer, 4, &readStatus);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  HAL_CloseSerial(handle);
  EXPECT_EQ(status, 0);
  reader.join();
  EXPECT_LT(secondsSince(start), 10.0);
  EXPECT_EQ(got, 0);
  EXPECT_EQ(readStatus, sim::kSerialHandleError);

  // As the roboRIO's HAL: a handle error, and -1 for the counts.
  EXPECT_EQ(HAL_GetSerialBytesReceived(handle, &status), -1);
  EXPECT_EQ(status, sim::kSerialHandleError);
  char buffer[4];
  EXPECT_EQ(HAL_ReadSerial(handle, buffer, 4, &status), -1);
  EXPECT_EQ(status, sim::kSerialHandleError);
  EXPECT_EQ(HAL_WriteSerial(handle, "ping", 4, &status), -1);
  EXPECT_EQ(status, sim::kSerialHandleError);
  HAL_SetSerialBaudRate(handle, 115200, &status);
  EXPECT_EQ(status, sim::kSerialHandleError);
  HAL_CloseSerial(handle);
  auto calls = sim::serialCalls();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back().call, SerialCall::Close);
  EXPECT_EQ(calls.back().status, sim::kSerialHandleError);
  EXPECT_FALSE(sim::serialSettings(handle).valid);
  EXPECT_EQ(sim::openSerialHandles(), 0);

  HAL_GetSerialBytesReceived(0, &status);
  EXPECT_EQ(status, sim::kSerialHandleError);
}

TEST_F(SerialPortTest, AHungUpDeviceFailsTheReadInsteadOfWaiting) {
  HAL_SerialPortHandle handle = open();
  int32_t status = 0;
  HAL_SetSerialTimeout(handle, 30.0, &status);
  terminal.hangUp();
  char buffer[4];
  auto start = Clock::now();
  EXPECT_EQ(HAL_ReadSerial(handle, buffer, 4, &status), 0);
  EXPECT_GT(status, 0) << "the system's error, as the roboRIO's HAL gives errno";
  EXPECT_LT(secondsSince(start), 10.0);
}

TEST_F(SerialPortTest, WritesReachTheDevice) {
  HAL_SerialPortHandle handle = open();
  int32_t status = 1;
  EXPECT_EQ(HAL_WriteSerial(handle, "ping", 4, &status), 4);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(terminal.readAtLeast(4), "ping");
}

TEST_F(SerialPortTest, TheCallLogKeepsAboutAMegabyteOfBytes) {
  HAL_SerialPortHandle handle = open();
  int32_t status = 0;
  HAL_SetSerialTimeout(handle, 5.0, &status);
  const std::string block(1024, 'x');
  char buffer[1024];
  for (int i = 0; i < 1600; ++i) {  // a flood of 1.6 MB
    ASSERT_TRUE(terminal.write(block));
    ASSERT_EQ(HAL_ReadSerial(handle, buffer, sizeof buffer, &status), 1024) << i;
  }
  auto calls = sim::serialCalls();
  size_t bytes = 0;
  for (const auto& call : calls) bytes += call.bytes.size();
  EXPECT_LE(bytes, sim::kSerialLogBytes);
  EXPECT_GE(bytes, sim::kSerialLogBytes - 1024) << "the oldest calls go first";
  EXPECT_EQ(calls.back().call, SerialCall::Read);
  EXPECT_EQ(calls.back().bytes, block);
}

TEST_F(SerialPortTest, EveryCallIsRecordedInOrder) {
  HAL_SerialPortHandle handle = open();
  int32_t status = 0;
  HAL_SetSerialBaudRate(handle, 115200, &status);
  HAL_SetSerialTimeout(handle, 0.05, &status);
  ASSERT_TRUE(terminal.write("Z"));
  ASSERT_TRUE(terminal.waitForPendingInput(1));
  char buffer[2];
  HAL_ReadSerial(handle, buffer, 2, &status);
  HAL_CloseSerial(handle);

  auto calls = sim::serialCalls();
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(calls[0].call, SerialCall::Initialize);
  EXPECT_EQ(calls[0].handle, handle);
  EXPECT_EQ(calls[0].port, HAL_SerialPort_USB1);
  EXPECT_EQ(calls[1].call, SerialCall::SetBaudRate);
  EXPECT_EQ(calls[1].value, 115200);
  EXPECT_EQ(calls[2].call, SerialCall::SetTimeout);
  EXPECT_DOUBLE_EQ(calls[2].value, 0.05);
  EXPECT_EQ(calls[3].call, SerialCall::Read);
  EXPECT_EQ(calls[3].value, 2);
  EXPECT_EQ(calls[3].result, 1);
  EXPECT_EQ(calls[3].bytes, "Z");
  EXPECT_EQ(calls[4].call, SerialCall::Close);
  EXPECT_EQ(calls[4].status, 0);
  sim::clearSerialCalls();
  EXPECT_TRUE(sim::serialCalls().empty());
}

// As on the controller: a port is open at most once, and every opening gives it its one handle.
TEST_F(SerialPortTest, APortOpensOnceAtATimeAndAlwaysWithItsOwnHandle) {
  HAL_SerialPortHandle first = open();
  int32_t status = 0;
  EXPECT_EQ(HAL_InitializeSerialPort(HAL_SerialPort_USB1, &status), HAL_kInvalidHandle);
  EXPECT_EQ(status, sim::kSerialResourceIsAllocated);
  EXPECT_EQ(sim::openSerialHandles(), 1);
  // The refused opening left the open one as it was.
  ASSERT_TRUE(terminal.write("k"));
  HAL_SetSerialTimeout(first, 5.0, &status);
  char byte = 0;
  EXPECT_EQ(HAL_ReadSerial(first, &byte, 1, &status), 1);
  EXPECT_EQ(byte, 'k');

  HAL_CloseSerial(first);
  EXPECT_EQ(open(), first);

  test::PseudoTerminal other;
  ASSERT_TRUE(other.ok());
  ASSERT_TRUE(sim::mapSerialPort(HAL_SerialPort_MXP, other.path()));
  HAL_SerialPortHandle mxp = HAL_InitializeSerialPort(HAL_SerialPort_MXP, &status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(mxp, HAL_kInvalidHandle);
  EXPECT_NE(mxp, first);
}

}  // namespace
