// How every tty the library opens is set up, for the serial layer and the Systemcore ports alike.

#pragma once

namespace korvane::serial {

/// Sets the tty raw 8N1 at `baud` (115200 for a rate it does not know), without flow control,
/// with reads that return what is there at once (waiting is the caller's poll). Returns nullptr,
/// or the name of the call that failed ("tcgetattr" or "tcsetattr") with errno set by it.
const char* configureRawTty(int fd, int baud);

}  // namespace korvane::serial
