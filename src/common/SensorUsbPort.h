#pragma once

// The USB link of a sensor's USB part: its serial port at 115200 baud, raw 8N1, and the reader
// thread that hands each read to the part's parser and keeps the part's health (bytes heard,
// silence, a hang-up). Lines the port does not take count as failed sends. Closing stops and
// joins the reader before the port goes, so the reader never uses a closed descriptor.
//
// Threading: the constructor, startReader, stopReader, close and the destructor belong to the
// owner, one at a time. writeLine and fd() may be used from any thread while the reader runs.

#include <string>

#include "serial/SerialReader.h"

namespace korvane {

class DeviceHealth;

class SensorUsbPort {
 public:
  // The most the reader reads at a time.
  static constexpr int kReadBlock = 256;

  // Opens the port; a failure prints the serial layer's "[<tag>] ..." line on standard error and
  // leaves the link closed. The health must outlive the link.
  SensorUsbPort(const std::string& path, const char* tag, DeviceHealth& health);
  ~SensorUsbPort() { close(); }
  SensorUsbPort(const SensorUsbPort&) = delete;
  SensorUsbPort& operator=(const SensorUsbPort&) = delete;

  bool isOpen() const { return fd_ != -1; }
  int fd() const { return fd_; }

  // Starts the reader, handing it reads of up to kReadBlock bytes; nothing when the port is closed
  // or the reader already runs. When no thread can be made it prints "[<tag>] Cannot start the
  // reader thread: <reason>" on standard error. Whether the reader runs.
  bool startReader(SerialReader::Parser parser);
  void stopReader() { reader_.stop(); }
  bool readerRunning() const { return reader_.running(); }
  // Sends the text followed by "\r\n"; false (after the serial layer's line) when the port does
  // not take it.
  bool writeLine(const std::string& line) const;
  // Stops the reader and closes the port.
  void close();

 private:
  const char* tag_;
  DeviceHealth& health_;
  int fd_;
  SerialReader reader_;
};

}  // namespace korvane
