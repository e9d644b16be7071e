#include "common/SensorUsbPort.h"

#include <iostream>
#include <system_error>
#include <utility>

#include "KorvaneSerial.h"
#include "common/ConsoleLine.h"
#include "common/DeviceHealth.h"

namespace korvane {

namespace {

constexpr int kBaud = 115200;

}  // namespace

SensorUsbPort::SensorUsbPort(const std::string& path, const char* tag, DeviceHealth& health)
    : tag_(tag), health_(health), fd_(KorvaneSerial::Open(path, kBaud, tag)) {}

bool SensorUsbPort::startReader(SerialReader::Parser parser) {
  if (fd_ == -1) return false;
  health_.expectData(true);
  try {
    reader_.start(fd_, kReadBlock, std::move(parser), 0, &health_);
  } catch (const std::system_error& e) {
    printLine(std::cerr, std::string("[") + tag_ + "] Cannot start the reader thread: " + e.what());
  }
  return reader_.running();
}

bool SensorUsbPort::writeLine(const std::string& line) const {
  if (!KorvaneSerial::WriteLine(fd_, line)) {
    health_.failed(FailedCall::Send, -1);
    return false;
  }
  health_.sent();
  return true;
}

void SensorUsbPort::close() {
  reader_.stop();
  KorvaneSerial::Close(fd_);
  fd_ = -1;
}

}  // namespace korvane
