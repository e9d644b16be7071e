#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "wpi/raw_ostream.h"

namespace wpi {

raw_ostream& raw_ostream::operator<<(unsigned long long value) {
  char digits[24];
  int n = std::snprintf(digits, sizeof digits, "%llu", value);
  return write(digits, static_cast<size_t>(n));
}

raw_ostream& raw_ostream::operator<<(long long value) {
  char digits[24];
  int n = std::snprintf(digits, sizeof digits, "%lld", value);
  return write(digits, static_cast<size_t>(n));
}

void raw_fd_ostream::write_impl(const char* data, size_t size) {
  while (size > 0) {
    ssize_t written = ::write(fd_, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      error_ = true;
      return;
    }
    data += written;
    size -= static_cast<size_t>(written);
  }
}

raw_ostream& errs() {
  // Never destroyed: threads may still log while the process exits.
  static raw_fd_ostream* stream = new raw_fd_ostream(STDERR_FILENO);
  return *stream;
}

}  // namespace wpi
