// The C library's standard error, unbuffered: one write per call.

#include "port/ErrorStream.h"

#include <cstdio>

namespace korvane::port {

void writeError(const char* data, size_t size) {
  std::fwrite(data, 1, size, stderr);
  std::fflush(stderr);
}

}  // namespace korvane::port
