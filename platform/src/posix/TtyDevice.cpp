// A tty with termios and poll; an eventfd wakes blocked reads and writes.

#include "TtyDevice.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <functional>

#include "MonotonicTime.h"
#include "korvane/sim/Serial.h"

namespace korvane::platform::serial {
namespace {

using korvane::sim::kSerialHandleError;
using korvane::sim::kSerialParameterOutOfRange;

struct BaudName {
  int32_t baud;
  speed_t speed;
};
constexpr BaudName kBauds[] = {{1200, B1200},     {2400, B2400},     {4800, B4800},
                               {9600, B9600},     {19200, B19200},   {38400, B38400},
                               {57600, B57600},   {115200, B115200}, {230400, B230400},
                               {460800, B460800}, {921600, B921600}};

// UNIX 98 pseudo-terminal slaves have majors 136 to 143.
bool isPseudoTerminal(int fd) {
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode)) return false;
  unsigned int kind = major(info.st_rdev);
  return kind >= 136 && kind <= 143;
}

int millisecondsLeft(int64_t deadlineUs) {
  int64_t left = deadlineUs - monotonicMicros();
  return left <= 0 ? 0 : static_cast<int>((left + 999) / 1000);
}

class PosixTty : public TtyDevice {
 public:
  PosixTty(int fd, int wake) : fd_(fd), wake_(wake), pseudoTerminal_(isPseudoTerminal(fd)) {}
  ~PosixTty() override {
    ::close(fd_);
    ::close(wake_);
  }

  int32_t setBaudRate(int32_t baud) override {
    return change([baud](termios& t) {
      for (const BaudName& b : kBauds) {
        if (b.baud == baud) {
          cfsetispeed(&t, b.speed);
          cfsetospeed(&t, b.speed);
          return true;
        }
      }
      return false;
    });
  }

  int32_t setDataBits(int32_t bits) override {
    return change([bits](termios& t) {
      static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
      if (bits < 5 || bits > 8) return false;
      t.c_cflag = (t.c_cflag & ~CSIZE) | sizes[bits - 5];
      return true;
    });
  }

  int32_t setParity(int32_t parity) override {
    return change([parity](termios& t) {
      static const tcflag_t flags[] = {0, PARENB | PARODD, PARENB, PARENB | CMSPAR | PARODD,
                                       PARENB | CMSPAR};
      if (parity < 0 || parity > 4) return false;
      t.c_cflag = (t.c_cflag & ~(PARENB | PARODD | CMSPAR)) | flags[parity];
      return true;
    });
  }

  int32_t setStopBits(int32_t stopBits) override {
    return change([stopBits](termios& t) {
      if (stopBits != 10 && stopBits != 15 && stopBits != 20) return false;
      // termios knows one or two; one and a half is what two means with 5 data bits.
      if (stopBits == 10) {
        t.c_cflag &= ~CSTOPB;
      } else {
        t.c_cflag |= CSTOPB;
      }
      return true;
    });
  }

  Settings settings() const override {
    Settings result;
    termios t{};
    if (tcgetattr(fd_, &t) != 0) return result;
    result.valid = true;
    speed_t speed = cfgetospeed(&t);
    for (const BaudName& b : kBauds) {
      if (b.speed == speed) result.baudRate = b.baud;
    }
    switch (t.c_cflag & CSIZE) {
      case CS5:
        result.dataBits = 5;
        break;
      case CS6:
        result.dataBits = 6;
        break;
      case CS7:
        result.dataBits = 7;
        break;
      default:
        result.dataBits = 8;
        break;
    }
    if (!(t.c_cflag & PARENB)) {
      result.parity = 0;
    } else if (t.c_cflag & CMSPAR) {
      result.parity = (t.c_cflag & PARODD) ? 3 : 4;
    } else {
      result.parity = (t.c_cflag & PARODD) ? 1 : 2;
    }
    result.stopBits = (t.c_cflag & CSTOPB) ? 20 : 10;
    return result;
  }

  bool pseudoTerminal() const override { return pseudoTerminal_; }

