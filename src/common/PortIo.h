#pragma once

// Writing on a device descriptor (a serial port or a pseudo-terminal) and naming it, shared by
// every driver that streams bytes: a write gives up at a deadline instead of hanging on a port
// that stops draining.
//
// Threading: no state; any thread. One thread may read while another writes.

#include <chrono>
#include <cstddef>

namespace korvane {

enum class WriteResult {
  Done,      // every byte written and transmitted
  Failed,    // the port refused the bytes (an error other than a full buffer)
  TimedOut,  // the port stopped taking or transmitting bytes before the deadline
};

// Writes all bytes, then waits until the port has transmitted them, giving up at the deadline.
// After Failed or TimedOut part of the data may have been sent.
WriteResult writeAllBefore(int fd, const unsigned char* data, size_t len,
                           std::chrono::steady_clock::time_point deadline);

// The path a descriptor was opened from ("/dev/ttyACM0", "COM5"), for error lines; "fd <n>"
// when unknown.
const char* describePort(int fd, char* buffer, size_t size);

}  // namespace korvane
