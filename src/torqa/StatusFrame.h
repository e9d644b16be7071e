#pragma once

// One read of a status frame of the motor controller: the newest frame of an API that the HAL
// holds for the handle, however old, with the time the HAL received it.

#include <cstdint>

namespace korvane::torqa {

// An error code of none: a read that raises prints nothing.
constexpr int kNoText = 0;

struct StatusFrame {
  unsigned char data[8] = {};  // all zeros when no frame was copied
  int32_t status = 0;
  bool raised = false;
  uint64_t timestamp = 0;  // milliseconds of the HAL's CAN receive clock

  bool there() const { return !raised && status == 0; }
};

// Reads through the handle alone, whether or not it is open: the HAL fails the read when it is
// not. A read that raises prints the text of errorCode (unless kNoText) and leaves the zeros.
StatusFrame readStatusFrame(long handle, int api, int errorCode);

}  // namespace korvane::torqa
