#pragma once

// Serial ports for the USB devices (colour sensor, distance sensor, mini LiDAR): raw 8N1 at
// a chosen speed without flow control, whole-buffer and line writes, reads that wait a bounded
// time or until stop, and the choice of a USB serial device path.
//
// The layer keeps no state: every operation takes a plain descriptor, -1 meaning that no port
// is open; every operation accepts -1 and ignores it without a system call. The caller owns the
// descriptor and closes it with Close.
//
// Threading: every function may be called from any thread. One descriptor may be read by one
// thread while another writes to it; the layer adds no lock, it relies on the operating system.
// Write, WriteWithin and WriteLine block until the bytes have left the port, at most
// kWriteDeadlineMs; Read blocks at most 5 ms, ReadWithin at most its wait; ReadOrStop blocks until
// input arrives, stop is requested or its wait (if any) is over.

#include <string>

namespace korvane {
class StopSignal;
}

class KorvaneSerial {
 public:
  // Opens the device non-blocking, configures raw 8N1 without flow control at the baud rate
  // (9600, 19200, 38400, 57600, 230400, 460800 or 921600; every other value means 115200) and
  // drops anything queued. The descriptor, or -1 after one "[<tag>] ..." line on standard error.
  static int Open(const std::string& path, int baud, const char* tag);
  static void Close(int fd);
  // How long Read waits for input.
  static constexpr int kReadWaitMs = 5;
  // How long one Write may take in all, writing and draining.
  static constexpr int kWriteDeadlineMs = 1000;
  // After a hang-up or a failed read, ReadOrStop waits this long for stop before it returns, so a
  // reader that simply calls it again wakes at most twice a second.
  static constexpr int kFailedPortPauseMs = 500;

  // Writes all len bytes, then waits until they are transmitted. False for -1, null data,
  // len <= 0 or a write error (part of the data may then have been sent), and after one
  // "[KorvaneSerial] Write to <port> ..." line on standard error when the port has not taken and
  // transmitted everything within kWriteDeadlineMs.
  static bool Write(int fd, const unsigned char* data, int len);
  enum class WriteOutcome { Done, Failed, TimedOut };
  // Write for callers that report a failure in their own words: prints nothing. Failed for -1,
  // null data or len <= 0 (errno is then untouched) and for a write error (errno tells which).
  static WriteOutcome WriteWithin(int fd, const unsigned char* data, int len);
  // Waits at most 5 ms for input, then reads up to size bytes. The byte count, or 0 for a
  // timeout, an error or invalid arguments.
  static int Read(int fd, unsigned char* buf, int size);
  // Waits at most waitMs for input, then reads up to size bytes. The byte count; 0 when nothing
  // came in time, or for invalid arguments (at once); -1 when the device has hung up or the read
  // failed (errno tells why).
  static int ReadWithin(int fd, unsigned char* buf, int size, int waitMs);
  // Bytes received and not yet read; 0 for -1.
  static int Available(int fd);
  // Blocks until input arrives, stop is requested or waitMs passes (-1: no limit), then reads up
  // to size bytes. The byte count (> 0); 0 when stop was requested or nothing came within waitMs
  // (stop.requested() tells which); -1 for invalid arguments, or when the device has hung up or a
  // read failed, after waiting up to kFailedPortPauseMs for stop.
  static int ReadOrStop(int fd, unsigned char* buf, int size, const korvane::StopSignal& stop,
                        int waitMs = -1);
  // Discards input received but not yet read.
  static void FlushRx(int fd);
  // Sends the text followed by "\r\n", or unchanged when it already ends in "\n".
  static bool WriteLine(int fd, const std::string& line);
  // A USB serial device path from /dev: the first ttyACM*/ttyUSB* entry in byte-wise order, or
  // the second for index 3; "/dev/ttyACM0" (or "/dev/ttyACM1" for index 3) when there is none.
  // On Windows the first (second) of the system's serial ports in number order, "COM5"; "COM1"
  // ("COM2") when there is none. Open takes such a name as it is.
  static std::string FindDevicePath(int index);
};