  int32_t bytesWaiting(int32_t* status) override {
    int waiting = 0;
    *status = ::ioctl(fd_, FIONREAD, &waiting) != 0 ? errno : 0;
    return *status == 0 ? waiting : 0;
  }

  int32_t read(char* buffer, int32_t count, int64_t deadlineUs, const std::atomic<bool>& closed,
               int32_t* status) override {
    int32_t got = 0;
    *status = 0;
    while (got < count) {
      if (closed.load()) {
        *status = kSerialHandleError;
        break;
      }
      ssize_t n = ::read(fd_, buffer + got, static_cast<size_t>(count - got));
      if (n > 0) {
        got += static_cast<int32_t>(n);
        continue;
      }
      // A raw tty without data reads 0 (or EAGAIN); a hang-up shows in poll below.
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno != EAGAIN) {
        *status = errno;
        break;
      }
      int waitMs = millisecondsLeft(deadlineUs);
      if (waitMs == 0) break;
      pollfd entries[2] = {{fd_, POLLIN, 0}, {wake_, POLLIN, 0}};
      int ready = ::poll(entries, 2, waitMs);
      if (ready < 0 && errno != EINTR) {
        *status = errno;
        break;
      }
      if (entries[1].revents != 0) continue;  // closed: reported at the top
      if (entries[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
        ssize_t last = ::read(fd_, buffer + got, static_cast<size_t>(count - got));
        if (last > 0) {
          got += static_cast<int32_t>(last);
          continue;
        }
        *status = EIO;
        break;
      }
    }
    return got;
  }

  int32_t write(const char* buffer, int32_t count, int64_t deadlineUs,
                const std::atomic<bool>& closed, int32_t* status) override {
    int32_t done = 0;
    *status = 0;
    while (done < count && !closed.load()) {
      ssize_t n = ::write(fd_, buffer + done, static_cast<size_t>(count - done));
      if (n > 0) {
        done += static_cast<int32_t>(n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno != EAGAIN) {
        *status = errno;
        break;
      }
      int waitMs = millisecondsLeft(deadlineUs);
      if (waitMs == 0) break;
      pollfd entries[2] = {{fd_, POLLOUT, 0}, {wake_, POLLIN, 0}};
      ::poll(entries, 2, waitMs);
    }
    if (*status == 0 && closed.load()) *status = kSerialHandleError;
    return done;
  }

  void wake() override {
    uint64_t one = 1;
    (void)!::write(wake_, &one, sizeof one);
  }

 private:
  // Changes the tty's settings; 0, kSerialParameterOutOfRange or errno.
  int32_t change(const std::function<bool(termios&)>& edit) {
    termios t{};
    if (tcgetattr(fd_, &t) != 0) return errno;
    if (!edit(t)) return kSerialParameterOutOfRange;
    if (tcsetattr(fd_, TCSANOW, &t) != 0) return errno;
    return 0;
  }

  const int fd_;
  const int wake_;  // eventfd, readable once woken
  const bool pseudoTerminal_;
};

}  // namespace

std::unique_ptr<TtyDevice> TtyDevice::open(const std::string& path, int32_t* status) {
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  termios settings{};
  if (fd < 0) {
    *status = -errno;
    return nullptr;
  }
  if (tcgetattr(fd, &settings) != 0) {
    *status = -errno;
    ::close(fd);
    return nullptr;
  }
  // The controller's defaults: 9600 baud, 8 data bits, no parity, one stop bit, raw bytes.
  cfmakeraw(&settings);
  cfsetispeed(&settings, B9600);
  cfsetospeed(&settings, B9600);
  settings.c_cflag |= CLOCAL | CREAD | CS8;
  settings.c_cflag &= ~(CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS);
  settings.c_iflag &= ~(IXON | IXOFF | IXANY);
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
  int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wake < 0 || tcsetattr(fd, TCSANOW, &settings) != 0) {
    *status = -errno;
    if (wake >= 0) ::close(wake);
    ::close(fd);
    return nullptr;
  }
  *status = 0;
  return std::make_unique<PosixTty>(fd, wake);
}

}  // namespace korvane::platform::serial
