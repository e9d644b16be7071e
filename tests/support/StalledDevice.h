#pragma once

// A serial device that has stopped taking bytes, for tests of writes that must give up.

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <string>

namespace korvane::test {

// A device that has stopped taking bytes: nothing is read on its side and the terminal holds its
// output (as flow control would), so a write finds no room and nothing drains.
class StalledDevice {
 public:
  explicit StalledDevice(const std::string& path)
      : fd_(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {
    stalled_ = fd_ >= 0 && tcflow(fd_, TCOOFF) == 0;
  }
  ~StalledDevice() {
    resume();
    if (fd_ >= 0) close(fd_);
  }
  bool ok() const { return stalled_; }
  void resume() {
    if (fd_ >= 0) tcflow(fd_, TCOON);
  }

 private:
  int fd_;
  bool stalled_ = false;
};

}  // namespace korvane::test
