#include "serial/posix/RawTty.h"

#include <termios.h>

namespace korvane::serial {

namespace {

speed_t speedOf(int baud) {
  switch (baud) {
    case 9600:
      return B9600;
    case 19200:
      return B19200;
    case 38400:
      return B38400;
    case 57600:
      return B57600;
    case 230400:
      return B230400;
    case 460800:
      return B460800;
    case 921600:
      return B921600;
    default:
      return B115200;
  }
}

}  // namespace

const char* configureRawTty(int fd, int baud) {
  termios settings{};
  if (tcgetattr(fd, &settings) != 0) return "tcgetattr";
  cfmakeraw(&settings);
  cfsetispeed(&settings, speedOf(baud));
  cfsetospeed(&settings, speedOf(baud));
  settings.c_cflag |= CLOCAL | CREAD | CS8;
  settings.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS);
  settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
  if (tcsetattr(fd, TCSANOW, &settings) != 0) return "tcsetattr";
  return nullptr;
}

}  // namespace korvane::serial
