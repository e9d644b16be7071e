#pragma once

// Waiting and writing on a device descriptor (a serial port or a pseudo-terminal), shared by every
// driver that streams bytes: a reader blocks until its port has input or its owner asks it to
// stop, and a write gives up at a deadline instead of hanging on a port that stops draining.
//
// Threading: no state; any thread. One thread may wait or read while another writes.

#include <chrono>
#include <cstddef>

#include "common/StopSignal.h"

namespace korvane {

enum class PortEvent {
  Input,    // bytes are waiting to be read
  Stop,     // stop was requested
  HungUp,   // the device is gone or failed: reads will not block
  Timeout,  // nothing happened within the time given
};

// Blocks until the port has input, stop is requested, the device hangs up, or timeoutMs passes
// (-1: no limit). A stop request wins over waiting input.
PortEvent waitForInput(int fd, const StopSignal& stop, int timeoutMs);

enum class WriteResult {
  Done,      // every byte written and transmitted
  Failed,    // the port refused the bytes (an error other than a full buffer)
  TimedOut,  // the port stopped taking or transmitting bytes before the deadline
};

// Writes all bytes, then waits until the port has transmitted them, giving up at the deadline.
// After Failed or TimedOut part of the data may have been sent.
WriteResult writeAllBefore(int fd, const unsigned char* data, size_t len,
                           std::chrono::steady_clock::time_point deadline);

// The path a descriptor was opened from ("/dev/ttyACM0"), for error lines; "fd <n>" when unknown.
const char* describePort(int fd, char* buffer, size_t size);

}  // namespace korvane
