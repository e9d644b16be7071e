// The serial layer's operations that are the same on every system; opening, reading and flushing
// a port are in posix/ and windows/.

#include "KorvaneSerial.h"

#include <algorithm>
#include <chrono>
#include <iostream>

#include "common/ConsoleLine.h"
#include "common/PortIo.h"
#include "serial/DevicePath.h"

KorvaneSerial::WriteOutcome KorvaneSerial::WriteWithin(int fd, const unsigned char* data, int len) {
  if (fd == -1 || data == nullptr || len <= 0) return WriteOutcome::Failed;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWriteDeadlineMs);
  switch (korvane::writeAllBefore(fd, data, static_cast<size_t>(len), deadline)) {
    case korvane::WriteResult::Done:
      return WriteOutcome::Done;
    case korvane::WriteResult::TimedOut:
      return WriteOutcome::TimedOut;
    default:
      return WriteOutcome::Failed;
  }
}

bool KorvaneSerial::Write(int fd, const unsigned char* data, int len) {
  WriteOutcome result = WriteWithin(fd, data, len);
  if (result == WriteOutcome::TimedOut) {
    char port[256];
    korvane::printLine(std::cerr, std::string("[KorvaneSerial] Write to ") +
                                      korvane::describePort(fd, port, sizeof port) +
                                      " gave up after " + std::to_string(kWriteDeadlineMs) +
                                      " ms: the port is not draining");
  }
  return result == WriteOutcome::Done;
}

int KorvaneSerial::Read(int fd, unsigned char* buf, int size) {
  return std::max(ReadWithin(fd, buf, size, kReadWaitMs), 0);
}

bool KorvaneSerial::WriteLine(int fd, const std::string& line) {
  std::string text = line;
  if (text.empty() || text.back() != '\n') text += "\r\n";
  return Write(fd, reinterpret_cast<const unsigned char*>(text.data()),
               static_cast<int>(text.size()));
}

std::string KorvaneSerial::FindDevicePath(int index) {
  return korvane::serial::findDevicePathIn(korvane::serial::deviceDirectory(), index);
}
